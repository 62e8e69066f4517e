#include "simulation/trace.h"

#include <algorithm>
#include <limits>

#include "document/program_names.h"

namespace velkor {

namespace {

std::size_t at(int n) { return static_cast<std::size_t>(n); }

// Millivolts kept in 16 bits: an image holds four digits at most.
std::uint16_t millivolts(int mv) {
  return static_cast<std::uint16_t>(std::clamp(mv, 0, int(std::numeric_limits<std::uint16_t>::max())));
}

}  // namespace

std::string laneName(int lane) { return signalId(lane); }

int BoardState::value(int lane) const {
  if (lane < 7) return inputs.logic[at(lane)];
  if (lane < 11) return inputs.analog[at(lane - 7)];
  if (lane < 18) return outputs.logic[at(lane - 11)];
  return outputs.analog[at(lane - 18)];
}

Trace::Sample Trace::pack(std::int64_t timeMs, const BoardState& state) {
  Sample s{timeMs, 0, {}, {}};
  for (int k = 0; k < 7; ++k) {
    if (state.inputs.logic[at(k)]) s.logicBits |= std::uint16_t(1u << k);
    if (state.outputs.logic[at(k)]) s.logicBits |= std::uint16_t(1u << (7 + k));
  }
  for (int k = 0; k < 4; ++k) {
    s.analogIn[at(k)] = millivolts(state.inputs.analog[at(k)]);
    s.analogOut[at(k)] = millivolts(state.outputs.analog[at(k)]);
  }
  return s;
}

BoardState Trace::stateAt(std::size_t i) const {
  const Sample& s = samples_.at(i);
  BoardState state;
  for (int k = 0; k < 7; ++k) {
    state.inputs.logic[at(k)] = (s.logicBits >> k) & 1u;
    state.outputs.logic[at(k)] = (s.logicBits >> (7 + k)) & 1u;
  }
  for (int k = 0; k < 4; ++k) {
    state.inputs.analog[at(k)] = s.analogIn[at(k)];
    state.outputs.analog[at(k)] = s.analogOut[at(k)];
  }
  return state;
}

void Trace::record(std::int64_t timeMs, const BoardState& state) {
  Sample s = pack(timeMs, state);
  if (!samples_.empty()) {
    const Sample& last = samples_.back();
    s.timeMs = std::max(timeMs, last.timeMs);
    if (s.logicBits == last.logicBits && s.analogIn == last.analogIn && s.analogOut == last.analogOut) return;
  }
  if (samples_.size() == capacity_) samples_.pop_front();
  samples_.push_back(s);
}

std::size_t Trace::indexAt(std::int64_t timeMs) const {
  const auto after = std::upper_bound(samples_.begin(), samples_.end(), timeMs,
                                      [](std::int64_t t, const Sample& s) { return t < s.timeMs; });
  return after == samples_.begin() ? 0 : static_cast<std::size_t>(after - samples_.begin() - 1);
}

std::string Trace::csv() const {
  std::string text = "time_ms";
  for (int lane = 0; lane < kLaneCount; ++lane) text += "," + laneName(lane);
  text += '\n';
  for (std::size_t i = 0; i < samples_.size(); ++i) {
    const BoardState state = stateAt(i);
    text += std::to_string(samples_[i].timeMs);
    for (int lane = 0; lane < kLaneCount; ++lane) text += "," + std::to_string(state.value(lane));
    text += '\n';
  }
  return text;
}

}  // namespace velkor
