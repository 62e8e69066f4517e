#include "image/program.h"

#include "image/decoding.h"
#include "image/encoding.h"

#include <utility>

namespace velkor {

Program::Program() {
  document.imagesStale = [this] { construireImages(); };
}

void Program::construireImages() { velkor::construireImages(document, images); }

Reaction Program::initialiserPages() {
  resetPages(document);
  document.names = {};  // they belong to the program that goes
  const FieldId first = FieldId::slot(1, 1);
  document.choix01_01Enter(first);
  return {first, true, false};
}

Reaction Program::chargerImages() {
  // Decode from a copy: the enter rule below rebuilds the images.
  const ProgramImages received = images;
  decodeImages(document, received);
  const FieldId first = FieldId::slot(1, 1);
  document.choix01_01Enter(first);
  return {first, false, false};
}

// By value: resetting the pages rebuilds `images`, which may be what was passed.
Reaction Program::load(ProgramImages loaded) {
  initialiserPages();
  images = std::move(loaded);
  return chargerImages();
}

const ProgramImages& emptyProgramImages() {
  static const ProgramImages empty = [] {
    Program program;
    program.initialiserPages();
    program.construireImages();
    return program.images;
  }();
  return empty;
}

}  // namespace velkor
