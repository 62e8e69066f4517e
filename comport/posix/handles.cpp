#include "handles.h"

#include <cstdint>
#include <unordered_map>

#include "error_codes.h"

namespace velkor::posix {

namespace {

thread_local DWORD tLastError = 0;

// The errno behind each Win32 code last produced, so that FormatMessageA gives
// the system's own words for it (also on another thread, as the event thread's
// failures are reported on the main thread).
std::mutex gErrnoMutex;
std::unordered_map<DWORD, int> gErrnoForCode;

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
