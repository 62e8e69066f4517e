#include "image/atomic_write.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
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

// The errno a test's hook asks for at this step, 0 when none.
int injected(save_faults::Step step, std::size_t& length) {
  return save_faults::hook ? save_faults::hook(step, length) : 0;
}

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
  std::size_t unused = 0;
  if (const int e = error.empty() ? injected(save_faults::Step::Rename, unused) : 0) {
    errno = e;
    error = systemError();
  }
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

namespace {

// The system's text for an error, in UTF-8 like every other message.
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
  return message.empty() ? "erreur " + std::to_string(code) : message;
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

}  // namespace

std::optional<std::string> writeFileAtomically(const fs::path& requested, std::string_view bytes) {
  const fs::path target = resolveTarget(requested);
  // A name of our own beside the target (same volume, so the move is a rename).
  fs::path temp;
  HANDLE file = INVALID_HANDLE_VALUE;
  for (unsigned attempt = 0; file == INVALID_HANDLE_VALUE; ++attempt) {
    temp = folderOf(target) / (L"." + target.filename().wstring() + L"." +
                               std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(attempt));
    file = ::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE && (::GetLastError() != ERROR_FILE_EXISTS || attempt == 1000))
      return windowsError(::GetLastError());
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
