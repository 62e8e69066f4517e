// Serial port component: line settings, opening and closing, the event
// thread that turns device events into handler calls, and data transfer.
//
// Typical use, from the main thread (a TMainThreadRunner must be installed
// for handlers to run there, e.g. a TMainLoop that the thread pumps):
//
//   TComPort port(owner);
//   port.SetDeviceName("COM1");          // or a path such as "/dev/ttyUSB0"
//   port.SetBaudRate(br38400); port.SetDataBits(db8);
//   port.SetParity(paNone);    port.SetStopBits(sb1);
//   port.SetOnRxChar(TNotifyEvent(this, &Form::PortRxChar));
//   port.Open();                          // failures raise EComError
//   port.WriteText("LL1\r");
//   ...  void Form::PortRxChar(TObject*) { std::string s; port.ReadText(s); }
//
// A handler of a device event (OnRxChar, OnCTSChange...) may destroy its
// port; the events still to be served from the same wake are then dropped.
// Handlers called from inside a port method (Before/After open, close, read,
// write; OnError) must not: that method still runs on the port.
//
// On Linux (posix/win32_posix.h has the details):
// - A write started without waiting (WriteText) goes on by itself until the
//   driver has taken its last byte; EV_TXEMPTY (OnTxEmpty) follows once the
//   driver's output queue is empty.
// - OnCTSChange, OnDSRChange, OnRing and OnRLSDChange run as the line changes
//   where the driver can wait for modem lines (serial UARTs, most USB
//   adapters). Where it cannot (pseudo-terminals, which have no lines), a
//   change is noticed only when the device wakes the event thread for
//   another reason, such as a received byte. The layer interrupts that wait
//   with SIGURG, for which it installs a handler that does nothing.
// - A setting the line cannot honour (DSR flow control, DTR handshake, RTS
//   toggle, 1.5 stop bits with more than 5 data bits...) is refused with
//   EComError 87 from its setter or from Open; none is accepted and ignored.
// - A priority this user may not raise (PriorityClass, ThreadPriority) stays
//   as it was.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "runtime/runtime.h"

namespace velkor {

enum TBaudRate : std::uint8_t {
  brDefault, br50, br75, br110, br150, br300, br600, br1200, br1800, br2000, br2400, br3600,
  br4800, br7200, br9600, br10400, br14400, br15625, br19200, br28800, br38400, br56000,
  br57600, br115200, br128000, br256000, brCustom
};
enum TDataBits : std::uint8_t { dbDefault, db4, db5, db6, db7, db8 };
enum TParity : std::uint8_t { paDefault, paNone, paOdd, paEven, paMark, paSpace };
enum TStopBits : std::uint8_t { sbDefault, sb1, sb1_5, sb2 };
enum TOption : std::uint8_t {
  opCheckParity, opOutputCTSFlow, opOutputDSRFlow, opDSRSensitivity, opTXContinueOnXOff,
  opUseErrorChar, opDiscardNullBytes, opAbortOnError
};
using TOptions = TSet<TOption, std::uint8_t>;
enum TDTRControl : std::uint8_t { dcDefault, dcDisable, dcEnable, dcHandshake };
enum TRTSControl : std::uint8_t { rcDefault, rcDisable, rcEnable, rcHandshake, rcToggle };
enum TXOnXOffControl : std::uint8_t { xcDefault, xcDisable, xcInput, xcOutput, xcInputOutput };
enum TComAction : std::uint8_t { caFail, caAbort };
enum TPriorityClass : std::uint8_t { pcDefault, pcIdle, pcNormal, pcHigh, pcRealTime };
enum TLineError : std::uint8_t {
  leBreak, leDeviceNotSelected, leFrame, leIO, leMode, leOutOfPaper, leOverrun,
  leDeviceTimeOut, leRxOverflow, leParity, leTxFull
};
using TLineErrors = TSet<TLineError, std::uint16_t>;
enum TModemStatusValue : std::uint8_t { msCTS, msDSR, msRing, msRLSD };
using TModemStatus = TSet<TModemStatusValue, std::uint8_t>;

// Bits per second of a rate value; 0 for brDefault and brCustom.
std::int32_t BaudRateValue(TBaudRate rate);
// The DCB flag bit of an option.
std::uint32_t OptionFlag(TOption option);
// The Win32 priority class of a value; 0 for pcDefault.
std::uint32_t PriorityClassValue(TPriorityClass pc);
// The set of line errors in a Win32 error word (other bits are ignored).
TLineErrors ToLineErrors(std::uint32_t errors);
// The device a port name opens: on Linux COM1 to COM4 stand for the usual
// serial nodes unless VELKOR_COM1 to VELKOR_COM4 say otherwise, and any other
// name is a path; on Windows the name itself.
std::string PortDevicePath(const std::string& name);

class EComError : public Exception {
 public:
  EComError(std::int32_t code, const std::string& message) : Exception(message), WinError(code) {}
  std::int32_t WinError;
};

class TCustomComPort;
class TComThread;

using TNotifyEvent = TMethod<TObject*>;
using TOpenCloseEvent = TMethod<TCustomComPort*>;
using TReadWriteEvent = TMethod<TObject*, void*, std::int32_t, bool>;
using TComErrorEvent = TMethod<TCustomComPort*, EComError&, TComAction&>;
using TLineErrorEvent = TMethod<TObject*, TLineErrors>;

// ---------------------------------------------------------------- settings objects
// Each setter ignores the stored value; a new one is stored and pushed to
// the open device through its port.

class TFlowControl : public TPersistent {
 public:
  explicit TFlowControl(TCustomComPort* port) : FComPort(port) {}
  void Assign(const TPersistent& source) override;

