// The Win32 serial and synchronisation calls the port component uses,
// rebuilt on POSIX (termios, poll/epoll, ioctl). Windows builds include
// <windows.h> instead (see platform.h); nothing here is compiled there.
//
// Model: every HANDLE is a key into one process-wide table of kernel-like
// objects (events and serial devices, handles.h). A closed HANDLE is gone
// from the table, so a late call with it fails with ERROR_INVALID_HANDLE
// instead of touching freed memory. A handle opened with FILE_FLAG_OVERLAPPED
// starts its operations and returns (ERROR_IO_PENDING when one goes on); any
// other runs each call to its end. A finished operation fills in its record
// as Windows does (Internal an NT status, InternalHigh the bytes moved, 4 for
// a wait) and sets its event, or the handle when the record names none. Who
// carries a pending operation forward is said in serial_device.h; every
// waiting thread blocks in poll()/epoll on the device and a wake-up eventfd,
// never in a loop with a short time-out. A call that succeeds leaves the
// last-error value alone, but for CreateFileA and CreateEventA, which clear
// it as on Windows.
//
//   CreateFileA          open(O_NOCTTY|O_NONBLOCK) + TIOCEXCL + flock, raw mode
//   CloseHandle          drop the table entry; a device ends its pending I/O
//   CreateEventA         mutex + condition variable
//   ResetEvent, WaitForSingleObject
//   GetCommState/SetCommState   DCB <-> termios, field by field as the table in
//                        dcb_termios.cpp says: honoured or refused (87); termios2
//                        for rates without a constant (other_rate.cpp), DTR/RTS
//                        by TIOCMBIS/BIC; fParity, fErrorChar and fNull also in
//                        the read path (rx_filter.h), fAbortOnError as an error
//                        state that ClearCommError ends
//   SetupComm            accepted as a hint (Linux queues are fixed)
//   Get/SetCommTimeouts  stored; applied by the emulated transfers
//   SetCommMask, WaitCommEvent  epoll (edge-triggered) on the device + eventfd;
//                        modem lines also through TIOCMIWAIT (modem_watch.h)
//   ReadFile, WriteFile, GetOverlappedResult   non-blocking read/write + poll
//   ClearCommError       FIONREAD, TIOCOUTQ, TIOCGICOUNT differences
//   PurgeComm            tcflush + ending the pending transfers
//   GetCommModemStatus   TIOCMGET
//   GetLastError/SetLastError/FormatMessageA   errno -> Win32 code, strerror text
//   Get/SetPriorityClass nice values (priority.cpp)
//   GetCurrentProcess
//   (thread ids and priorities are the runtime's: runtime/thread_priority.h)
//
// Where it differs from Windows:
// - Pseudo-terminals have no modem lines and no error counters: there
//   GetCommModemStatus fails with ERROR_INVALID_FUNCTION, DTR and RTS go
//   nowhere, and no line error, break or modem-line event is ever reported.
// - EV_RXFLAG, EV_PERR, EV_EVENT1/2 are never reported (a tty does not tell
//   which byte arrived without consuming it). Modem-line changes (EV_CTS,
//   EV_DSR, EV_RING, EV_RLSD) are reported as they happen where the driver
//   has TIOCMIWAIT (serial UARTs, most USB adapters); elsewhere only when the
//   device wakes the waiter for another reason. Breaks and line errors come
//   from the driver's TIOCGICOUNT counters, looked at on every wake: the byte
//   the driver delivers with them is one, whatever the mask asks for.
//   EV_TXEMPTY comes when a look finds the tty's output queue empty: a tty
//   wakes nobody then, so it may come a little after the last byte left.
// - A pending ReadFile or WaitCommEvent moves on only while a thread waits
//   for what it signals, or asks GetOverlappedResult about it (or
//   HasOverlappedIoCompleted, when its record names an event); its record
//   and event mask read directly stay as they were meanwhile. Windows'
//   driver ends it by itself. (A pending WriteFile goes on by itself, on a
//   thread of the device.)
// - On a handle opened without FILE_FLAG_OVERLAPPED Windows runs one call at
//   a time: a blocked WaitCommEvent or ReadFile holds up the others,
//   SetCommMask included. Here calls from other threads go on beside it, and
//   SetCommMask ends such a wait.
// - WaitCommEvent without an OVERLAPPED on a handle opened overlapped fails
//   with ERROR_INVALID_PARAMETER, as ReadFile and WriteFile do. Windows waits
//   on the handle instead, and may take another operation's end for the
//   wait's.
// - CreateFileA: a share mode other than 0 opens the tty without taking it
//   for itself (Windows asks for 0 and keeps a port to one handle); flags
//   other than FILE_FLAG_OVERLAPPED and the attributes are ignored.
//   CreateEventA ignores names: every call makes a new event.
//   WaitForSingleObject waits for events and devices only.
// - SetupComm's sizes are a hint; the input size only sets where EV_RX80FULL
//   is raised. SetCommState refuses (87) what the tty cannot honour and
//   Windows would take (DSR flow control, DTR handshake, RTS toggle...; the
//   table in dcb_termios.cpp). ClearCommError's COMSTAT flags (fCtsHold...)
//   are always 0.
// - FormatMessageA gives the system's text for the errno behind a code, not
//   Windows' wording.
// - SetPriorityClass sets nice values: what this user may not raise stays as
//   it was, and the call still succeeds.
#pragma once

