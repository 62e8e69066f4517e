#include "image/safe_write.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <random>
#include <vector>

#include "image/messages.h"
#include "image/system_errors.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#endif

namespace velkor {
namespace fs = std::filesystem;

namespace {

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

const FileWriter& systemFileWriter() {
  static const FileWriter system;
  return system;
}

#ifndef _WIN32

std::ptrdiff_t FileWriter::write(File fd, std::string_view bytes) const {
  return ::write(fd, bytes.data(), bytes.size());
}

bool FileWriter::rename(const fs::path& from, const fs::path& to) const {
  return ::rename(from.c_str(), to.c_str()) == 0;
}

namespace {

bool writeAll(const FileWriter& writer, int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const std::ptrdiff_t n = writer.write(fd, bytes);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) {  // a device that takes nothing would hold the loop for ever
      errno = EIO;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

std::string reason() { return errnoText(errno); }

// The new bytes over the old ones, then the rest cut off: a file of the same
// length is never seen empty or short.
std::optional<std::string> writeInPlace(const fs::path& target, std::string_view bytes, const FileWriter& writer) {
  const int fd = ::open(target.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return reason();
  std::optional<std::string> error;
  if (!writeAll(writer, fd, bytes) || ::ftruncate(fd, static_cast<off_t>(bytes.size())) != 0 || ::fsync(fd) != 0)
    error = reason();
  if (::close(fd) != 0 && !error) error = reason();
  return error;
}

// A device or a named pipe takes the bytes as they come, as a plain write
// would give them. A pipe nobody reads is refused rather than waited on, and
// a reader that leaves half-way is a failure, not a SIGPIPE that would end
// the program (the editor with it).
std::optional<std::string> writeToDevice(const fs::path& target, bool pipe, std::string_view bytes,
                                         const FileWriter& writer) {
  const int fd = ::open(target.c_str(), O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return pipe && errno == ENXIO ? std::string(msg::kNobodyReadsThePipe) : reason();
  sigset_t pipeSignal, previous, pending;
  sigemptyset(&pipeSignal);
  sigaddset(&pipeSignal, SIGPIPE);
  ::pthread_sigmask(SIG_BLOCK, &pipeSignal, &previous);
  sigpending(&pending);
  const bool alreadyPending = sigismember(&pending, SIGPIPE) == 1;

  std::optional<std::string> error;
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0 || !writeAll(writer, fd, bytes))
    error = pipe && errno == EPIPE ? std::string(msg::kReaderLeftThePipe) : reason();
  if (::close(fd) != 0 && !error) error = reason();

  if (!alreadyPending && sigpending(&pending) == 0 && sigismember(&pending, SIGPIPE) == 1) {
    const timespec now{0, 0};
    ::sigtimedwait(&pipeSignal, nullptr, &now);
  }
  ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  return error;
}

// The file the path leads to: its symbolic links followed one by one, so a
// link to nothing gives the name to create. 0, or ELOOP for a circle.
int followLinks(const fs::path& path, fs::path& target) {
  target = path;
  for (int hops = 0; hops < 40; ++hops) {
    std::error_code ec;
    if (!fs::is_symlink(fs::symlink_status(target, ec))) return 0;
    const fs::path next = fs::read_symlink(target, ec);
    if (ec) return ec.value();
    target = next.is_absolute() ? next : folderOf(target) / next;
  }
  return ELOOP;
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

// The names of a file's extended attributes (its ACL among them), or
// nothing when they cannot be read whole.
template <class List>
std::optional<std::vector<std::string>> attributeNames(List list) {
  for (int attempt = 0; attempt < 3; ++attempt) {
    const ssize_t size = list(nullptr, 0);
    if (size < 0) return errno == ENOTSUP ? std::optional(std::vector<std::string>{}) : std::nullopt;
    std::string buffer(static_cast<std::size_t>(size), '\0');
    const ssize_t n = list(buffer.data(), buffer.size());
    if (n < 0 && errno == ERANGE) continue;  // grown meanwhile
    if (n < 0) return std::nullopt;
    std::vector<std::string> names;
    for (std::size_t at = 0; at < static_cast<std::size_t>(n); at = buffer.find('\0', at) + 1)
      names.emplace_back(buffer.c_str() + at);
    return names;
  }
  return std::nullopt;
}

// Gives the new file (`fd`) exactly the extended attributes of `old`.
bool copyAttributes(const fs::path& old, int fd) {
  const auto wanted = attributeNames([&](char* b, std::size_t n) { return ::listxattr(old.c_str(), b, n); });
  const auto present = attributeNames([&](char* b, std::size_t n) { return ::flistxattr(fd, b, n); });
  if (!wanted || !present) return false;
  for (const std::string& name : *present)  // e.g. an ACL inherited from the folder
    if (std::find(wanted->begin(), wanted->end(), name) == wanted->end() && ::fremovexattr(fd, name.c_str()) != 0)
      return false;
  for (const std::string& name : *wanted) {
    const ssize_t size = ::getxattr(old.c_str(), name.c_str(), nullptr, 0);
    if (size < 0) return false;
    std::string value(static_cast<std::size_t>(size), '\0');
    const ssize_t n = ::getxattr(old.c_str(), name.c_str(), value.data(), value.size());
    if (n < 0 || ::fsetxattr(fd, name.c_str(), value.data(), static_cast<std::size_t>(n), 0) != 0) return false;
  }
  return true;
}

// Whether the new file could be made to carry everything the old one had
// besides its bytes: owner, group, extended attributes (ACL included) and
// mode, set-id bits too. An ordinary user cannot give a file away, so a file
// of someone else's is never replaced by one of the user's own.
bool carriesOver(const fs::path& old, const struct stat& was, int fd) {
  struct stat now {};
  if (::fstat(fd, &now) != 0) return false;
  if ((now.st_uid != was.st_uid || now.st_gid != was.st_gid) && ::fchown(fd, was.st_uid, was.st_gid) != 0)
    return false;
  // The mode last: it sets the ACL's mask, as the old file's mode does.
  if (!copyAttributes(old, fd) || ::fchmod(fd, was.st_mode & 07777) != 0 || ::fstat(fd, &now) != 0) return false;
  return now.st_uid == was.st_uid && now.st_gid == was.st_gid && (now.st_mode & 07777) == (was.st_mode & 07777);
}

// The new file written beside the target and renamed over it; `old` is the
// target's status when it exists. What cannot be replaced that way without
// losing something of the old file is written in place instead.
std::optional<std::string> replace(const fs::path& target, const struct stat* old, std::string_view bytes,
                                   const FileWriter& writer) {
  std::string temp;
  const int fd = createTemporary(target, temp);
  if (fd < 0) {
    // A folder where nothing can be created.
    if (old && (errno == EACCES || errno == EPERM)) return writeInPlace(target, bytes, writer);
    return reason();
  }
  if (old && !carriesOver(target, *old, fd)) {
    ::close(fd);
    ::unlink(temp.c_str());
    return writeInPlace(target, bytes, writer);
  }

  std::string error;
  if (!writeAll(writer, fd, bytes) || ::fsync(fd) != 0) error = reason();
  if (::close(fd) != 0 && error.empty()) error = reason();
  if (error.empty() && !writer.rename(temp, target)) {
    // A sticky folder, or a file mounted over: what cannot be renamed over
    // can still be written.
    if (old && (errno == EPERM || errno == EACCES || errno == EBUSY)) {
      ::unlink(temp.c_str());
      return writeInPlace(target, bytes, writer);
    }
    error = reason();
  }
  if (!error.empty()) {
    ::unlink(temp.c_str());
    return error;
  }
  // Make the rename itself durable; the new file is complete either way.
  const int dir = ::open(folderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> writeFileSafely(const fs::path& requested, std::string_view bytes,
                                           const FileWriter& writer) {
  struct stat st {};
  if (::stat(requested.c_str(), &st) != 0) {
    if (errno != ENOENT) return reason();
    // Nothing there, or a link to nothing: the file is created where the
    // links lead, and they stay links.
    fs::path target;
    if (const int e = followLinks(requested, target)) return errnoText(e);
    return replace(target, nullptr, bytes, writer);
  }
  if (S_ISDIR(st.st_mode)) return errnoText(EISDIR);
  if (S_ISCHR(st.st_mode) || S_ISFIFO(st.st_mode)) return writeToDevice(requested, S_ISFIFO(st.st_mode), bytes, writer);
  if (!S_ISREG(st.st_mode)) return std::string(msg::kNotAPlainFile);  // a disk, a socket

  // Read-only is refused for everyone: root passes the permission check,
  // not a mode that gives write access to nobody.
  if ((st.st_mode & 0222) == 0) return std::string(msg::kReadOnlyFile);
  if (::faccessat(AT_FDCWD, requested.c_str(), W_OK, AT_EACCESS) != 0)
    return errno == EACCES || errno == EPERM ? std::string(msg::kReadOnlyFile) : reason();

  // The name to rename over is the file the links lead to. Where that name
  // is not the file reached (a link into /proc, a file since moved), the
  // file is written through the path that reached it.
  fs::path target;
  struct stat there {};
  if (followLinks(requested, target) != 0 || ::lstat(target.c_str(), &there) != 0 || there.st_dev != st.st_dev ||
      there.st_ino != st.st_ino)
    return writeInPlace(requested, bytes, writer);
  // A new file would leave the other names with the old contents.
  if (st.st_nlink > 1) return writeInPlace(target, bytes, writer);
  return replace(target, &st, bytes, writer);
}

#else  // _WIN32

std::ptrdiff_t FileWriter::write(File file, std::string_view bytes) const {
  const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 20));
  DWORD written = 0;
  return ::WriteFile(file, bytes.data(), chunk, &written, nullptr) ? static_cast<std::ptrdiff_t>(written) : -1;
}

// Write-through: the call returns once the rename itself is on disk.
bool FileWriter::rename(const fs::path& from, const fs::path& to) const {
  return ::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

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

bool writeAll(const FileWriter& writer, HANDLE file, std::string_view bytes) {
  while (!bytes.empty()) {
    const std::ptrdiff_t n = writer.write(file, bytes);
    if (n < 0) return false;
    if (n == 0) {  // a device that takes nothing would hold the loop for ever
      ::SetLastError(ERROR_WRITE_FAULT);
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

std::optional<std::string> writeInPlace(const fs::path& target, std::string_view bytes, const FileWriter& writer) {
  HANDLE file = ::CreateFileW(target.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return windowsError(::GetLastError());
  DWORD error = 0;
  if (!writeAll(writer, file, bytes) || !::SetEndOfFile(file) || !::FlushFileBuffers(file)) error = ::GetLastError();
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

std::optional<std::string> writeFileSafely(const fs::path& requested, std::string_view bytes,
                                           const FileWriter& writer) {
  const fs::path target = resolveTarget(requested);
  const DWORD attributes = ::GetFileAttributesW(target.c_str());
  const bool existing = attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
  if (existing) {
    if (attributes & FILE_ATTRIBUTE_READONLY) return std::string(msg::kReadOnlyFile);
    if (linkCount(target) > 1) return writeInPlace(target, bytes, writer);
  }

  // A name of our own beside the target (same volume, so the move is a rename).
  fs::path temp;
  HANDLE file = INVALID_HANDLE_VALUE;
  for (unsigned attempt = 0; file == INVALID_HANDLE_VALUE; ++attempt) {
    temp = temporaryName(target);
    file = ::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) break;
    const DWORD e = ::GetLastError();
    if (existing && e == ERROR_ACCESS_DENIED) return writeInPlace(target, bytes, writer);
    if (e != ERROR_FILE_EXISTS || attempt == 100) return windowsError(e);
  }

  DWORD error = 0;
  if (!writeAll(writer, file, bytes) || !::FlushFileBuffers(file)) error = ::GetLastError();
  if (!::CloseHandle(file) && error == 0) error = ::GetLastError();
  if (error == 0 && !writer.rename(temp, target)) error = ::GetLastError();
  if (error != 0) {
    ::DeleteFileW(temp.c_str());
    return windowsError(error);
  }
  return std::nullopt;
}

#endif

}  // namespace velkor
