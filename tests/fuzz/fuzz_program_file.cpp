// Any byte string as a program file: reading never fails badly, reading in
// pieces agrees with reading at once, and what it accepts decodes, encodes
// and decodes again to the same images.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "image/program.h"
#include "image/program_file.h"

using namespace velkor;

namespace {

ProgramImages decodeAndEncode(const ProgramImages& images) {
  Program program;
  program.initialiserPages();
  program.images = images;
  program.chargerImages();
  program.construireImages();
  return program.images;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const ReadResult whole = parseProgramFile(bytes);

  ProgramFileParser pieces;
  const std::size_t split = size ? data[0] % (size + 1) : 0;
  if (pieces.feed(bytes.substr(0, split))) pieces.feed(bytes.substr(split));
  const ReadResult pieced = pieces.finish();
  if (pieced.status != whole.status || !(pieced.images == whole.images)) std::abort();

  if (whole.status != FileStatus::Ok) return 0;
  const ProgramImages first = decodeAndEncode(whole.images);
  for (int p = 1; p <= kPageCount; ++p)
    if (first[p].size() != imageLength(p)) std::abort();
  if (!(decodeAndEncode(first) == first)) std::abort();
  if (!(parseProgramFile(serializeProgramFile(first)).images == first)) std::abort();
  return 0;
}
