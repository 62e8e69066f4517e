// A busy cursor that remembers whether it shows.
#pragma once

#include "board/transfer_seams.h"

namespace velkor::testing_support {

class CountingCursor : public BusyCursor {
 public:
  void showBusy() override { busy = true; }
  void showNormal() override { busy = false; }
  bool busy = false;
};

}  // namespace velkor::testing_support
