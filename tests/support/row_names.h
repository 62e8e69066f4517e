// Names the cases of a data-driven test "row0", "row1"... rather than
// after the bytes of their parameters.
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace velkor::testing_support {

struct RowIndexName {
  template <class Param>
  std::string operator()(const testing::TestParamInfo<Param>& info) const {
    return "row" + std::to_string(info.index);
  }
};

}  // namespace velkor::testing_support
