#include "image/atomic_write.h"

#include <cerrno>
#include <cstring>

#ifdef _WIN32
#include <fstream>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace velkor {
namespace fs = std::filesystem;

namespace {

// The file a save must replace: a link's destination rather than the link.
fs::path resolveTarget(const fs::path& target) {
  std::error_code ec;
  if (fs::is_symlink(fs::symlink_status(target, ec))) {
    fs::path resolved = fs::weakly_canonical(target, ec);
    if (!ec) return resolved;
  }
  return target;
}

fs::path folderOf(const fs::path& file) {
  return file.has_parent_path() ? file.parent_path() : fs::path(".");
}

}  // namespace

#ifndef _WIN32

namespace {

std::string systemError() { return std::strerror(errno); }

// Mode for the new file: the old file's, or what a fresh file would get.
mode_t modeFor(const fs::path& target) {
  struct stat st {};
  if (::stat(target.c_str(), &st) == 0) return st.st_mode & 07777;
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

bool writeAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

}  // namespace

std::optional<std::string> writeFileAtomically(const fs::path& requested, std::string_view bytes) {
  const fs::path target = resolveTarget(requested);
  const fs::path folder = folderOf(target);
  std::string temp = (folder / ("." + target.filename().string() + ".XXXXXX")).string();

  const int fd = ::mkstemp(temp.data());
  if (fd < 0) return systemError();

  std::string error;
  if (::fchmod(fd, modeFor(target)) != 0 || !writeAll(fd, bytes) || ::fsync(fd) != 0) error = systemError();
  if (::close(fd) != 0 && error.empty()) error = systemError();
  if (error.empty() && ::rename(temp.c_str(), target.c_str()) != 0) error = systemError();
  if (!error.empty()) {
    ::unlink(temp.c_str());
    return error;
  }
  // Make the rename itself durable; the new file is complete either way.
  const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return std::nullopt;
}

#else  // _WIN32

std::optional<std::string> writeFileAtomically(const fs::path& requested, std::string_view bytes) {
  const fs::path target = resolveTarget(requested);
  fs::path temp = folderOf(target) / ("." + target.filename().string() + ".tmp");
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.flush();
    if (!out) {
      std::error_code ignored;
      fs::remove(temp, ignored);
      return std::string("écriture impossible");
    }
  }
  std::error_code ec;
  fs::rename(temp, target, ec);
  if (ec) {
    std::error_code ignored;
    fs::remove(temp, ignored);
    return ec.message();
  }
  return std::nullopt;
}

#endif

}  // namespace velkor
