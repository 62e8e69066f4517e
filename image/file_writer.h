// The system calls through which a save reaches the disk and that can fail
// part-way: each write of the new bytes, and the rename that puts the new
// file in place. Saves use the system's own; a test passes a writer of its
// own to fail one on demand (an I/O error mid-write, a full disk, a short
// write, a refused rename, a crash before it).
#pragma once

#include <cstddef>
#include <filesystem>
#include <string_view>

namespace velkor {

class FileWriter {
 public:
#ifdef _WIN32
  using File = void*;  // a HANDLE
#else
  using File = int;  // a descriptor
#endif
  virtual ~FileWriter() = default;
  // Writes the first bytes of `bytes` to `file`, all or fewer as a short
  // write does (never none): how many, or -1 with the system's error set
  // (errno on POSIX, GetLastError on Windows).
  virtual std::ptrdiff_t write(File file, std::string_view bytes) const;
  // Puts the file `from` in the place of `to` (replacing it): false with the
  // system's error set.
  virtual bool rename(const std::filesystem::path& from, const std::filesystem::path& to) const;
};

// The system's own calls.
const FileWriter& systemFileWriter();

}  // namespace velkor
