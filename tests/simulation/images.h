// Program images written by hand, for the simulation tests.
#pragma once

#include <string>

namespace velkor::simulation_test {

// A logic image: `chain` holds codes and links alternately from position 1;
// the rest of the chain is filled with "R?". `thresholds` is the 20-byte
// comparator and threshold block of EA1-EA4.
inline std::string logicImage(std::string chain, const std::string& thresholds = "U0000U0000U0000U0000") {
  while (chain.size() < 21) chain += chain.size() % 2 == 0 ? "?" : "R";
  return chain + thresholds + "00000";
}

// An analog image, laid out like logicImage with 7 slots.
inline std::string analogImage(std::string chain, const std::string& voltage, char hold) {
  while (chain.size() < 13) chain += chain.size() % 2 == 0 ? "?" : "R";
  return chain + voltage + "05000" + hold;
}

}  // namespace velkor::simulation_test
