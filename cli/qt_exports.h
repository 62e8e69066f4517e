// What velkor-cli draws with Qt's painter: the timing chart as PNG and the
// program sheet as PDF. A build without Qt has neither and says so.
#pragma once

#include <optional>
#include <string>

#include "sheet/program_sheet.h"
#include "simulation/chart.h"

namespace velkor {

// The PNG file's bytes, or nothing with the reason in `error`.
std::optional<std::string> chartPng(const ChartPicture& picture, std::string& error);

// The PDF file's bytes, or nothing with the reason in `error`.
std::optional<std::string> sheetAsPdf(const ProgramSheet& sheet, std::string& error);

}  // namespace velkor
