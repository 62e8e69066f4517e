// Threshold, voltage and pause fields: key filter, leave rules, comparators.
#include "document/program_document.h"
#include "document/text_rules.h"

namespace velkor {
namespace {

constexpr char kBackspace = '\b';

bool isNumberField(FieldId id) {
  return isValidField(id) && (id.family == FieldFamily::Threshold || id.family == FieldFamily::Voltage ||
                              id.family == FieldFamily::Pause);
}

}  // namespace

bool ProgramDocument::numberKey(FieldId field, char key, bool replacesSelection) {
  if (!isNumberField(field)) return false;
  const bool digit = key >= '0' && key <= '9';
  if (!digit && key != kBackspace) return false;
  // A digit typed into a full field with nothing selected goes nowhere, so it
  // is no change; any other accepted key is.
  const bool full = numberText(field).size() >= numberLimits(field.family).maxLength;
  if (!(digit && full && !replacesSelection)) ProgramModified = true;
  return true;
}

bool ProgramDocument::edit01_01KeyPress(FieldId field, char key, bool replacesSelection) {
  if (field.family != FieldFamily::Threshold && field.family != FieldFamily::Voltage) return false;
  return numberKey(field, key, replacesSelection);
}

bool ProgramDocument::pause1KeyPress(FieldId field, char key, bool replacesSelection) {
  if (field.family != FieldFamily::Pause) return false;
  return numberKey(field, key, replacesSelection);
}

bool ProgramDocument::setNumberText(FieldId field, std::string_view text) {
  if (!isNumberField(field)) return false;
  if (!isDigits(text) || text.size() > numberLimits(field.family).maxLength) return false;
  std::string& current = numberTextRef(field);
  if (current != text) {
    current = std::string(text);
    ProgramModified = true;
  }
  return true;
}

Reaction ProgramDocument::normaliseNumber(FieldId field) {
  Reaction reaction;
  std::string& text = numberTextRef(field);
  std::string cleaned = stripLeadingZeros(trimBlanks(text));
  if (cleaned.empty()) cleaned = "0";
  text = cleaned;

  long number = 0;
  if (auto value = readWholeNumber(text)) number = *value;
  else reaction.beep = true;  // the text stays as it is; it counts as 0 below

  const NumberLimits limits = numberLimits(field.family);
  if (number > limits.maxValue) text = std::to_string(limits.maxValue);
  if (field.family == FieldFamily::Threshold && number == 0) {
    std::string& comparator = threshold(field).comparator;
    if (comparator == "<") comparator = ">";
  }
  return reaction;
}

Reaction ProgramDocument::edit01_01Exit(FieldId field) {
  return field.family == FieldFamily::Threshold && isValidField(field) ? normaliseNumber(field) : Reaction{};
}

Reaction ProgramDocument::tension1Exit(FieldId field) {
  return field.family == FieldFamily::Voltage && isValidField(field) ? normaliseNumber(field) : Reaction{};
}

Reaction ProgramDocument::pause1Exit(FieldId field) {
  return field.family == FieldFamily::Pause && isValidField(field) ? normaliseNumber(field) : Reaction{};
}

Reaction ProgramDocument::leaveField(FieldId id) {
  switch (id.family) {
    case FieldFamily::Threshold: return edit01_01Exit(id);
    case FieldFamily::Voltage: return tension1Exit(id);
    case FieldFamily::Pause: return pause1Exit(id);
    default: return {};
  }
}

Reaction ProgramDocument::supinf01_01Click(FieldId comparator) {
  if (comparator.family != FieldFamily::Comparator || !isValidField(comparator)) return {};
  Threshold& t = threshold(comparator);
  if (!t.enabled) return {};

  Reaction reaction;
  long number = 0;
  if (auto value = readWholeNumber(t.value)) {
    number = *value;
    reaction.focus = FieldId::threshold(comparator.page, comparator.position);
  } else {
    reaction.beep = true;  // the focus stays on the comparator
  }
  if (t.comparator != ">") t.comparator = ">";
  else if (number > 0) t.comparator = "<";
  ProgramModified = true;
  return reaction;
}

void ProgramDocument::zero1Click(FieldId hold) {
  if (hold.family != FieldFamily::Hold || !isValidField(hold)) return;
  bool& box = page(hold.page).hold;
  box = !box;
  ProgramModified = true;
}

}  // namespace velkor
