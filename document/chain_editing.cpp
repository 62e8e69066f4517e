// Condition chain editing: slots, links, choice lists and thresholds.
#include <algorithm>

#include "document/program_document.h"
#include "document/text_rules.h"

namespace velkor {

void ProgramDocument::choix01_01Enter(FieldId slotId) {
  if (slotId.family != FieldFamily::Slot || !isValidField(slotId) || !slot(slotId).enabled) return;
  RefreshChoiceLists(slotId.page);
}

bool ProgramDocument::choix01_01KeyPress(FieldId, char) { return false; }

bool ProgramDocument::choix01_01Select(FieldId slotId, std::string_view entry) {
  if (slotId.family != FieldFamily::Slot || !isValidField(slotId)) return false;
  ConditionSlot& s = slot(slotId);
  if (!s.enabled || std::find(s.choices.begin(), s.choices.end(), entry) == s.choices.end()) return false;
  s.text = std::string(entry);
  RefreshChoiceLists(slotId.page);
  ProgramModified = true;
  return true;
}

Reaction ProgramDocument::ou01_01Click(FieldId linkId) {
  if (linkId.family != FieldFamily::Link || !isValidField(linkId) || !link(linkId).enabled) return {};
  ProgramModified = true;  // every click counts as a change, even one that does nothing else

  OutputPage& pg = page(linkId.page);
  const int n = linkId.position;
  if (pg.slot(n).text.empty()) return {};

  LinkButton& button = pg.link(n);
  if (button.caption == "-") button.caption = "OU";
  else if (button.caption == "OU") button.caption = "ET";
  else button.caption = "-";

  const bool opens = button.caption != "-";
  if (opens) {
    if (n + 1 <= linkCount(pg.number)) pg.link(n + 1).enabled = true;
    pg.slot(n + 1).enabled = true;
  } else {
    // Cutting the chain returns everything after the link to its defaults.
    for (int m = n + 1; m <= slotCount(pg.number); ++m) {
      pg.slot(m).enabled = false;
      pg.slot(m).text.clear();
    }
    for (int m = n + 1; m <= linkCount(pg.number); ++m) {
      pg.link(m).caption = "-";
      pg.link(m).enabled = false;
    }
  }
  RefreshChoiceLists(pg.number);
  if (!opens) return {};

  // The next slot takes the focus, filled with its first choice when empty;
  // its enter rule then refreshes the lists once more with that token.
  ConditionSlot& next = pg.slot(n + 1);
  if (trimBlanks(next.text).empty() && !next.choices.empty()) next.text = next.choices.front();
  const FieldId nextId = FieldId::slot(pg.number, n + 1);
  choix01_01Enter(nextId);
  return {nextId, false, false};
}

void ProgramDocument::RefreshChoiceLists(int pageNumber) {
  OutputPage& pg = page(pageNumber);
  const int n = slotCount(pageNumber);
  std::vector<std::string> texts(static_cast<std::size_t>(n));
  for (int i = 1; i <= n; ++i) {
    ConditionSlot& s = pg.slot(i);
    texts[static_cast<std::size_t>(i - 1)] = s.text;
    // Tokens that came back are appended in reference order; the others keep theirs.
    for (int r = 0; r < n; ++r) {
      const std::string_view token = ReferenceConditions[static_cast<std::size_t>(r)];
      if (std::find(s.choices.begin(), s.choices.end(), token) == s.choices.end()) s.choices.emplace_back(token);
    }
  }
  for (int i = 1; i <= n; ++i) {
    auto& choices = pg.slot(i).choices;
    for (int p = 1; p <= n; ++p) {
      const std::string& other = texts[static_cast<std::size_t>(p - 1)];
      if (other.empty() || p == i) continue;
      auto it = std::find(choices.begin(), choices.end(), other);
      if (it != choices.end()) choices.erase(it);
    }
  }
  if (isLogicPage(pageNumber)) UpdateThresholds(pageNumber);
  notifyImagesStale();
}

void ProgramDocument::UpdateThresholds(int pageNumber) {
  OutputPage& pg = page(pageNumber);
  for (Threshold& t : pg.thresholds) t.enabled = false;
  for (const ConditionSlot& s : pg.slots)
    for (int k = 1; k <= kAnalogInputCount; ++k)
      if (s.text == "EA" + std::to_string(k)) pg.threshold(k).enabled = true;
}

}  // namespace velkor
