#include "error_codes.h"

#include <cerrno>

namespace velkor::posix {

DWORD ErrorFromErrnoOnOpen(int err) {
  switch (err) {
    case ENOENT:
    case ENXIO:
    case ENODEV: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    default: return ErrorFromErrno(err);
  }
}

DWORD ErrorFromErrno(int err) {
  switch (err) {
    case 0: return ERROR_SUCCESS;
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EMFILE:
    case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
    case EACCES:
    case EPERM:
    case EBUSY:
    case EWOULDBLOCK:
    // The adapter is gone or the line hung up.
    case EIO:
    case ENXIO:
    case ENODEV: return ERROR_ACCESS_DENIED;
    case EBADF: return ERROR_INVALID_HANDLE;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case EINVAL: return ERROR_INVALID_PARAMETER;
    case ENOTTY: return ERROR_INVALID_FUNCTION;
    case ECANCELED: return ERROR_OPERATION_ABORTED;
    default: return ERROR_GEN_FAILURE;
  }
}

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

}  // namespace velkor::posix
