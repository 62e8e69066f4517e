// Setting the document from program images, and resetting it.
#pragma once

#include <string_view>

#include "document/program_document.h"
#include "image/program_images.h"

namespace velkor {

// Puts every page back into the empty-program state: slot 01 keeps its text,
// everything else returns to its default; page SL1 shown, modified flag
// cleared. Does not run the enter rule of choix01_01 (see Program).
void resetPages(ProgramDocument& document);

// Sets one page from its image. Only what the image mentions is set; the
// chain ends at the first empty code or "R" link. Each filled slot's link is
// enabled, so a chain read back can be extended like one built by hand.
// Images of any length and content are accepted: a missing byte, a link byte
// other than "O", "E", "R", or a code that names no input of the page ends
// the chain as an empty slot would (a link that announced that slot reads "-"
// again), and numeric fields whose bytes are not all digits keep their text.
void decodeImage(ProgramDocument& document, int page, std::string_view image);

// Sets all pages from `images`, shows page SL1 and clears the modified flag.
void decodeImages(ProgramDocument& document, const ProgramImages& images);

}  // namespace velkor
