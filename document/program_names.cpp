#include "document/program_names.h"

#include <algorithm>

#include "document/field_names.h"
#include "document/text_rules.h"

namespace velkor {

std::string signalId(int signal) {
  if (signal < 7) return "EL" + std::to_string(signal + 1);
  if (signal < 11) return "EA" + std::to_string(signal - 6);
  return pageCaption(signal - kFirstOutputSignal + 1);
}

std::optional<int> signalOf(std::string_view id) {
  for (int signal = 0; signal < kSignalCount; ++signal)
    if (id == signalId(signal)) return signal;
  return std::nullopt;
}

std::optional<int> conditionSignal(std::string_view token) {
  if (token.size() > 3 && token.ends_with("=1")) token.remove_suffix(2);
  const auto signal = signalOf(token);
  if (signal && *signal < kFirstOutputSignal) return signal;
  return std::nullopt;
}

bool ProgramNames::empty() const {
  return title.empty() && comment.empty() && kept.empty() && keptSignals.empty() &&
         std::all_of(notes.begin(), notes.end(), [](const SignalNote& note) { return note.empty(); });
}

std::string ProgramNames::label(int signal) const { return singleLine(notes.at(std::size_t(signal)).name); }

std::string ProgramNames::idWithName(int signal) const {
  const std::string name = label(signal);
  return name.empty() ? signalId(signal) : signalId(signal) + " (" + name + ")";
}

std::string ProgramNames::tip(int signal, std::string_view shown) const {
  const std::string name = label(signal);
  const std::string_view note = trimBlanks(notes.at(std::size_t(signal)).comment);
  if (name.empty() && note.empty()) return {};
  std::string text(shown);
  if (!name.empty()) text += " — " + name;
  if (!note.empty()) text += "\n" + std::string(note);
  return text;
}

std::string namedPageTitle(int page, const ProgramNames& names) {
  const std::string name = names.label(outputSignal(page));
  return name.empty() ? pageTitle(page) : pageTitle(page) + " — " + name;
}

std::string singleLine(std::string_view text) {
  std::string line;
  bool gap = false;
  for (const char c : trimBlanks(text)) {
    if (isBlank(c)) {
      gap = true;
      continue;
    }
    if (gap) line += ' ';
    gap = false;
    line += c;
  }
  return line;
}

}  // namespace velkor
