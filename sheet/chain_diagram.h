// An output's chain as a small logic diagram, read from left to right as
// the board reads it. The conditions stand one under the other on the left;
// each link is a gate that takes the result so far and the next condition,
// so "EL1=1 OU EL2=1 ET EA1" is two gates in a row, the first fed by EL1=1
// and EL2=1, the second by the first and EA1: (EL1=1 OU EL2=1) ET EA1. The
// last gate feeds the output's box on the right.
#pragma once

#include "document/program_names.h"
#include "image/program_summary.h"
#include "simulation/chart.h"

namespace velkor {

// In points (1/72 inch) at the size it is meant to be printed.
ChartPicture chainDiagram(const OutputSummary& output, const ProgramNames& names);

}  // namespace velkor
