// Any byte string as a names file: reading never fails badly, a refusal says
// briefly what is wrong and keeps no names, and what is accepted is written
// so that it reads back the same and writes again to the same bytes.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "image/names_file.h"

using namespace velkor;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const NamesRead read = parseProgramNames(bytes);
  if (read.status == NamesRead::Status::Damaged) {
    if (read.problem.empty() || read.problem.size() > 120 || !(read.names == ProgramNames{})) std::abort();
    return 0;
  }
  if (read.status != NamesRead::Status::Ok) std::abort();
  const std::string text = programNamesText(read.names);
  const NamesRead again = parseProgramNames(text);
  if (again.status != NamesRead::Status::Ok || !(again.names == read.names)) std::abort();
  if (programNamesText(again.names) != text) std::abort();
  return 0;
}
