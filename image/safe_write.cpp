#include "image/safe_write.h"

#include <algorithm>
#include <cerrno>
#include <random>

#include "image/system_errors.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace velkor {
namespace fs = std::filesystem;

namespace save_faults {
namespace {
Hook hook = nullptr;
}  // namespace
void setHook(Hook h) { hook = h; }
}  // namespace save_faults

namespace {

constexpr std::string_view kReadOnlyFile = "le fichier est en lecture seule";

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

// A fresh name beside the target, hidden, that a later save ignores.
fs::path temporaryName(const fs::path& target) {
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  thread_local std::mt19937 random{std::random_device{}()};
  std::string suffix(6, ' ');
  for (char& c : suffix) c = kLetters[random() % (sizeof kLetters - 1)];
  return folderOf(target) / ("." + target.filename().string() + "." + suffix);
}

}  // namespace

#ifndef _WIN32

namespace {

// The errno a test's hook asks for at this step, 0 when none.
int injected(save_faults::Step step, std::size_t& length) {
  return save_faults::hook ? save_faults::hook(step, length) : 0;
}

bool writeAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    std::size_t length = bytes.size();
    if (const int e = injected(save_faults::Step::Write, length)) {
      errno = e;
      return false;
    }
    const ssize_t n = ::write(fd, bytes.data(), std::min(length, bytes.size()));
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

std::string reason() { return errnoText(errno); }

// The new bytes over the old ones, then the rest cut off: a file of the same
// length is never seen empty or short.
std::optional<std::string> writeInPlace(const fs::path& target, std::string_view bytes) {
  const int fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC);
  if (fd < 0) return reason();
  std::optional<std::string> error;
  if (!writeAll(fd, bytes) || ::ftruncate(fd, static_cast<off_t>(bytes.size())) != 0 || ::fsync(fd) != 0)
    error = reason();
  if (::close(fd) != 0 && !error) error = reason();
  return error;
}

// Created with the mode of any new file, so the kernel applies the umask
// (and a default ACL); the process's umask is never touched.
int createTemporary(const fs::path& target, std::string& name) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = temporaryName(target).string();
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

}  // namespace

std::optional<std::string> writeFileSafely(const fs::path& requested, std::string_view bytes) {
  const fs::path target = resolveTarget(requested);
  const fs::path folder = folderOf(target);

  struct stat st {};
  const bool existing = ::stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode);
  if (existing) {
    // What an open for writing would refuse is refused; root may write anyway.
    if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0)
      return errno == EACCES || errno == EPERM ? std::string(kReadOnlyFile) : reason();
    // A new file would leave the other names with the old contents.
    if (st.st_nlink > 1) return writeInPlace(target, bytes);
  }

  std::string temp;
  const int fd = createTemporary(target, temp);
  if (fd < 0) {
    if (existing && (errno == EACCES || errno == EPERM)) return writeInPlace(target, bytes);
    return reason();
  }

  std::string error;
  if (existing) {
    // Owner and group as before where allowed (root, or a group of the user's);
    // elsewhere the new file is the user's own, as a copy would be.
    if ((st.st_uid != ::geteuid() || st.st_gid != ::getegid()) && ::fchown(fd, st.st_uid, st.st_gid) != 0) {
    }
    if (::fchmod(fd, st.st_mode & 07777) != 0) error = reason();
  }
  if (error.empty() && (!writeAll(fd, bytes) || ::fsync(fd) != 0)) error = reason();
  if (::close(fd) != 0 && error.empty()) error = reason();
  std::size_t unused = 0;
  if (const int e = error.empty() ? injected(save_faults::Step::Rename, unused) : 0) {
    errno = e;
    error = reason();
  }
  if (error.empty() && ::rename(temp.c_str(), target.c_str()) != 0) error = reason();
  if (!error.empty()) {
    ::unlink(temp.c_str());
    return error;
  }
  // Make the rename itself durable; the new file is complete either way.
  const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return std::nullopt;
}

#else  // _WIN32

namespace {

// The reason for a Windows error, in UTF-8 like every other message.
std::string windowsError(DWORD code) {
  wchar_t* text = nullptr;
  const DWORD n = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string message;
  if (n > 0) {
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(n), nullptr, 0, nullptr, nullptr);
    message.resize(static_cast<std::size_t>(size));
    ::WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(n), message.data(), size, nullptr, nullptr);
  }
  if (text) ::LocalFree(text);
  while (!message.empty() && (message.back() == '\r' || message.back() == '\n' || message.back() == ' ' ||
                              message.back() == '.'))
    message.pop_back();
  return systemErrorText(static_cast<std::int32_t>(code), message.empty() ? "erreur " + std::to_string(code) : message);
}

bool writeAll(HANDLE file, std::string_view bytes) {
  while (!bytes.empty()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 20));
    DWORD written = 0;
    if (!::WriteFile(file, bytes.data(), chunk, &written, nullptr)) return false;
    bytes.remove_prefix(written);
  }
  return true;
}

std::optional<std::string> writeInPlace(const fs::path& target, std::string_view bytes) {
  HANDLE file = ::CreateFileW(target.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return windowsError(::GetLastError());
  DWORD error = 0;
  if (!writeAll(file, bytes) || !::SetEndOfFile(file) || !::FlushFileBuffers(file)) error = ::GetLastError();
  if (!::CloseHandle(file) && error == 0) error = ::GetLastError();
  if (error != 0) return windowsError(error);
  return std::nullopt;
}

DWORD linkCount(const fs::path& target) {
  HANDLE file = ::CreateFileW(target.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  BY_HANDLE_FILE_INFORMATION info{};
  const DWORD links = ::GetFileInformationByHandle(file, &info) ? info.nNumberOfLinks : 1;
  ::CloseHandle(file);
  return links;
}

}  // namespace

std::optional<std::string> writeFileSafely(const fs::path& requested, std::string_view bytes) {
  const fs::path target = resolveTarget(requested);
  const DWORD attributes = ::GetFileAttributesW(target.c_str());
  const bool existing = attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
  if (existing) {
    if (attributes & FILE_ATTRIBUTE_READONLY) return std::string(kReadOnlyFile);
    if (linkCount(target) > 1) return writeInPlace(target, bytes);
  }

  // A name of our own beside the target (same volume, so the move is a rename).
  fs::path temp;
  HANDLE file = INVALID_HANDLE_VALUE;
  for (unsigned attempt = 0; file == INVALID_HANDLE_VALUE; ++attempt) {
    temp = temporaryName(target);
    file = ::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) break;
    const DWORD e = ::GetLastError();
    if (existing && e == ERROR_ACCESS_DENIED) return writeInPlace(target, bytes);
    if (e != ERROR_FILE_EXISTS || attempt == 100) return windowsError(e);
  }

  DWORD error = 0;
  if (!writeAll(file, bytes) || !::FlushFileBuffers(file)) error = ::GetLastError();
  if (!::CloseHandle(file) && error == 0) error = ::GetLastError();
  // Write-through: the call returns once the rename itself is on disk.
  if (error == 0 && !::MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    error = ::GetLastError();
  if (error != 0) {
    ::DeleteFileW(temp.c_str());
    return windowsError(error);
  }
  return std::nullopt;
}

#endif

}  // namespace velkor
