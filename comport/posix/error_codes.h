// Inside the POSIX layer: how its failures are told in Win32 terms. An errno
// becomes the Win32 code a caller sees; an operation's end is an NT status in
// its OVERLAPPED record, as on Windows.
#pragma once

#include "win32_types.h"

namespace velkor::posix {

// errno -> Win32 code, for opening (missing device -> 2) and for transfers
// (a vanished or hung-up line -> 5).
DWORD ErrorFromErrnoOnOpen(int err);
DWORD ErrorFromErrno(int err);
// The errno a Win32 code stands for when none was noted with it, for its
// text; 0 when there is none.
int DefaultErrnoFor(DWORD code);

// OVERLAPPED.Internal holds the NT status of the operation, as on Windows.
constexpr ULONG_PTR kStatusSuccess = 0;
constexpr ULONG_PTR kStatusTimeout = 0x00000102;  // a success: fewer bytes, no error
inline bool StatusSucceeded(ULONG_PTR status) { return (status & 0x80000000) == 0; }
ULONG_PTR StatusForError(DWORD code);
DWORD ErrorForStatus(ULONG_PTR status);

}  // namespace velkor::posix
