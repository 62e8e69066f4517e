// Reading a file the user names: only a plain file is read (a folder, a FIFO
// or a device would block or never end), piece by piece, never more than a
// given size, even of a file that grows while it is read.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

namespace velkor {

struct PlainFileFault {
  enum class Kind {
    Missing,     // no such file
    Unreadable,  // not a plain file, or it cannot be opened
    TooBig,      // more than the size allowed
    ReadError,   // opened, but reading it failed
  };
  Kind kind;
  std::string reason;  // French, to end a message ("c'est un dossier")
};

// Hands the file's bytes to `feed` in pieces until it returns false or the
// file ends. Nothing when the file was read.
std::optional<PlainFileFault> readPlainFile(const std::filesystem::path& path,
                                            const std::function<bool(std::string_view piece)>& feed,
                                            std::uintmax_t maxBytes = std::numeric_limits<std::uintmax_t>::max());

}  // namespace velkor
