// Checks of the document's invariants, shared by the editing tests.
#pragma once

#include <algorithm>
#include <string>

#include "document/program_document.h"

namespace velkor::testing_support {

// Empty string when the invariants of the document hold, else what is broken.
inline std::string brokenInvariant(const ProgramDocument& doc) {
  for (int p = 1; p <= kPageCount; ++p) {
    const OutputPage& pg = doc.page(p);
    const std::string where = pageCaption(p) + ": ";
    if (!pg.slot(1).enabled || !pg.link(1).enabled) return where + "slot 01 or link 01 disabled";
    bool cut = false;
    for (int m = 2; m <= slotCount(p); ++m) {
      const std::string& before = pg.link(m - 1).caption;
      const bool open = before == "OU" || before == "ET";
      if (pg.slot(m).enabled != open) return where + "slot " + std::to_string(m) + " enabled != link before it";
      if (m <= linkCount(p) && pg.link(m).enabled != pg.slot(m).enabled)
        return where + "link " + std::to_string(m) + " enabled != its slot";
      if (before == "-") cut = true;
      if (cut && (!pg.slot(m).text.empty() || pg.slot(m).enabled))
        return where + "slot " + std::to_string(m) + " after a cut is not empty/disabled";
      if (cut && m <= linkCount(p) && (pg.link(m).caption != "-" || pg.link(m).enabled))
        return where + "link " + std::to_string(m) + " after a cut is not '-'/disabled";
    }
    for (int i = 1; i <= slotCount(p); ++i)
      for (int j = 1; j <= slotCount(p); ++j) {
        if (i == j || pg.slot(j).text.empty()) continue;
        if (pg.slot(i).text == pg.slot(j).text) return where + "token in two slots";
        if (!pg.slot(i).enabled) continue;  // lists of closed slots refresh when they open
        const auto& list = pg.slot(i).choices;
        if (std::find(list.begin(), list.end(), pg.slot(j).text) != list.end())
          return where + "slot " + std::to_string(i) + " offers a token another slot holds";
      }
    if (isLogicPage(p))
      for (int k = 1; k <= kAnalogInputCount; ++k) {
        bool used = false;
        for (const ConditionSlot& s : pg.slots) used = used || s.text == "EA" + std::to_string(k);
        if (pg.threshold(k).enabled != used) return where + "threshold " + std::to_string(k) + " enabled != used";
      }
  }
  return {};
}

}  // namespace velkor::testing_support
