// The program the editor works on: the document and its images, kept in step.
#pragma once

#include "document/program_document.h"
#include "image/program_images.h"

namespace velkor {

class Program {
 public:
  Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  ProgramDocument document;
  ProgramImages images;

  // Rebuilds all eleven images from the document.
  void construireImages();

  // Resets the document to the empty program, without names; the focus goes
  // to choix01_01 with its whole text selected, whose enter rule has run.
  Reaction initialiserPages();

  // Sets the document from `images`; page SL1 shown, focus in choix01_01,
  // modified flag cleared.
  Reaction chargerImages();

  // Puts the program `images` hold on the pages, alone and without names
  // (a file's are read beside it, see ouvrirFichier): resets them, then
  // takes the images and decodes them. What an earlier program left after
  // the end of a chain would otherwise stay, and be saved and uploaded, as
  // part of the new one.
  Reaction load(ProgramImages images);
};

}  // namespace velkor
