#include "image/plain_file.h"

#include <cerrno>
#include <cstdio>
#include <memory>

#include "image/system_errors.h"

namespace velkor {

std::optional<PlainFileFault> readPlainFile(const std::filesystem::path& path,
                                            const std::function<bool(std::string_view piece)>& feed,
                                            std::uintmax_t maxBytes) {
  using Kind = PlainFileFault::Kind;
  std::error_code ec;
  const auto status = std::filesystem::status(path, ec);
  if (ec)
    return PlainFileFault{ec == std::errc::no_such_file_or_directory ? Kind::Missing : Kind::Unreadable,
                          systemErrorText(ec.value(), ec.message())};
  if (std::filesystem::is_directory(status)) return PlainFileFault{Kind::Unreadable, "c'est un dossier"};
  if (!std::filesystem::is_regular_file(status))
    return PlainFileFault{Kind::Unreadable, "ce n'est pas un fichier ordinaire"};
  if (std::filesystem::file_size(path, ec) > maxBytes && !ec) return PlainFileFault{Kind::TooBig, {}};

#ifdef _WIN32
  std::FILE* raw = _wfopen(path.c_str(), L"rb");
#else
  std::FILE* raw = std::fopen(path.c_str(), "rb");
#endif
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(raw, &std::fclose);
  if (!file) return PlainFileFault{Kind::Unreadable, errnoText(errno)};
  char buffer[4096];
  for (std::uintmax_t total = 0;;) {
    const std::size_t n = std::fread(buffer, 1, sizeof buffer, file.get());
    if ((total += n) > maxBytes) return PlainFileFault{Kind::TooBig, {}};  // it grew while read
    if (n > 0 && !feed(std::string_view(buffer, n))) return std::nullopt;
    if (n < sizeof buffer) {
      if (std::ferror(file.get())) return PlainFileFault{Kind::ReadError, errnoText(errno)};
      return std::nullopt;
    }
  }
}

}  // namespace velkor
