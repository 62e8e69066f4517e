// The timing chart as PNG bytes. It needs Qt to draw text; a build without
// Qt has none and says so.
#pragma once

#include <optional>
#include <string>

#include "simulation/chart.h"

namespace velkor {

// The PNG file's bytes, or nothing with the reason in `error`.
std::optional<std::string> chartPng(const ChartPicture& picture, std::string& error);

}  // namespace velkor
