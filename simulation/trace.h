// The trace of a run: every change of the board's inputs and outputs, with
// its time, for the timing chart, its exports and the cursor's readings.
//
// A sample is kept only when something changed, in 32 bytes; the oldest go
// once the trace holds `capacity` of them, so its memory stays bounded.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

#include "simulation/board.h"

namespace velkor {

// The lanes of the chart, numbered in their order: EL1-EL7 (0-6), EA1-EA4
// (7-10), SL1-SL7 (11-17), SA1-SA4 (18-21).
constexpr int kLaneCount = 22;
constexpr bool isLogicLane(int lane) { return lane < 7 || (lane >= 11 && lane < 18); }
std::string laneName(int lane);

struct BoardState {
  BoardInputs inputs;
  BoardOutputs outputs;
  friend bool operator==(const BoardState&, const BoardState&) = default;
  // The value of one lane: 0 or 1, or millivolts.
  int value(int lane) const;
};

class Trace {
 public:
  // 200,000 changes: over five hours at ten changes a second, 6.4 MB.
  static constexpr std::size_t kDefaultCapacity = 200'000;

  explicit Trace(std::size_t capacity = kDefaultCapacity) : capacity_(capacity < 1 ? 1 : capacity) {}

  // Adds the state at `timeMs` (never before the last one) unless it is the
  // state already in force.
  void record(std::int64_t timeMs, const BoardState& state);
  void clear() { samples_.clear(); }

  bool empty() const { return samples_.empty(); }
  std::size_t size() const { return samples_.size(); }
  std::size_t capacity() const { return capacity_; }
  std::int64_t timeAt(std::size_t i) const { return samples_[i].timeMs; }
  BoardState stateAt(std::size_t i) const;
  // The index of the last sample at or before `timeMs`; 0 before the first.
  std::size_t indexAt(std::int64_t timeMs) const;
  std::int64_t firstTime() const { return empty() ? 0 : samples_.front().timeMs; }
  std::int64_t lastTime() const { return empty() ? 0 : samples_.back().timeMs; }

  // The whole trace as CSV: time_ms and every lane, one row per change.
  std::string csv() const;

 private:
  struct Sample {
    std::int64_t timeMs;
    std::uint16_t logicBits;  // EL1-EL7 in bits 0-6, SL1-SL7 in bits 7-13
    std::array<std::uint16_t, 4> analogIn;
    std::array<std::uint16_t, 4> analogOut;
  };
  static Sample pack(std::int64_t timeMs, const BoardState& state);

  std::size_t capacity_;
  std::deque<Sample> samples_;
};

}  // namespace velkor
