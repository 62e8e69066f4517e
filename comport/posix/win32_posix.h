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

#include <cstddef>
#include <cstdint>
#include <string>

struct termios;

// Win32 base types, same widths as on Windows.
using BOOL = int;
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using ULONG_PTR = std::uintptr_t;
using HANDLE = void*;
using LPVOID = void*;
using LPCVOID = const void*;
using LPCSTR = const char*;
using LPSTR = char*;
using LPDWORD = DWORD*;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif
#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1)))
#define INFINITE 0xFFFFFFFFu
#define MAXDWORD 0xFFFFFFFFu

constexpr DWORD WAIT_OBJECT_0 = 0x00000000;
constexpr DWORD WAIT_TIMEOUT = 0x00000102;
constexpr DWORD WAIT_FAILED = 0xFFFFFFFF;

constexpr DWORD GENERIC_READ = 0x80000000;
constexpr DWORD GENERIC_WRITE = 0x40000000;
constexpr DWORD OPEN_EXISTING = 3;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x00000080;
constexpr DWORD FILE_FLAG_OVERLAPPED = 0x40000000;

// Win32 error codes this layer produces.
constexpr DWORD ERROR_SUCCESS = 0;
constexpr DWORD ERROR_INVALID_FUNCTION = 1;
constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
constexpr DWORD ERROR_PATH_NOT_FOUND = 3;
constexpr DWORD ERROR_TOO_MANY_OPEN_FILES = 4;
constexpr DWORD ERROR_ACCESS_DENIED = 5;
constexpr DWORD ERROR_INVALID_HANDLE = 6;
constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
constexpr DWORD ERROR_GEN_FAILURE = 31;
constexpr DWORD ERROR_INVALID_PARAMETER = 87;
constexpr DWORD ERROR_OPERATION_ABORTED = 995;
constexpr DWORD ERROR_IO_INCOMPLETE = 996;
constexpr DWORD ERROR_IO_PENDING = 997;

constexpr DWORD FORMAT_MESSAGE_IGNORE_INSERTS = 0x00000200;
constexpr DWORD FORMAT_MESSAGE_FROM_SYSTEM = 0x00001000;
constexpr DWORD FORMAT_MESSAGE_ARGUMENT_ARRAY = 0x00002000;

constexpr DWORD PURGE_TXABORT = 0x0001;
constexpr DWORD PURGE_RXABORT = 0x0002;
constexpr DWORD PURGE_TXCLEAR = 0x0004;
constexpr DWORD PURGE_RXCLEAR = 0x0008;

constexpr DWORD EV_RXCHAR = 0x0001;
constexpr DWORD EV_RXFLAG = 0x0002;
constexpr DWORD EV_TXEMPTY = 0x0004;
constexpr DWORD EV_CTS = 0x0008;
constexpr DWORD EV_DSR = 0x0010;
constexpr DWORD EV_RLSD = 0x0020;
constexpr DWORD EV_BREAK = 0x0040;
constexpr DWORD EV_ERR = 0x0080;
constexpr DWORD EV_RING = 0x0100;
constexpr DWORD EV_PERR = 0x0200;
constexpr DWORD EV_RX80FULL = 0x0400;
constexpr DWORD EV_EVENT1 = 0x0800;
constexpr DWORD EV_EVENT2 = 0x1000;

constexpr DWORD CE_RXOVER = 0x0001;
constexpr DWORD CE_OVERRUN = 0x0002;
constexpr DWORD CE_RXPARITY = 0x0004;
constexpr DWORD CE_FRAME = 0x0008;
constexpr DWORD CE_BREAK = 0x0010;

constexpr DWORD MS_CTS_ON = 0x0010;
constexpr DWORD MS_DSR_ON = 0x0020;
constexpr DWORD MS_RING_ON = 0x0040;
constexpr DWORD MS_RLSD_ON = 0x0080;

constexpr BYTE NOPARITY = 0, ODDPARITY = 1, EVENPARITY = 2, MARKPARITY = 3, SPACEPARITY = 4;
constexpr BYTE ONESTOPBIT = 0, ONE5STOPBITS = 1, TWOSTOPBITS = 2;
constexpr DWORD DTR_CONTROL_DISABLE = 0, DTR_CONTROL_ENABLE = 1, DTR_CONTROL_HANDSHAKE = 2;
constexpr DWORD RTS_CONTROL_DISABLE = 0, RTS_CONTROL_ENABLE = 1, RTS_CONTROL_HANDSHAKE = 2,
                RTS_CONTROL_TOGGLE = 3;

