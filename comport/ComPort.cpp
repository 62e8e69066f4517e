#include "ComPort.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "com_thread.h"
#include "platform.h"

namespace velkor {

// What an open port holds of the platform. The wait record's event is the
// wait event (auto-reset); the read and write records take the read- and
// write-completion events (manual-reset) when a transfer starts.
struct TCustomComPort::TDevice {
  HANDLE Handle = INVALID_HANDLE_VALUE;
  HANDLE ReadEvent = nullptr;
  HANDLE WriteEvent = nullptr;
  OVERLAPPED WaitOverlapped{};
  OVERLAPPED ReadOverlapped{};
  OVERLAPPED WriteOverlapped{};
  DWORD Events = 0;        // filled in by the last wait
  DWORD ReadRequest = 0;   // bytes the current read asked for
  DWORD WriteRequest = 0;  // bytes the current write asked for
  DWORD WaitError = 0;     // code of the event thread's last failed wait
};

namespace {

constexpr std::int32_t kRates[] = {0,     50,    75,    110,    150,    300,    600,
                                   1200,  1800,  2000,  2400,   3600,   4800,   7200,
                                   9600,  10400, 14400, 15625,  19200,  28800,  38400,
                                   56000, 57600, 115200, 128000, 256000, 0};
constexpr DWORD kOptionFlags[] = {0x0002, 0x0004, 0x0008, 0x0040, 0x0080, 0x0400, 0x0800, 0x4000};
constexpr DWORD kDtrValues[] = {0, 0x0000, 0x0010, 0x0020};
constexpr DWORD kRtsValues[] = {0, 0x0000, 0x1000, 0x2000, 0x3000};
constexpr DWORD kXOnXOffValues[] = {0, 0x0000, 0x0200, 0x0100, 0x0300};
constexpr DWORD kPriorityClasses[] = {0, 0x40, 0x20, 0x80, 0x100};
static_assert(std::size(kRates) == brCustom + 1);
static_assert(std::size(kOptionFlags) == opAbortOnError + 1);
static_assert(std::size(kDtrValues) == dcHandshake + 1);
static_assert(std::size(kRtsValues) == rcToggle + 1);
static_assert(std::size(kXOnXOffValues) == xcInputOutput + 1);
static_assert(std::size(kPriorityClasses) == pcRealTime + 1);

struct LineErrorBit {
  TLineError error;
  DWORD bit;
};
constexpr LineErrorBit kLineErrorBits[] = {
    {leBreak, 0x0010},  {leDeviceNotSelected, 0x0800}, {leFrame, 0x0008},
    {leIO, 0x0400},     {leMode, 0x8000},              {leOutOfPaper, 0x1000},
    {leOverrun, 0x0002}, {leDeviceTimeOut, 0x0200},    {leRxOverflow, 0x0001},
    {leParity, 0x0004}, {leTxFull, 0x0100}};

static_assert(std::size(kLineErrorBits) == leTxFull + 1);

// A device-event handler: its event bit, its place in a dispatch, whether it
// is assigned, and its call. OnLineError is called through PollLineErrors,
// which calls it only when the device reports errors, and clears them.
struct EventRow {
  DWORD bit;
  int rank;
  bool (*assigned)(const TCustomComPort&);
  void (*fire)(TCustomComPort&);
};
void Fire(TCustomComPort& port, const TNotifyEvent& handler) {
  if (handler) handler(&port);
}
void Fire(TCustomComPort& port, const TLineErrorEvent& handler) {
  if (handler) port.PollLineErrors();
}

// The device events in the order DispatchEvents serves them.
#define VELKOR_NO_ROW(Type, Name)
#define VELKOR_EVENT_ROW(Type, Name, Bit, Rank)                                     \
  EventRow{Bit, Rank, [](const TCustomComPort& p) { return p.Name().Assigned(); }, \
           [](TCustomComPort& p) { Fire(p, p.Name()); }},
constexpr auto kEventRows = [] {
  std::array rows{VELKOR_COM_HANDLERS(VELKOR_NO_ROW, VELKOR_EVENT_ROW)};
  std::sort(rows.begin(), rows.end(), [](const EventRow& a, const EventRow& b) { return a.rank < b.rank; });
  return rows;
}();
#undef VELKOR_NO_ROW
#undef VELKOR_EVENT_ROW
constexpr bool RanksFollowOneAnother() {
  for (std::size_t i = 0; i < kEventRows.size(); ++i)
    if (kEventRows[i].rank != static_cast<int>(i) + 1) return false;
  return true;
}
static_assert(kEventRows.size() == 13 && RanksFollowOneAnother());

// DCB flag bits are a bit field on Windows; the component works on the word.
constexpr std::size_t kDcbFlagsOffset = 2 * sizeof(DWORD);
DWORD GetDcbFlags(const DCB& dcb) {
  DWORD w;
  std::memcpy(&w, reinterpret_cast<const unsigned char*>(&dcb) + kDcbFlagsOffset, sizeof w);
  return w;
}
void SetDcbFlags(DCB& dcb, DWORD w) {
  std::memcpy(reinterpret_cast<unsigned char*>(&dcb) + kDcbFlagsOffset, &w, sizeof w);
}

}  // namespace

std::int32_t BaudRateValue(TBaudRate rate) { return kRates[rate]; }
std::uint32_t OptionFlag(TOption option) { return kOptionFlags[option]; }
std::uint32_t PriorityClassValue(TPriorityClass pc) { return kPriorityClasses[pc]; }

TLineErrors ToLineErrors(std::uint32_t errors) {
  TLineErrors set;
  for (const auto& e : kLineErrorBits)
    if (errors & e.bit) set.Include(e.error);
  return set;
}

std::string PortDevicePath(const std::string& name) {
#ifdef _WIN32
  return name;
#else
  return posix::DevicePathFor(name);
#endif
}

// ---------------------------------------------------------------- settings objects

#define VELKOR_SETTER(Class, Type, Name, Apply) \
  void Class::Set##Name(Type v) {               \
    if (v == F##Name) return;                   \
    F##Name = v;                                \
    FComPort->Apply();                          \
  }

VELKOR_SETTER(TFlowControl, TDTRControl, DTR, ApplyLineSettings)
VELKOR_SETTER(TFlowControl, TRTSControl, RTS, ApplyLineSettings)
VELKOR_SETTER(TFlowControl, TXOnXOffControl, XOnXOff, ApplyLineSettings)
VELKOR_SETTER(TFlowControl, std::uint16_t, XOnLimit, ApplyLineSettings)
VELKOR_SETTER(TFlowControl, std::uint16_t, XOffLimit, ApplyLineSettings)
VELKOR_SETTER(TCharacters, char, XOn, ApplyLineSettings)
VELKOR_SETTER(TCharacters, char, XOff, ApplyLineSettings)
VELKOR_SETTER(TCharacters, char, Error, ApplyLineSettings)
VELKOR_SETTER(TCharacters, char, Eof, ApplyLineSettings)
VELKOR_SETTER(TCharacters, char, Event, ApplyLineSettings)
VELKOR_SETTER(TBufferSizes, std::int32_t, Input, ApplyBufferSizes)
VELKOR_SETTER(TBufferSizes, std::int32_t, Output, ApplyBufferSizes)
VELKOR_SETTER(TTimeouts, std::int32_t, ReadInterval, ApplyTimeouts)
VELKOR_SETTER(TTimeouts, std::int32_t, ReadMultiplier, ApplyTimeouts)
VELKOR_SETTER(TTimeouts, std::int32_t, ReadConstant, ApplyTimeouts)
VELKOR_SETTER(TTimeouts, std::int32_t, WriteMultiplier, ApplyTimeouts)
VELKOR_SETTER(TTimeouts, std::int32_t, WriteConstant, ApplyTimeouts)
#undef VELKOR_SETTER

// Copying goes through the setters: only changed values reach the device.
void TFlowControl::Assign(const TPersistent& source) {
  const auto& s = dynamic_cast<const TFlowControl&>(source);
  SetDTR(s.FDTR);
  SetRTS(s.FRTS);
  SetXOnXOff(s.FXOnXOff);
  SetXOnLimit(s.FXOnLimit);
  SetXOffLimit(s.FXOffLimit);
}

void TCharacters::Assign(const TPersistent& source) {
  const auto& s = dynamic_cast<const TCharacters&>(source);
  SetXOn(s.FXOn);
  SetXOff(s.FXOff);
  SetError(s.FError);
  SetEof(s.FEof);
  SetEvent(s.FEvent);
}

void TBufferSizes::Assign(const TPersistent& source) {
  const auto& s = dynamic_cast<const TBufferSizes&>(source);
  SetInput(s.FInput);
  SetOutput(s.FOutput);
}

void TTimeouts::Assign(const TPersistent& source) {
  const auto& s = dynamic_cast<const TTimeouts&>(source);
  SetReadInterval(s.FReadInterval);
  SetReadMultiplier(s.FReadMultiplier);
  SetReadConstant(s.FReadConstant);
  SetWriteMultiplier(s.FWriteMultiplier);
  SetWriteConstant(s.FWriteConstant);
}

// ---------------------------------------------------------------- construction

TCustomComPort::TCustomComPort(TComponent* owner)
    : TComponent(owner), FDevice(std::make_unique<TDevice>()), FDeviceName("COM2") {
  FFlowControl = std::make_unique<TFlowControl>(this);
  FCharacters = std::make_unique<TCharacters>(this);
  FBufferSizes = std::make_unique<TBufferSizes>(this);
  FTimeouts = std::make_unique<TTimeouts>(this);
}

TCustomComPort::~TCustomComPort() {
  *FAlive = false;
  try {
    Close();
  } catch (...) {
    // A handler's failure cannot leave a destructor.
  }
  ReleaseDevice();
  SettleRetiredThreads(true);
  FTimeouts.reset();
  FBufferSizes.reset();
  FCharacters.reset();
  FFlowControl.reset();
}

bool TCustomComPort::Active() const { return FDevice->Handle != INVALID_HANDLE_VALUE; }

std::string TCustomComPort::About() const { return "VELKOR serial port component 1.0"; }

// ---------------------------------------------------------------- open and close

void TCustomComPort::SetActive(bool value) {
  if (value != Active() && !IsLoading()) {
    if (value)
      Open();
    else
      Close();
  }
  FRecordedActive = value;
}

void TCustomComPort::FinishLoading() {
  TComponent::FinishLoading();
  SetActive(FRecordedActive);
}

void TCustomComPort::Open() {
  if (Active()) return;
  if (FBeforeOpen) FBeforeOpen(this);
  OpenDevice();
  if (Active() && FAfterOpen) FAfterOpen(this);
}

void TCustomComPort::Close() {
  if (TComThread* self = TComThread::Current(); self && self->ComPort() == this) {
    // On the event thread: the main thread closes, this thread waits for it.
    self->HandOver([this] { Close(); });
    return;
  }
  if (!Active()) return;
  if (FBeforeClose) FBeforeClose(this);
  ReleaseDevice();
  if (!Active() && FAfterClose) FAfterClose(this);
}

void TCustomComPort::OpenDevice() {
  ReleaseDevice();
  ::SetLastError(0);
  try {
    if (FPriorityClass != pcDefault) {
      FSavedPriorityClass = static_cast<std::int32_t>(::GetPriorityClass(::GetCurrentProcess()));
      ::SetPriorityClass(::GetCurrentProcess(), PriorityClassValue(FPriorityClass));
    }
    std::memset(&FDevice->WaitOverlapped, 0, sizeof FDevice->WaitOverlapped);
    FDevice->WaitOverlapped.hEvent = ::CreateEventA(nullptr, FALSE, FALSE, nullptr);
    CheckSystemResult(FDevice->WaitOverlapped.hEvent != nullptr);
    FDevice->ReadEvent = ::CreateEventA(nullptr, TRUE, TRUE, nullptr);
    CheckSystemResult(FDevice->ReadEvent != nullptr);
    FDevice->WriteEvent = ::CreateEventA(nullptr, TRUE, TRUE, nullptr);
    CheckSystemResult(FDevice->WriteEvent != nullptr);
    FDevice->Handle = ::CreateFileA(FDeviceName.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED, nullptr);
    CheckSystemResult(FDevice->Handle != INVALID_HANDLE_VALUE);
    DiscardInput();
    DiscardOutput();
    ApplyBufferSizes();
    ApplyLineSettings();
    ApplyTimeouts();
    ApplyEventMask();
  } catch (...) {
    ReleaseDevice();
    throw;
  }
}

void TCustomComPort::ReleaseDevice() {
  StopEventThread();
  FReadUnchecked = FWriteUnchecked = false;
  if (FDevice->Handle != INVALID_HANDLE_VALUE) {
    ::CloseHandle(FDevice->Handle);
    FDevice->Handle = INVALID_HANDLE_VALUE;
  }
  if (FDevice->WriteEvent) {
    ::CloseHandle(FDevice->WriteEvent);
    FDevice->WriteEvent = nullptr;
  }
  if (FDevice->ReadEvent) {
    ::CloseHandle(FDevice->ReadEvent);
    FDevice->ReadEvent = nullptr;
  }
  if (FDevice->WaitOverlapped.hEvent) {
    ::CloseHandle(FDevice->WaitOverlapped.hEvent);
    FDevice->WaitOverlapped.hEvent = nullptr;
  }
  if (FSavedPriorityClass != -1) {
    ::SetPriorityClass(::GetCurrentProcess(), static_cast<DWORD>(FSavedPriorityClass));
    FSavedPriorityClass = -1;
  }
}

void TCustomComPort::DiscardInput() {
  if (!Active()) return;
  FReadUnchecked = false;
  CheckSystemResult(::PurgeComm(FDevice->Handle, PURGE_RXABORT | PURGE_RXCLEAR));
}

void TCustomComPort::DiscardOutput() {
  if (!Active()) return;
  FWriteUnchecked = false;
  CheckSystemResult(::PurgeComm(FDevice->Handle, PURGE_TXABORT | PURGE_TXCLEAR));
}

// ---------------------------------------------------------------- applying settings

void TCustomComPort::ApplyLineSettings() {
  if (!Active()) return;
  DCB dcb;
  std::memset(&dcb, 0, sizeof dcb);
  dcb.DCBlength = sizeof(DCB);
  CheckSystemResult(::GetCommState(FDevice->Handle, &dcb));

  if (FBaudRate != brDefault) dcb.BaudRate = static_cast<DWORD>(CustomBaudRate());
  if (FDataBits != dbDefault) dcb.ByteSize = static_cast<BYTE>(FDataBits + 3);  // db4 -> 4
  if (FParity != paDefault) dcb.Parity = static_cast<BYTE>(FParity - 1);        // paNone -> 0
  if (FStopBits != sbDefault) dcb.StopBits = static_cast<BYTE>(FStopBits - 1);  // sb1 -> 0
  dcb.XonChar = FCharacters->XOn();
  dcb.XoffChar = FCharacters->XOff();
  dcb.ErrorChar = FCharacters->Error();
  dcb.EofChar = FCharacters->Eof();
  dcb.EvtChar = FCharacters->Event();

  DWORD flags = GetDcbFlags(dcb);
  if (FFlowControl->DTR() != dcDefault) flags = (flags & ~DWORD{0x0030}) | kDtrValues[FFlowControl->DTR()];
  if (FFlowControl->RTS() != rcDefault) flags = (flags & ~DWORD{0x3000}) | kRtsValues[FFlowControl->RTS()];
  if (FFlowControl->XOnXOff() != xcDefault)
    flags = (flags & ~DWORD{0x0300}) | kXOnXOffValues[FFlowControl->XOnXOff()];
  for (unsigned o = opCheckParity; o <= opAbortOnError; ++o) {
    const auto option = static_cast<TOption>(o);
    if (FOptions.Contains(option))
      flags |= OptionFlag(option);
    else
      flags &= ~OptionFlag(option);
  }
  SetDcbFlags(dcb, flags);
  dcb.XonLim = FFlowControl->XOnLimit();
  dcb.XoffLim = FFlowControl->XOffLimit();

  CheckSystemResult(::SetCommState(FDevice->Handle, &dcb));
}

void TCustomComPort::ApplyBufferSizes() {
  if (!Active()) return;
  CheckSystemResult(::SetupComm(FDevice->Handle, static_cast<DWORD>(FBufferSizes->Input()),
                                static_cast<DWORD>(FBufferSizes->Output())));
}

void TCustomComPort::ApplyTimeouts() {
  if (!Active()) return;
  COMMTIMEOUTS t;
  CheckSystemResult(::GetCommTimeouts(FDevice->Handle, &t));
  t.ReadIntervalTimeout = static_cast<DWORD>(FTimeouts->ReadInterval());
  t.ReadTotalTimeoutMultiplier = static_cast<DWORD>(FTimeouts->ReadMultiplier());
  t.ReadTotalTimeoutConstant = static_cast<DWORD>(FTimeouts->ReadConstant());
  t.WriteTotalTimeoutMultiplier = static_cast<DWORD>(FTimeouts->WriteMultiplier());
  t.WriteTotalTimeoutConstant = static_cast<DWORD>(FTimeouts->WriteConstant());
  CheckSystemResult(::SetCommTimeouts(FDevice->Handle, &t));
}

// ---------------------------------------------------------------- properties

void TCustomComPort::SetBaudRate(TBaudRate v) {
  if (v == FBaudRate) return;
  FBaudRate = v;
  ApplyLineSettings();
}

std::int32_t TCustomComPort::CustomBaudRate() const {
  return FBaudRate == brCustom ? FCustomBaudRate : BaudRateValue(FBaudRate);
}

void TCustomComPort::SetCustomBaudRate(std::int32_t v) {
  if (v == FCustomBaudRate) return;
  FCustomBaudRate = v;
  FBaudRate = brCustom;
  ApplyLineSettings();
}

void TCustomComPort::SetDataBits(TDataBits v) {
  if (v == FDataBits) return;
  FDataBits = v;
  ApplyLineSettings();
}

void TCustomComPort::SetDeviceName(const std::string& v) {
  if (v == FDeviceName) return;
  RequireClosed();
  FDeviceName = v;
}

void TCustomComPort::SetOptions(TOptions v) {
  if (v == FOptions) return;
  FOptions = v;
  ApplyLineSettings();
}

void TCustomComPort::SetParity(TParity v) {
  if (v == FParity) return;
  FParity = v;
  ApplyLineSettings();
}

void TCustomComPort::SetPriorityClass(TPriorityClass v) {
  if (v == FPriorityClass) return;
  RequireClosed();
  FPriorityClass = v;
}

void TCustomComPort::SetStopBits(TStopBits v) {
  if (v == FStopBits) return;
  FStopBits = v;
  ApplyLineSettings();
}

void TCustomComPort::SetSynchronizeEvents(bool v) {
  if (v == FSynchronizeEvents) return;
  RequireClosed();
  FSynchronizeEvents = v;
}

void TCustomComPort::SetThreadPriority(TThreadPriority v) {
  if (v == FThreadPriority) return;
  FThreadPriority = v;
  if (FEventThread) FEventThread->SetPriority(v);
}

#define VELKOR_PLAIN_SETTER(Type, Name) \
  void TCustomComPort::Set##Name(const Type& h) { F##Name = h; }
#define VELKOR_EVENT_SETTER(Type, Name, Bit, Rank)  \
  void TCustomComPort::Set##Name(const Type& h) { \
    if (h == F##Name) return;                      \
    F##Name = h;                                   \
    ApplyEventMask();                              \
  }
VELKOR_COM_HANDLERS(VELKOR_PLAIN_SETTER, VELKOR_EVENT_SETTER)
#undef VELKOR_PLAIN_SETTER
#undef VELKOR_EVENT_SETTER

// ---------------------------------------------------------------- failures

void TCustomComPort::RaiseComError(std::int32_t code, const std::string& message) {
  try {
    throw EComError(code, message);
  } catch (EComError& e) {
    TComAction action = caFail;
    if (FOnError) FOnError(this, e, action);
    if (action == caAbort) throw EAbort();
    throw;
  }
}

std::string TCustomComPort::SystemMessage(std::uint32_t code) const {
  char buffer[256];
  DWORD n = ::FormatMessageA(
      FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ARGUMENT_ARRAY,
      nullptr, code, 0, buffer, sizeof buffer, nullptr);
  std::string text(buffer, n);
  while (!text.empty()) {
    const auto c = static_cast<unsigned char>(text.back());
    if (c > ' ' && c != '.') break;
    text.pop_back();
  }
  return text;
}

void TCustomComPort::CheckSystemResult(bool succeeded) {
  if (succeeded) return;
  const DWORD code = ::GetLastError();
  if (code == 0 || code == ERROR_IO_PENDING) return;
  ::SetLastError(0);
  RaiseComError(static_cast<std::int32_t>(code), SystemMessage(code));
}

void TCustomComPort::RequireOpen() {
  if (!Active()) RaiseComError(0, "Can't perform this operation on a closed port");
}

void TCustomComPort::RequireClosed() {
  if (Active()) RaiseComError(0, "Can't perform this operation on an open port");
}

// ---------------------------------------------------------------- event thread

std::uint32_t TCustomComPort::EventMask() const {
  DWORD mask = 0;
  for (const auto& row : kEventRows)
    if (row.assigned(*this)) mask |= row.bit;
  return mask;
}

void TCustomComPort::ApplyEventMask() {
  if (!Active()) return;
  const DWORD mask = EventMask();
  if (mask == 0) StopEventThread();
  CheckSystemResult(::SetCommMask(FDevice->Handle, mask));
  if (mask != 0) StartEventThread();
}

void TCustomComPort::StartEventThread() {
  SettleRetiredThreads(false);
  if (FEventThread) return;
  auto thread = std::make_shared<TComThread>(this);
  FEventThread = thread;
  try {
    thread->Start(FThreadPriority);
  } catch (const EThread&) {
    FEventThread.reset();
    RaiseComError(0, "Can't create thread");
  }
}

void TCustomComPort::StopEventThread() {
  if (!FEventThread) return;
  std::shared_ptr<TComThread> thread = std::move(FEventThread);
  FEventThread.reset();
  thread->Terminate();
  thread->Wake();
  if (FDevice->Handle != INVALID_HANDLE_VALUE) ::SetCommMask(FDevice->Handle, 0);  // ends a wait in progress
  // The handles are closed right after us: wait until the thread has left
  // port code, unless that is this very thread, or it is parked waiting for
  // the main thread (which may be us).
  if (TComThread::Current() != thread.get() && thread->WaitUntilOffPort()) {
    thread->WaitFor();
    return;
  }
  FRetiredThreads.push_back(std::move(thread));
}

void TCustomComPort::SettleRetiredThreads(bool waitAll) {
  for (auto it = FRetiredThreads.begin(); it != FRetiredThreads.end();) {
    TComThread& t = **it;
    const bool finished = waitAll && TComThread::Current() != &t ? t.WaitUntilOffPort() : t.Finished();
    if (finished) {
      t.WaitFor();
      it = FRetiredThreads.erase(it);
    } else {
      ++it;
    }
  }
  if (waitAll) {
    // The rest are parked in a hand-over that will be dropped: they end by
    // themselves once the main thread runs it.
    for (auto& t : FRetiredThreads) t->Detach();
    FRetiredThreads.clear();
  }
}

bool TCustomComPort::WaitForComEvent(TComThread& thread) {
  auto dispatch = [&] {
    // A wait ended by a new mask reports nothing: no handler to call, so no
    // reason to bother the main thread.
    if (FDevice->Events == 0) {
      thread.RestAfterEmptyWait();
      return true;
    }
    thread.EventsSeen();
    if (FSynchronizeEvents) return thread.HandOver([this] { DispatchEvents(); });
    DispatchEvents();
    return !thread.Terminated();
  };
  ++FEventWaits;
  if (::WaitCommEvent(FDevice->Handle, &FDevice->Events, &FDevice->WaitOverlapped)) {
    return thread.Terminated() || dispatch();
  }
  if (thread.Terminated()) return true;
  const DWORD code = ::GetLastError();
  FDevice->WaitError = code;
  if (code == ERROR_IO_PENDING) {
    if (::WaitForSingleObject(FDevice->WaitOverlapped.hEvent, INFINITE) == WAIT_OBJECT_0 &&
        !thread.Terminated())
      return dispatch();
    return true;
  }
  ::SetLastError(0);
  std::exception_ptr error;
  bool onPort = true;
  try {
    onPort = thread.HandOver([this] { RaiseEventThreadError(); });
  } catch (...) {
    error = std::current_exception();
  }
  if (!onPort) return false;
  if (code == ERROR_ACCESS_DENIED) {
    Close();  // carried over to the main thread, which stops us
    return false;
  }
  if (error) std::rethrow_exception(error);
  return false;
}

std::uint32_t TCustomComPort::EventThreadId() const {
  return FEventThread ? FEventThread->ThreadId() : 0;
}

void TCustomComPort::RaiseEventThreadError() {
  RaiseComError(static_cast<std::int32_t>(FDevice->WaitError), SystemMessage(FDevice->WaitError));
}

void TCustomComPort::DispatchEvents() {
  // On the event thread itself (SynchronizeEvents false) a handler may stop
  // the thread or close the port: then the rest of the cycle is dropped.
  // A handler may also destroy the port: nothing of it is touched after that.
  TComThread* self = TComThread::Current();
  const DWORD events = FDevice->Events;
  const std::shared_ptr<const std::atomic<bool>> alive = FAlive;
  try {
    for (const auto& row : kEventRows) {
      if (!*alive || (self && self->Terminated())) return;
      if (events & row.bit) row.fire(*this);
    }
  } catch (...) {
    // Reported also when the handler destroyed its port: the central report
    // needs no port, and nothing up the call chain reports it instead.
    HandleException(std::current_exception());
  }
}

// ---------------------------------------------------------------- data transfer

void TCustomComPort::Read(void* buffer, std::int32_t length, bool waitOnCompletion) {
  RequireOpen();
  if (FBeforeRead) FBeforeRead(this, buffer, length, waitOnCompletion);
  CompleteRead();
  FDevice->ReadRequest = static_cast<DWORD>(length);
  if (length != 0) {
    std::memset(&FDevice->ReadOverlapped, 0, sizeof FDevice->ReadOverlapped);
    FDevice->ReadOverlapped.hEvent = FDevice->ReadEvent;
    CheckSystemResult(::ResetEvent(FDevice->ReadEvent));
    DWORD count = 0;
    CheckSystemResult(::ReadFile(FDevice->Handle, buffer, static_cast<DWORD>(length), &count, &FDevice->ReadOverlapped));
    FReadUnchecked = true;
    if (waitOnCompletion) CompleteRead();
  }
  if (FAfterRead) FAfterRead(this, buffer, length, waitOnCompletion);
}

void TCustomComPort::Write(const void* buffer, std::int32_t length, bool waitOnCompletion) {
  RequireOpen();
  void* bytes = const_cast<void*>(buffer);  // the handler type takes a plain address
  if (FBeforeWrite) FBeforeWrite(this, bytes, length, waitOnCompletion);
  CompleteWrite();
  FDevice->WriteRequest = static_cast<DWORD>(length);
  if (length != 0) {
    std::memset(&FDevice->WriteOverlapped, 0, sizeof FDevice->WriteOverlapped);
    FDevice->WriteOverlapped.hEvent = FDevice->WriteEvent;
    CheckSystemResult(::ResetEvent(FDevice->WriteEvent));
    DWORD count = 0;
    CheckSystemResult(
        ::WriteFile(FDevice->Handle, buffer, static_cast<DWORD>(length), &count, &FDevice->WriteOverlapped));
    FWriteUnchecked = true;
    if (waitOnCompletion) CompleteWrite();
  }
  if (FAfterWrite) FAfterWrite(this, bytes, length, waitOnCompletion);
}

// The last transfer of a direction is checked once, also when it ended
// before this call: one that its time-out cut short while nobody waited for
// it is still reported. One ended by DiscardInput or DiscardOutput is not.
void TCustomComPort::CompleteRead() {
  if (FReadUnchecked && Active()) {
    FReadUnchecked = false;
    DWORD transferred = 0;
    CheckSystemResult(::GetOverlappedResult(FDevice->Handle, &FDevice->ReadOverlapped, &transferred, TRUE));
    if (transferred != FDevice->ReadRequest) RaiseComError(0, "Timeout");
  }
  PollLineErrors();
}

void TCustomComPort::CompleteWrite() {
  if (FWriteUnchecked && Active()) {
    FWriteUnchecked = false;
    DWORD transferred = 0;
    CheckSystemResult(::GetOverlappedResult(FDevice->Handle, &FDevice->WriteOverlapped, &transferred, TRUE));
    if (transferred != FDevice->WriteRequest) RaiseComError(0, "Timeout");
  }
  PollLineErrors();
}

bool TCustomComPort::IsReadPending() {
  return FDevice->ReadEvent && ::WaitForSingleObject(FDevice->ReadEvent, 0) != WAIT_OBJECT_0;
}

bool TCustomComPort::IsWritePending() {
  return FDevice->WriteEvent && ::WaitForSingleObject(FDevice->WriteEvent, 0) != WAIT_OBJECT_0;
}

void TCustomComPort::ReadText(std::string& text) {
  CompleteRead();
  const std::uint32_t n = ReceivedCount();
  text.assign(n, '\0');
  Read(text.data(), static_cast<std::int32_t>(n), true);
}

void TCustomComPort::WriteText(const std::string& text) {
  // The slot not used by the write that may still be pending.
  FWriteSlot ^= 1;
  FWriteText[FWriteSlot] = text;
  Write(FWriteText[FWriteSlot].data(), static_cast<std::int32_t>(text.size()), false);
}

std::uint32_t TCustomComPort::ReceivedCount() {
  DWORD errors = 0;
  COMSTAT stat{};
  CheckSystemResult(::ClearCommError(FDevice->Handle, &errors, &stat));
  if (errors != 0 && FOnLineError) FOnLineError(this, ToLineErrors(errors));
  return stat.cbInQue;
}

void TCustomComPort::PollLineErrors() {
  RequireOpen();
  DWORD errors = 0;
  CheckSystemResult(::ClearCommError(FDevice->Handle, &errors, nullptr));
  if (errors != 0 && FOnLineError) FOnLineError(this, ToLineErrors(errors));
}

TModemStatus TCustomComPort::ModemStatus() {
  RequireOpen();
  DWORD status = 0;
  CheckSystemResult(::GetCommModemStatus(FDevice->Handle, &status));
  TModemStatus result;
  if (status & MS_CTS_ON) result.Include(msCTS);
  if (status & MS_DSR_ON) result.Include(msDSR);
  if (status & MS_RING_ON) result.Include(msRing);
  if (status & MS_RLSD_ON) result.Include(msRLSD);
  return result;
}

}  // namespace velkor