  TDTRControl DTR() const { return FDTR; }
  void SetDTR(TDTRControl v);
  TRTSControl RTS() const { return FRTS; }
  void SetRTS(TRTSControl v);
  TXOnXOffControl XOnXOff() const { return FXOnXOff; }
  void SetXOnXOff(TXOnXOffControl v);
  std::uint16_t XOnLimit() const { return FXOnLimit; }
  void SetXOnLimit(std::uint16_t v);
  std::uint16_t XOffLimit() const { return FXOffLimit; }
  void SetXOffLimit(std::uint16_t v);

 private:
  TCustomComPort* const FComPort;
  TDTRControl FDTR = dcDefault;
  TRTSControl FRTS = rcDefault;
  TXOnXOffControl FXOnXOff = xcDefault;
  std::uint16_t FXOnLimit = 0;
  std::uint16_t FXOffLimit = 0;
};

class TCharacters : public TPersistent {
 public:
  explicit TCharacters(TCustomComPort* port) : FComPort(port) {}
  void Assign(const TPersistent& source) override;

  char XOn() const { return FXOn; }
  void SetXOn(char v);
  char XOff() const { return FXOff; }
  void SetXOff(char v);
  char Error() const { return FError; }
  void SetError(char v);
  char Eof() const { return FEof; }
  void SetEof(char v);
  char Event() const { return FEvent; }
  void SetEvent(char v);

 private:
  TCustomComPort* const FComPort;
  char FXOn = 17;   // DC1
  char FXOff = 19;  // DC3
  char FError = 0;
  char FEof = 0;
  char FEvent = 0;
};

class TBufferSizes : public TPersistent {
 public:
  explicit TBufferSizes(TCustomComPort* port) : FComPort(port) {}
  void Assign(const TPersistent& source) override;

  std::int32_t Input() const { return FInput; }
  void SetInput(std::int32_t v);
  std::int32_t Output() const { return FOutput; }
  void SetOutput(std::int32_t v);

 private:
  TCustomComPort* const FComPort;
  std::int32_t FInput = 4096;
  std::int32_t FOutput = 2048;
};

class TTimeouts : public TPersistent {
 public:
  explicit TTimeouts(TCustomComPort* port) : FComPort(port) {}
  void Assign(const TPersistent& source) override;

  std::int32_t ReadInterval() const { return FReadInterval; }
  void SetReadInterval(std::int32_t v);
  std::int32_t ReadMultiplier() const { return FReadMultiplier; }
  void SetReadMultiplier(std::int32_t v);
  std::int32_t ReadConstant() const { return FReadConstant; }
  void SetReadConstant(std::int32_t v);
  std::int32_t WriteMultiplier() const { return FWriteMultiplier; }
  void SetWriteMultiplier(std::int32_t v);
  std::int32_t WriteConstant() const { return FWriteConstant; }
  void SetWriteConstant(std::int32_t v);