#include "win32_types.h"

HANDLE CreateFileA(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                   DWORD creation, DWORD flags, HANDLE templateFile);
BOOL CloseHandle(HANDLE h);
HANDLE CreateEventA(LPSECURITY_ATTRIBUTES security, BOOL manualReset, BOOL initialState,
                    LPCSTR name);
BOOL SetEvent(HANDLE h);
BOOL ResetEvent(HANDLE h);
DWORD WaitForSingleObject(HANDLE h, DWORD milliseconds);

BOOL GetCommState(HANDLE h, DCB* dcb);
BOOL SetCommState(HANDLE h, DCB* dcb);
BOOL SetupComm(HANDLE h, DWORD inQueue, DWORD outQueue);
BOOL GetCommTimeouts(HANDLE h, COMMTIMEOUTS* timeouts);
BOOL SetCommTimeouts(HANDLE h, COMMTIMEOUTS* timeouts);
BOOL SetCommMask(HANDLE h, DWORD mask);
BOOL WaitCommEvent(HANDLE h, LPDWORD events, LPOVERLAPPED overlapped);
BOOL ReadFile(HANDLE h, LPVOID buffer, DWORD toRead, LPDWORD read, LPOVERLAPPED overlapped);
BOOL WriteFile(HANDLE h, LPCVOID buffer, DWORD toWrite, LPDWORD written,
               LPOVERLAPPED overlapped);
BOOL GetOverlappedResult(HANDLE h, LPOVERLAPPED overlapped, LPDWORD transferred, BOOL wait);
// A macro on Windows; here a call, which also moves a pending read or wait on.
bool HasOverlappedIoCompleted(const OVERLAPPED* overlapped);
BOOL ClearCommError(HANDLE h, LPDWORD errors, COMSTAT* status);
BOOL PurgeComm(HANDLE h, DWORD flags);
BOOL GetCommModemStatus(HANDLE h, LPDWORD status);

DWORD GetLastError();
void SetLastError(DWORD code);
DWORD FormatMessageA(DWORD flags, LPCVOID source, DWORD messageId, DWORD languageId,
                     LPSTR buffer, DWORD size, void* arguments);

HANDLE GetCurrentProcess();
DWORD GetPriorityClass(HANDLE process);
BOOL SetPriorityClass(HANDLE process, DWORD priorityClass);
