#include "image/program_file.h"

#include "image/messages.h"
#include "image/plain_file.h"
#include "image/safe_write.h"
#include "image/system_errors.h"

namespace velkor {
namespace {

constexpr char kCr = '\r';
constexpr char kLf = '\n';
constexpr char kCtrlZ = '\x1A';

ReadResult failure(FileStatus status, std::string message) {
  ReadResult r;
  r.status = status;
  r.message = std::move(message);
  return r;
}

bool isValidImage(int page, const std::string& image) {
  return image.size() == imageLength(page) && image.find(kCr) == std::string::npos &&
         image.find(kCtrlZ) == std::string::npos;
}

}  // namespace

bool ProgramFileParser::feed(std::string_view bytes) {
  for (char b : bytes) {
    if (refused_ || ended_) return false;
    if (skipNext_) {
      skipNext_ = false;
      if (b == kCtrlZ) ended_ = true;
      continue;
    }
    if (b == kCtrlZ) {
      ended_ = true;
    } else if (b == kCr) {
      sawCr_ = true;
      skipNext_ = true;
      ++lines_;
      if (lines_ > kPageCount || line_.size() != imageLength(lines_)) {
        refused_ = true;
      } else {
        images_[lines_] = std::move(line_);
        line_.clear();
      }
    } else if (lines_ < kPageCount) {
      line_ += b;
      // A line already too long can only end in a refusal.
      if (line_.size() > imageLength(lines_ + 1)) refused_ = true;
    }
    // After the eleventh line only a further CR matters: it would be a twelfth line.
  }
  return !refused_ && !ended_;
}

ReadResult ProgramFileParser::finish() const {
  if (refused_ || !sawCr_ || lines_ != kPageCount)
    return failure(FileStatus::Unsuitable, std::string(msg::kUnsuitableFile));
  ReadResult r;
  r.images = images_;
  return r;
}

ReadResult parseProgramFile(std::string_view bytes) {
  ProgramFileParser parser;
  parser.feed(bytes);
  return parser.finish();
}

ReadResult readProgramFile(const std::filesystem::path& path) {
  const std::string name = path.filename().string();
  auto unreadable = [&](std::string_view reason) {
    return failure(FileStatus::Unreadable, msg::aboutFile(msg::kUnreadableFile, name, reason));
  };
  ProgramFileParser parser;
  if (auto fault = readPlainFile(path, [&](std::string_view piece) { return parser.feed(piece); })) {
    switch (fault->kind) {
      case PlainFileFault::Kind::Missing:  // said as such, not as a file that could not be read
        return failure(FileStatus::Unreadable, msg::aboutFile(msg::kMissingFile, name));
      case PlainFileFault::Kind::ReadError:
        return failure(FileStatus::IoError, "Erreur de lecture du fichier " + name + " : " + fault->reason);
      case PlainFileFault::Kind::Unreadable:
      case PlainFileFault::Kind::TooBig:
        return unreadable(fault->reason);
    }
  }
  ReadResult result = parser.finish();
  if (result.status == FileStatus::Unsuitable) result.message = msg::aboutFile(result.message, name);
  return result;
}

std::string serializeProgramFile(const ProgramImages& images) {
  std::string bytes;
  for (int p = 1; p <= kPageCount; ++p) {
    bytes += images[p];
    bytes += kCr;
    bytes += kLf;
  }
  return bytes;
}

WriteResult writeProgramFile(const std::filesystem::path& path, const ProgramImages& images,
                             const FileWriter& writer) {
  for (int p = 1; p <= kPageCount; ++p)
    if (!isValidImage(p, images[p]))
      return {false, "Programme incomplet : la sortie " + pageCaption(p) + " ne peut pas être enregistrée"};
  if (auto error = writeFileSafely(path, serializeProgramFile(images), writer))
    return {false, "Impossible d'enregistrer le fichier " + path.filename().string() + " : " + *error};
  return {true, {}};
}

}  // namespace velkor
