// Names the cases of a data-driven test after their row's `what`, when rows
// have one ("analog output silent" -> "analog_output_silent"), or "row0",
// "row1"... otherwise, rather than after the bytes of their parameters.
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <string>

namespace velkor::testing_support {

struct RowIndexName {
  template <class Param>
  std::string operator()(const testing::TestParamInfo<Param>& info) const {
    if constexpr (requires { std::string(info.param.what); }) {
      std::string name;
      for (const char c : std::string(info.param.what)) {
        const bool word = std::isalnum(static_cast<unsigned char>(c)) != 0;
        if (word) name += c;
        else if (!name.empty() && name.back() != '_') name += '_';
      }
      while (!name.empty() && name.back() == '_') name.pop_back();
      if (!name.empty()) return name;
    }
    return "row" + std::to_string(info.index);
  }
};

}  // namespace velkor::testing_support
