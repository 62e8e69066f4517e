// The serial port as a board transfer uses it: opening and closing, the two
// queues, a line out, what has arrived, and the received-data event. The
// editor and the command line give it the serial component (ComPortLine);
// the protocol tests give it a line in virtual time.
#pragma once

#include <string>

#include "comport/ComPort.h"

namespace velkor {

// The settings of a serial line.
struct LineSettings {
  TBaudRate baudRate;
  TDataBits dataBits;
  TParity parity;
  TStopBits stopBits;

  void applyTo(TCustomComPort& port) const;
};

// The board's line: 38400 baud, 8 data bits, no parity, 1 stop bit.
inline constexpr LineSettings kBoardLine{br38400, db8, paNone, sb1};

class TransferPort {
 public:
  virtual ~TransferPort() = default;
  // Opens or closes; a failure to open raises EComError (or the silent
  // abort an error handler chose).
  virtual void SetActive(bool value) = 0;
  virtual void DiscardInput() = 0;
  virtual void DiscardOutput() = 0;
  // Starts sending; does not wait for the bytes to leave.
  virtual void WriteText(const std::string& text) = 0;
  // Every byte waiting at this moment.
  virtual void ReadText(std::string& text) = 0;
  // Called on the user-interface thread when bytes have arrived, while that
  // thread handles its events.
  virtual void SetOnRxChar(const TNotifyEvent& handler) = 0;
  // The port for the user: its name, and the device it opens where that
  // differs ("COM1 (/dev/ttyS0)").
  virtual std::string Label() const = 0;
};

// The serial component as a transfer's port.
class ComPortLine : public TransferPort {
 public:
  explicit ComPortLine(TCustomComPort& port) : port_(port) {}
  void SetActive(bool value) override { port_.SetActive(value); }
  void DiscardInput() override { port_.DiscardInput(); }
  void DiscardOutput() override { port_.DiscardOutput(); }
  void WriteText(const std::string& text) override { port_.WriteText(text); }
  void ReadText(std::string& text) override { port_.ReadText(text); }
  void SetOnRxChar(const TNotifyEvent& handler) override { port_.SetOnRxChar(handler); }
  std::string Label() const override;

 private:
  TCustomComPort& port_;
};

}  // namespace velkor
