#include "sheet/program_sheet.h"

#include <ctime>

#include "sheet/chain_diagram.h"

namespace velkor {

std::string sheetLine(const OutputSummary& output, const ProgramNames& names) {
  std::string line = output.name;
  const std::string outputName = names.label(outputSignal(output.page));
  if (!outputName.empty()) line += " " + outputName;
  line += " = " + chainText(output, [&](const std::string& token, const ThresholdSummary* threshold) {
    const auto signal = conditionSignal(token);
    const std::string name = signal ? names.label(*signal) : std::string();
    if (name.empty()) return threshold ? token + " (" + thresholdText(*threshold) + ")" : token;
    return threshold ? name + " (" + token + " " + thresholdText(*threshold) + ")" : name;
  });
  return line + settingsText(output);
}

ProgramSheet buildSheet(const ProgramDocument& document, const ProgramNames& names, const std::string& fileName,
                        const std::string& date) {
  ProgramSheet sheet;
  sheet.title = !singleLine(names.title).empty() ? singleLine(names.title)
                : !fileName.empty()                 ? fileName
                                                    : "Programme sans titre";
  sheet.comment = names.comment;
  sheet.fileName = fileName;
  sheet.date = date;

  const std::pair<const char*, int> groups[] = {
      {"Entrées logiques", 0}, {"Entrées analogiques", 7}, {"Sorties logiques", 11}, {"Sorties analogiques", 18}};
  for (std::size_t g = 0; g < std::size(groups); ++g) {
    SheetGroup group{groups[g].first, {}};
    const int end = g + 1 < std::size(groups) ? groups[g + 1].second : kSignalCount;
    for (int s = groups[g].second; s < end; ++s)
      group.rows.push_back({signalId(s), names.label(s), names.notes[std::size_t(s)].comment});
    sheet.groups.push_back(std::move(group));
  }

  for (const OutputSummary& output : summarize(document)) {
    const int signal = outputSignal(output.page);
    SheetOutput o;
    o.heading = namedPageTitle(output.page, names);
    o.comment = names.notes[std::size_t(signal)].comment;
    o.line = sheetLine(output, names);
    o.diagram = chainDiagram(output, names);
    sheet.outputs.push_back(std::move(o));
  }
  return sheet;
}

std::string sheetToday() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &now);
#else
  localtime_r(&now, &local);
#endif
  char text[16];
  std::strftime(text, sizeof text, "%d/%m/%Y", &local);
  return text;
}

std::string sheetOrigin(const ProgramSheet& sheet) {
  if (sheet.fileName.empty()) return "Fiche du " + sheet.date;
  return "Fichier " + sheet.fileName + ", fiche du " + sheet.date;
}

}  // namespace velkor
