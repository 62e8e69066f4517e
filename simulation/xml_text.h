// Text put into XML (the chart's SVG, the JUnit report of `velkor-cli
// test`): markup characters escaped, and what XML may not hold (control
// bytes, bytes that are no UTF-8, as a file name may carry) shown as "?".
#pragma once

#include <string>
#include <string_view>

namespace velkor {

std::string xmlText(std::string_view text);

}  // namespace velkor
