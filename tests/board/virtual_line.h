// A board on a line in virtual time: the emulator answers what the transfer
// sends, and the clock moves only when the transfer pauses or waits, so each
// protocol case takes microseconds and ends at an exact virtual time.
//
// It stands for the port, the tick counter and the event pump at once. As
// on the real line, bytes that arrive during a pause (attendre) wait in the
// input queue, and one received-data event serves them all at the next
// processEvents.
#pragma once

#include <chrono>
#include <cstdint>
#include <algorithm>
#include <deque>
#include <string>
#include <utility>

#include "board/board_emulator.h"
#include "board/transfer_port.h"
#include "board/transfer_seams.h"

namespace velkor::testing_support {

class VirtualLine : public TransferPort, public TickClock, public EventPump {
 public:
  explicit VirtualLine(BoardEmulator& board) : board_(board) {}

  // Opening fails as for a missing device.
  bool missing = false;
  // Lines sent, with the virtual time each was sent at.
  struct Sent {
    std::uint32_t at;
    std::string bytes;
  };
  std::deque<Sent> sent;

  // ---- the port
  bool Active() const { return active_; }
  void SetActive(bool value) override {
    if (value && !active_ && missing) throw EComError(2, "No such file or directory");
    active_ = value;
  }
  void DiscardInput() override {
    input_.clear();
    pending_ = false;
  }
  void DiscardOutput() override {}
  void WriteText(const std::string& text) override {
    if (!active_) throw EComError(0, "Can't perform this operation on a closed port");
    // Once the board has hung up and said its last, the line is dead.
    if (board_.hungUp() && arrivals_.empty()) throw EComError(5, "Input/output error");
    sent.push_back({now_, text});
    for (TimedBytes& piece : board_.receive(text)) {
      last_ = std::max(last_, now_) + static_cast<std::uint32_t>(piece.delayMs);
      arrivals_.push_back({last_, std::move(piece.bytes)});
    }
  }
  void ReadText(std::string& text) override {
    text = std::move(input_);
    input_.clear();
  }
  void SetOnRxChar(const TNotifyEvent& handler) override { onRxChar_ = handler; }
  std::string Label() const override { return "COM2"; }

  // ---- the clock
  std::uint32_t GetTickCount() override { return now_; }
  void attendre(std::uint32_t milliseconds) override {
    now_ += milliseconds;
    arrive();
  }

  // The next processEvents runs a nested loop, as a modal window opened from
  // an event would: it serves what arrives, at its time, for `milliseconds`
  // and only then returns, whatever the caller's time-out.
  void stallNextWait(std::uint32_t milliseconds) { stall_ = milliseconds; }

  // ---- the pump: serves what has arrived; when nothing has, the clock moves
  // to the next arrival, or by `timeout` when that comes first.
  void processEvents(std::chrono::milliseconds timeout) override {
    if (stall_ > 0) return idle(std::exchange(stall_, 0));
    arrive();
    if (!servable()) {
      const auto until = now_ + static_cast<std::uint32_t>(timeout.count());
      now_ = !arrivals_.empty() && arrivals_.front().at < until ? std::max(now_, arrivals_.front().at) : until;
      arrive();
    }
    if (servable()) {
      pending_ = false;
      onRxChar_(nullptr);
    }
  }

  // Lets `milliseconds` pass while the editor is idle (a message being read).
  void idle(std::uint32_t milliseconds) {
    const std::uint32_t until = now_ + milliseconds;
    while (now_ < until) processEvents(std::chrono::milliseconds(until - now_));
  }

 private:
  struct Arrival {
    std::uint32_t at;
    std::string bytes;
  };
  // Moves what has arrived by now into the input queue.
  void arrive() {
    for (; !arrivals_.empty() && arrivals_.front().at <= now_; arrivals_.pop_front()) {
      input_ += arrivals_.front().bytes;
      pending_ = true;
    }
  }
  bool servable() const { return pending_ && active_ && onRxChar_; }

  BoardEmulator& board_;
  bool active_ = false;
  std::uint32_t now_ = 0;
  std::uint32_t last_ = 0;  // when the last piece the board sent arrives
  std::deque<Arrival> arrivals_;
  std::string input_;
  bool pending_ = false;
  std::uint32_t stall_ = 0;
  TNotifyEvent onRxChar_;
};

}  // namespace velkor::testing_support
