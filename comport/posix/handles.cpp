#include "handles.h"

#include <cerrno>
#include <cstdint>
#include <unordered_map>

namespace velkor::posix {

namespace {

thread_local DWORD tLastError = 0;

// The errno behind each Win32 code last produced, so that FormatMessageA gives
// the system's own words for it (also on another thread, as the event thread's
// failures are reported on the main thread).
std::mutex gErrnoMutex;
std::unordered_map<DWORD, int> gErrnoForCode;

int DefaultErrnoFor(DWORD code) {
  switch (code) {
    case ERROR_INVALID_FUNCTION: return ENOTTY;
    case ERROR_FILE_NOT_FOUND: return ENOENT;
    case ERROR_PATH_NOT_FOUND: return ENOTDIR;
    case ERROR_TOO_MANY_OPEN_FILES: return EMFILE;
    case ERROR_ACCESS_DENIED: return EACCES;
    case ERROR_INVALID_HANDLE: return EBADF;
    case ERROR_NOT_ENOUGH_MEMORY: return ENOMEM;
    case ERROR_GEN_FAILURE: return EIO;
    case ERROR_INVALID_PARAMETER: return EINVAL;
    case ERROR_OPERATION_ABORTED: return ECANCELED;
    default: return 0;
  }
}

std::mutex gTableMutex;
std::unordered_map<std::uintptr_t, std::shared_ptr<Object>> gTable;
std::uintptr_t gNextHandle = 0x100;

}  // namespace

void NoteErrno(DWORD code, int err) {
  if (err == 0) return;
  std::lock_guard lk(gErrnoMutex);
  gErrnoForCode[code] = err;
}

void Fail(DWORD code, int err) {
  NoteErrno(code, err);
  tLastError = code;
}

void FailErrno(int err) { Fail(ErrorFromErrno(err), err); }

int ErrnoForCode(DWORD code) {
  std::lock_guard lk(gErrnoMutex);
  auto it = gErrnoForCode.find(code);
  return it != gErrnoForCode.end() ? it->second : DefaultErrnoFor(code);
}

DWORD LastError() { return tLastError; }
void SetLastErrorValue(DWORD code) { tLastError = code; }

namespace {

// The NT status behind each Win32 code this layer produces.
struct StatusError {
  ULONG_PTR status;
  DWORD error;
};
constexpr StatusError kStatusErrors[] = {
    {0xC0000010, ERROR_INVALID_FUNCTION},     // STATUS_INVALID_DEVICE_REQUEST
    {0xC000000F, ERROR_FILE_NOT_FOUND},       // STATUS_NO_SUCH_FILE
    {0xC000003A, ERROR_PATH_NOT_FOUND},       // STATUS_OBJECT_PATH_NOT_FOUND
    {0xC000011F, ERROR_TOO_MANY_OPEN_FILES},  // STATUS_TOO_MANY_OPENED_FILES
    {0xC0000022, ERROR_ACCESS_DENIED},        // STATUS_ACCESS_DENIED
    {0xC0000008, ERROR_INVALID_HANDLE},       // STATUS_INVALID_HANDLE
    {0xC0000017, ERROR_NOT_ENOUGH_MEMORY},    // STATUS_NO_MEMORY
    {0xC0000001, ERROR_GEN_FAILURE},          // STATUS_UNSUCCESSFUL
    {0xC000000D, ERROR_INVALID_PARAMETER},    // STATUS_INVALID_PARAMETER
    {0xC0000120, ERROR_OPERATION_ABORTED},    // STATUS_CANCELLED
};

}  // namespace

ULONG_PTR StatusForError(DWORD code) {
  if (code == ERROR_SUCCESS) return kStatusSuccess;
  for (const StatusError& e : kStatusErrors)
    if (e.error == code) return e.status;
  return 0xC0000001;
}

DWORD ErrorForStatus(ULONG_PTR status) {
  if (StatusSucceeded(status)) return ERROR_SUCCESS;
  for (const StatusError& e : kStatusErrors)
    if (e.status == status) return e.error;
  return ERROR_GEN_FAILURE;
}

HANDLE Insert(std::shared_ptr<Object> obj) {
  std::lock_guard lk(gTableMutex);
  gNextHandle += 4;  // never reused, so a stale handle cannot reach a newer object
  gTable.emplace(gNextHandle, std::move(obj));
  return reinterpret_cast<HANDLE>(gNextHandle);
}

std::shared_ptr<Object> LookupObject(HANDLE h) {
  std::lock_guard lk(gTableMutex);
  auto it = gTable.find(reinterpret_cast<std::uintptr_t>(h));
  return it == gTable.end() ? nullptr : it->second;
}

std::shared_ptr<Object> Remove(HANDLE h) {
  std::lock_guard lk(gTableMutex);
  auto it = gTable.find(reinterpret_cast<std::uintptr_t>(h));
  if (it == gTable.end()) return nullptr;
  auto obj = std::move(it->second);
  gTable.erase(it);
  return obj;
}

}  // namespace velkor::posix
