// Building program images from the document.
#pragma once

#include <string>

#include "document/program_document.h"
#include "image/program_images.h"

namespace velkor {

// The image of one page, from the fields' texts and captions, the enabled
// state of the thresholds and the hold box. Always imageLength(page) bytes.
std::string buildImage(const ProgramDocument& document, int page);

// Replaces all eleven images. Changes nothing in the document.
void construireImages(const ProgramDocument& document, ProgramImages& images);

}  // namespace velkor