 private:
  TCustomComPort* const FComPort;
  std::int32_t FReadInterval = 0;
  std::int32_t FReadMultiplier = 0;
  std::int32_t FReadConstant = 0;
  std::int32_t FWriteMultiplier = 0;
  std::int32_t FWriteConstant = 0;
};

// ---------------------------------------------------------------- the port

// Every handler of the port, in published order: PLAIN(Type, Name) for those
// called from inside a port method, EVENT(Type, Name, Bit, Rank) for device
// events, with their Win32 event bit and their place in a dispatch. The
// accessors, setters, event mask, dispatch and stored description are all
// made from this one list.
#define VELKOR_COM_HANDLERS(PLAIN, EVENT)        \
  PLAIN(TOpenCloseEvent, AfterClose)             \
  PLAIN(TOpenCloseEvent, AfterOpen)              \
  PLAIN(TReadWriteEvent, AfterRead)              \
  PLAIN(TReadWriteEvent, AfterWrite)             \
  PLAIN(TOpenCloseEvent, BeforeClose)            \
  PLAIN(TOpenCloseEvent, BeforeOpen)             \
  PLAIN(TReadWriteEvent, BeforeRead)             \
  PLAIN(TReadWriteEvent, BeforeWrite)            \
  EVENT(TNotifyEvent, OnBreak, 0x0040, 1)        \
  EVENT(TNotifyEvent, OnCTSChange, 0x0008, 2)    \
  EVENT(TNotifyEvent, OnDSRChange, 0x0010, 3)    \
  PLAIN(TComErrorEvent, OnError)                 \
  EVENT(TNotifyEvent, OnEvent1, 0x0800, 5)       \
  EVENT(TNotifyEvent, OnEvent2, 0x1000, 6)       \
  EVENT(TLineErrorEvent, OnLineError, 0x0080, 4) \
  EVENT(TNotifyEvent, OnPrinterError, 0x0200, 7) \
  EVENT(TNotifyEvent, OnRing, 0x0100, 8)         \
  EVENT(TNotifyEvent, OnRLSDChange, 0x0020, 9)   \
  EVENT(TNotifyEvent, OnRx80PercFull, 0x0400, 10) \
  EVENT(TNotifyEvent, OnRxChar, 0x0001, 11)      \
  EVENT(TNotifyEvent, OnRxFlag, 0x0002, 12)      \
  EVENT(TNotifyEvent, OnTxEmpty, 0x0004, 13)

#define VELKOR_COM_HANDLER(Type, Name)         \
 public:                                       \
  const Type& Name() const { return F##Name; } \
  void Set##Name(const Type& handler);         \
                                               \
 private:                                      \
  Type F##Name;
#define VELKOR_COM_EVENT_HANDLER(Type, Name, Bit, Rank) VELKOR_COM_HANDLER(Type, Name)

class TCustomComPort : public TComponent {
 public:
  explicit TCustomComPort(TComponent* owner);
  ~TCustomComPort() override;
  TCustomComPort(const TCustomComPort&) = delete;
  TCustomComPort& operator=(const TCustomComPort&) = delete;

  void FinishLoading() override;

  // ---- opening and closing
  bool Active() const;
  void SetActive(bool value);
  void Open();
  void Close();
  void DiscardInput();
  void DiscardOutput();

  // ---- data transfer and line status
  void Read(void* buffer, std::int32_t length, bool waitOnCompletion);
  void Write(const void* buffer, std::int32_t length, bool waitOnCompletion);
  void ReadText(std::string& text);
  void WriteText(const std::string& text);
  void CompleteRead();
  void CompleteWrite();
  bool IsReadPending();
  bool IsWritePending();
  std::uint32_t ReceivedCount();
  void PollLineErrors();
  TModemStatus ModemStatus();

  // ---- settings
  std::string About() const;
  void SetAbout(const std::string&) {}
  TBaudRate BaudRate() const { return FBaudRate; }
  void SetBaudRate(TBaudRate v);
  std::int32_t CustomBaudRate() const;
  void SetCustomBaudRate(std::int32_t v);
  TDataBits DataBits() const { return FDataBits; }
  void SetDataBits(TDataBits v);
  const std::string& DeviceName() const { return FDeviceName; }
  void SetDeviceName(const std::string& v);
  TOptions Options() const { return FOptions; }
  void SetOptions(TOptions v);
  TParity Parity() const { return FParity; }
  void SetParity(TParity v);
  TPriorityClass PriorityClass() const { return FPriorityClass; }
  void SetPriorityClass(TPriorityClass v);
  TStopBits StopBits() const { return FStopBits; }
  void SetStopBits(TStopBits v);
  bool SynchronizeEvents() const { return FSynchronizeEvents; }
  void SetSynchronizeEvents(bool v);
  TThreadPriority ThreadPriority() const { return FThreadPriority; }
  void SetThreadPriority(TThreadPriority v);

  TFlowControl& FlowControl() { return *FFlowControl; }
  const TFlowControl& FlowControl() const { return *FFlowControl; }
  void SetFlowControl(const TFlowControl& v) { FFlowControl->Assign(v); }
  TCharacters& Characters() { return *FCharacters; }
  const TCharacters& Characters() const { return *FCharacters; }
  void SetCharacters(const TCharacters& v) { FCharacters->Assign(v); }
  TBufferSizes& BufferSizes() { return *FBufferSizes; }
  const TBufferSizes& BufferSizes() const { return *FBufferSizes; }
  void SetBufferSizes(const TBufferSizes& v) { FBufferSizes->Assign(v); }
  TTimeouts& Timeouts() { return *FTimeouts; }
  const TTimeouts& Timeouts() const { return *FTimeouts; }
  void SetTimeouts(const TTimeouts& v) { FTimeouts->Assign(v); }

  // ---- stored description
  // One "Name = value" line per stored property, in published order. A handler
  // is written under the name that handlerName gives for its property.
  std::string WriteDescription(
      const std::function<std::string(const std::string& property)>& handlerName = {}) const;
  // Reads such lines as the owner loading its description: Active takes effect
  // at the end. Handler lines go to bindHandler (property, method name).
  void ReadDescription(
      const std::string& text,
      const std::function<void(const std::string& property, const std::string& method)>&
          bindHandler = {});

  // ---- pushing settings to an open device (nothing while closed)
  void ApplyLineSettings();
  void ApplyBufferSizes();
  void ApplyTimeouts();
  void ApplyEventMask();

  // ---- failures
  [[noreturn]] void RaiseComError(std::int32_t code, const std::string& message);
  void CheckSystemResult(bool succeeded);
  void RequireOpen();
  void RequireClosed();

  // ---- event thread
  // True while an event thread serves this port (for tools and tests).
  bool HasEventThread() const { return FEventThread != nullptr; }
  std::uint32_t EventThreadId() const;
  // Waits for device events begun since the port was created (for tools and
  // tests: a driver that cannot wait shows as a fast-growing count).
  std::uint32_t EventWaitCount() const { return FEventWaits.load(); }

 protected:
  virtual void OpenDevice();
  void ReleaseDevice();
  void StartEventThread();
  void StopEventThread();

 private:
  friend class TComThread;
  // One wait of the event thread and its dispatch. Returns false when the
  // thread has been stopped and must leave without touching the port again.
  bool WaitForComEvent(TComThread& thread);
  void DispatchEvents();
  void RaiseEventThreadError();
  // The platform's side of an open port (device and event handles, the
  // overlapped records, the counts they fill in), private to ComPort.cpp so
  // that no Win32 name reaches the users of this header.
  struct TDevice;
  void SettleRetiredThreads(bool waitAll);
  std::uint32_t EventMask() const;
  std::string SystemMessage(std::uint32_t code) const;

  bool FRecordedActive = false;
  std::unique_ptr<TDevice> FDevice;
  std::shared_ptr<TComThread> FEventThread;
  // A transfer started and not yet checked by CompleteRead or CompleteWrite.
  bool FReadUnchecked = false;
  bool FWriteUnchecked = false;
  std::int32_t FSavedPriorityClass = -1;
  std::atomic<std::uint32_t> FEventWaits{0};
  TThreadPriority FThreadPriority = tpTimeCritical;
  std::int32_t FCustomBaudRate = 0;
  TBaudRate FBaudRate = brDefault;
  std::unique_ptr<TBufferSizes> FBufferSizes;
  std::unique_ptr<TCharacters> FCharacters;
  TDataBits FDataBits = dbDefault;
  std::string FDeviceName;
  std::unique_ptr<TFlowControl> FFlowControl;
  TParity FParity = paDefault;
  TPriorityClass FPriorityClass = pcDefault;
  TOptions FOptions;
  TStopBits FStopBits = sbDefault;
  bool FSynchronizeEvents = true;
  std::unique_ptr<TTimeouts> FTimeouts;
  // Threads stopped while they still ran code of this port (from a handler on
  // themselves, or parked in a hand-over); waited for before destruction.
  std::vector<std::shared_ptr<TComThread>> FRetiredThreads;
  // False once the port is being destroyed: a handler may destroy its port,
  // and the dispatch that called it must then stop touching it. Atomic: an
  // unsynchronized dispatch reads it on the event thread.
  std::shared_ptr<std::atomic<bool>> FAlive = std::make_shared<std::atomic<bool>>(true);
  // Text handed to WriteText stays here until its transfer is complete; two
  // slots, since a new write only completes the previous one once started.
  std::string FWriteText[2];
  int FWriteSlot = 0;

  VELKOR_COM_HANDLERS(VELKOR_COM_HANDLER, VELKOR_COM_EVENT_HANDLER)
};

#undef VELKOR_COM_HANDLER
#undef VELKOR_COM_EVENT_HANDLER

// Publishes the properties of TCustomComPort; adds nothing.
class TComPort : public TCustomComPort {
 public:
  using TCustomComPort::TCustomComPort;
};

// The port whose event thread is the calling thread; null on any other
// thread (a runner that serves each port's calls apart asks it).
const TCustomComPort* CallingEventThreadPort();

}  // namespace velkor
