// Program files: the eleven images as eleven lines, each ended by CR LF.
//
// A file the editor writes is always 7 x 48 + 4 x 25 = 436 bytes. Lines hold
// raw condition codes, so a line feed inside a line is data (EA3 is 0x0A):
// only CR ends a line, and the byte after a CR is skipped whatever it is. A
// Ctrl-Z byte (0x1A) ends the file. Bytes after the last CR are ignored.
//
// A file is refused ("Ce fichier ne convient pas à cette application") when
// a line has the wrong length for its page, when it holds no CR at all, or
// when it has more or fewer than eleven complete lines; nothing of a refused
// file is decoded.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "image/file_writer.h"
#include "image/program_images.h"

namespace velkor {

enum class FileStatus {
  Ok,
  Unreadable,  // cannot be opened: "Fichier illisible ou déjà ouvert", or "Fichier introuvable"
  Unsuitable,  // not a program file: "Ce fichier ne convient pas à cette application"
  IoError,     // opened, but reading or writing failed; `message` says why
};

struct ReadResult {
  FileStatus status = FileStatus::Ok;
  ProgramImages images;  // all eleven, only when status is Ok
  std::string message;   // French, for anything but Ok
};

// Incremental reader, so a file is never held whole in memory and reading
// stops as soon as the outcome is known.
class ProgramFileParser {
 public:
  // Takes the next bytes of the file; false once no further byte can change
  // the outcome (refused, or Ctrl-Z reached).
  bool feed(std::string_view bytes);
  ReadResult finish() const;

 private:
  ProgramImages images_;
  std::string line_;
  int lines_ = 0;
  bool sawCr_ = false;
  bool skipNext_ = false;
  bool refused_ = false;
  bool ended_ = false;
};

ReadResult parseProgramFile(std::string_view bytes);
ReadResult readProgramFile(const std::filesystem::path& path);

// The file's bytes; every image must have its page's length and hold no CR.
std::string serializeProgramFile(const ProgramImages& images);

struct WriteResult {
  bool ok = false;
  std::string message;  // French, when not ok
};

// Writes the file atomically: either the complete new file is in place or
// whatever was there before is left untouched (see writeFileSafely).
WriteResult writeProgramFile(const std::filesystem::path& path, const ProgramImages& images,
                             const FileWriter& writer = systemFileWriter());

}  // namespace velkor