constexpr DWORD IDLE_PRIORITY_CLASS = 0x40;
constexpr DWORD NORMAL_PRIORITY_CLASS = 0x20;
constexpr DWORD HIGH_PRIORITY_CLASS = 0x80;
constexpr DWORD REALTIME_PRIORITY_CLASS = 0x100;
constexpr DWORD BELOW_NORMAL_PRIORITY_CLASS = 0x4000;
constexpr DWORD ABOVE_NORMAL_PRIORITY_CLASS = 0x8000;

// Same layout as the Win32 record (28 bytes, flag bits LSB first).
struct DCB {
  DWORD DCBlength;
  DWORD BaudRate;
  DWORD fBinary : 1;
  DWORD fParity : 1;
  DWORD fOutxCtsFlow : 1;
  DWORD fOutxDsrFlow : 1;
  DWORD fDtrControl : 2;
  DWORD fDsrSensitivity : 1;
  DWORD fTXContinueOnXoff : 1;
  DWORD fOutX : 1;
  DWORD fInX : 1;
  DWORD fErrorChar : 1;
  DWORD fNull : 1;
  DWORD fRtsControl : 2;
  DWORD fAbortOnError : 1;
  DWORD fDummy2 : 17;
  WORD wReserved;
  WORD XonLim;
  WORD XoffLim;
  BYTE ByteSize;
  BYTE Parity;
  BYTE StopBits;
  char XonChar;
  char XoffChar;
  char ErrorChar;
  char EofChar;
  char EvtChar;
  WORD wReserved1;
};
static_assert(sizeof(DCB) == 28, "DCB must keep the Win32 layout");

struct COMMTIMEOUTS {
  DWORD ReadIntervalTimeout;
  DWORD ReadTotalTimeoutMultiplier;
  DWORD ReadTotalTimeoutConstant;
  DWORD WriteTotalTimeoutMultiplier;
  DWORD WriteTotalTimeoutConstant;
};

struct COMSTAT {
  DWORD Flags;  // fCtsHold... bit field on Windows; unused here
  DWORD cbInQue;
  DWORD cbOutQue;
};

struct OVERLAPPED {
  ULONG_PTR Internal;      // NT status of the operation: STATUS_PENDING until it ends
  ULONG_PTR InternalHigh;  // bytes moved (a finished WaitCommEvent: sizeof(DWORD))
  DWORD Offset;
  DWORD OffsetHigh;
  HANDLE hEvent;
};

constexpr DWORD STATUS_PENDING = 0x00000103;

struct SECURITY_ATTRIBUTES;
using LPSECURITY_ATTRIBUTES = SECURITY_ATTRIBUTES*;
using LPOVERLAPPED = OVERLAPPED*;

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

namespace velkor::posix {

// Device path that a port name opens: COM1..COM4 (also spelt \\.\COM1...)
// map to the usual Linux nodes unless VELKOR_COM1..VELKOR_COM4 say otherwise;
// anything else is a path.
// getenvFn defaults to the process environment.
std::string DevicePathFor(const std::string& name,
                          const char* (*getenvFn)(const char*) = nullptr);

// errno -> Win32 code, for opening (missing device -> 2) and for transfers
// (a vanished or hung-up line -> 5).
DWORD ErrorFromErrnoOnOpen(int err);
DWORD ErrorFromErrno(int err);

// The tty calls under the layer: attributes, modem lines and line-error
// counters of a device. Real ttys answer through tcgetattr/ioctl; tests
// substitute a fake for a given path (ptys have no lines or counters).
struct LineCounters {
  std::uint32_t frame = 0, overrun = 0, parity = 0, brk = 0, bufOverrun = 0;
  std::uint32_t cts = 0, dsr = 0, rng = 0, dcd = 0;  // modem-line changes
};
class TtyLines {
 public:
  virtual ~TtyLines() = default;
  // Return 0 or an errno value.
  virtual int GetAttributes(int fd, termios* tio);
  virtual int SetAttributes(int fd, const termios& tio);
  virtual int GetModemBits(int fd, int* tiocmBits);
  virtual int SetModemBits(int fd, int tiocmSet, int tiocmClear);
  virtual int GetCounters(int fd, LineCounters* counters);
  // Blocks until CTS, DSR, RING or DCD changes (TIOCMIWAIT). EINTR when a
  // signal ends it; ENOTTY or EINVAL where the driver has no such wait.
  virtual int WaitModemChange(int fd);
};
// Installs lines for the devices opened from now on with this exact path;
// nullptr removes it. The object must outlive those devices.
void SetTtyLinesForPath(const char* path, TtyLines* lines);


}  // namespace velkor::posix
