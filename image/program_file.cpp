#include "image/program_file.h"

#include <cerrno>
#include <cstdio>
#include <memory>

#include "image/messages.h"
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
  // Only plain files: a FIFO or a device would block or never end.
  std::error_code ec;
  const auto status = std::filesystem::status(path, ec);
  if (ec == std::errc::no_such_file_or_directory)  // said as such, not as a file that could not be read
    return failure(FileStatus::Unreadable, msg::aboutFile(msg::kMissingFile, name));
  if (ec) return unreadable(systemErrorText(ec.value(), ec.message()));
  if (std::filesystem::is_directory(status)) return unreadable("c'est un dossier");
  if (!std::filesystem::is_regular_file(status)) return unreadable("ce n'est pas un fichier ordinaire");

#ifdef _WIN32
  std::FILE* raw = _wfopen(path.c_str(), L"rb");
#else
  std::FILE* raw = std::fopen(path.c_str(), "rb");
#endif
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(raw, &std::fclose);
  if (!file) return unreadable(errnoText(errno));

  ProgramFileParser parser;
  char buffer[4096];
  for (;;) {
    const std::size_t n = std::fread(buffer, 1, sizeof buffer, file.get());
    if (n > 0 && !parser.feed(std::string_view(buffer, n))) break;
    if (n < sizeof buffer) {
      if (std::ferror(file.get()))
        return failure(FileStatus::IoError, "Erreur de lecture du fichier " + name + " : " + errnoText(errno));
      break;
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
