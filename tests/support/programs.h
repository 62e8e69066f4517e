// Programs built the way a user builds them, for tests.
#pragma once

#include <random>
#include <string>

#include "image/program.h"

namespace velkor::testing_support {

// The example program: SL1 = "EL1=1" ET "EA2", EA2 above 250 mV, pause 1000.
inline void makeExample(Program& program) {
  ProgramDocument& doc = program.document;
  doc.ou01_01Click(FieldId::link(1, 1));  // OU, slot 02 gets EA1
  doc.ou01_01Click(FieldId::link(1, 1));  // ET
  doc.choix01_01Select(FieldId::slot(1, 2), "EA2");
  doc.setNumberText(FieldId::threshold(1, 2), "250");
  doc.edit01_01Exit(FieldId::threshold(1, 2));
  doc.setNumberText(FieldId::pause(1), "1000");
  doc.pause1Exit(FieldId::pause(1));
}

// A program with something on every kind of page, and a line-feed byte (EA3).
inline void makeRichProgram(Program& program) {
  program.initialiserPages();
  makeExample(program);
  ProgramDocument& doc = program.document;
  doc.choix01_01Select(FieldId::slot(2, 1), "EA3");
  doc.setNumberText(FieldId::threshold(2, 3), "4321");
  doc.ou01_01Click(FieldId::link(9, 1));
  doc.setNumberText(FieldId::voltage(9), "2500");
  doc.zero1Click(FieldId::hold(9));
  doc.setNumberText(FieldId::pause(11), "65000");
  program.construireImages();
}

// Random user steps on enabled fields, on every page.
inline void randomEdits(Program& program, std::mt19937& rng, int steps) {
  ProgramDocument& doc = program.document;
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  for (int i = 0; i < steps; ++i) {
    const int page = pick(1, kPageCount);
    const OutputPage& pg = doc.page(page);
    switch (pick(0, 6)) {
      case 0:
      case 1: doc.ou01_01Click(FieldId::link(page, pick(1, linkCount(page)))); break;
      case 2: {
        const int m = pick(1, slotCount(page));
        const auto& list = pg.slot(m).choices;
        if (pg.slot(m).enabled && !list.empty())
          doc.choix01_01Select(FieldId::slot(page, m), list[static_cast<std::size_t>(pick(0, int(list.size()) - 1))]);
        break;
      }
      case 3:
        if (isLogicPage(page)) {
          const FieldId value = FieldId::threshold(page, pick(1, 4));
          if (doc.threshold(value).enabled) {
            doc.setNumberText(value, std::to_string(pick(0, 9999)));
            if (pick(0, 1)) doc.edit01_01Exit(value);
            doc.supinf01_01Click(FieldId::comparator(page, value.position));
          }
        }
        break;
      case 4:
        doc.setNumberText(FieldId::pause(page), std::to_string(pick(0, 99999)));
        if (pick(0, 1)) doc.pause1Exit(FieldId::pause(page));
        break;
      case 5:
        if (isAnalogPage(page)) {
          doc.setNumberText(FieldId::voltage(page), std::to_string(pick(0, 9999)));
          if (pick(0, 1)) doc.tension1Exit(FieldId::voltage(page));
        }
        break;
      case 6:
        if (isAnalogPage(page)) doc.zero1Click(FieldId::hold(page));
        break;
    }
  }
}

// The chain, numbers and hold of a page as text, to compare pages.
inline std::string pageContents(const ProgramDocument& doc, int page) {
  const OutputPage& pg = doc.page(page);
  std::string s;
  for (int m = 1; m <= slotCount(page); ++m) {
    s += "[" + pg.slot(m).text + (pg.slot(m).enabled ? "+" : "-") + "]";
    if (m <= linkCount(page)) s += pg.link(m).caption + (pg.link(m).enabled ? "+" : "-");
  }
  if (isLogicPage(page))
    for (const Threshold& t : pg.thresholds) s += " " + t.comparator + t.value + (t.enabled ? "+" : "-");
  else
    s += " V" + pg.voltage + (pg.hold ? " hold" : " free");
  return s + " P" + pg.pause;
}

}  // namespace velkor::testing_support
