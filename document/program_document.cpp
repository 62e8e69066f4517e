#include "document/program_document.h"

#include <stdexcept>

namespace velkor {
namespace {

// Initial choice lists, before the first refresh reorders them.
// A: the analog inputs first, then every logic input.
std::vector<std::string> listA() {
  return {"EA1", "EA2", "EA3", "EA4", "EL1=1", "EL2=1", "EL3=1", "EL4=1", "EL5=1", "EL6=1", "EL7=1"};
}
// B: list A without "EL1=1".
std::vector<std::string> listB() {
  return {"EA1", "EA2", "EA3", "EA4", "EL2=1", "EL3=1", "EL4=1", "EL5=1", "EL6=1", "EL7=1"};
}
// C: the logic inputs only, for the analog pages.
std::vector<std::string> listC() {
  return {"EL1=1", "EL2=1", "EL3=1", "EL4=1", "EL5=1", "EL6=1", "EL7=1"};
}

// The token slot 01 of a page starts with: ELk=1 for SLk and for SAk.
std::string defaultFirstCondition(int page) {
  const int k = isLogicPage(page) ? page : analogOutputOf(page);
  return "EL" + std::to_string(k) + "=1";
}

}  // namespace

bool isConditionToken(int page, std::string_view text) {
  for (int i = 0; i < slotCount(page); ++i)
    if (ReferenceConditions[static_cast<std::size_t>(i)] == text) return true;
  return false;
}

NumberLimits numberLimits(FieldFamily family) {
  switch (family) {
    case FieldFamily::Threshold: return {4, 4990};
    case FieldFamily::Voltage: return {4, 5100};
    case FieldFamily::Pause: return {5, 65000};
    default: throw std::invalid_argument("not a numeric field");
  }
}

ProgramDocument::ProgramDocument() {
  for (int p = 1; p <= kPageCount; ++p) {
    OutputPage& pg = page(p);
    pg.number = p;
    pg.slots.resize(static_cast<std::size_t>(slotCount(p)));
    pg.links.resize(static_cast<std::size_t>(linkCount(p)));
    for (int m = 1; m <= slotCount(p); ++m) {
      ConditionSlot& s = pg.slot(m);
      if (isAnalogPage(p)) s.choices = listC();
      else s.choices = m == 1 ? listA() : listB();
    }
    pg.slot(1).text = defaultFirstCondition(p);
    pg.slot(1).enabled = true;
    pg.link(1).enabled = true;
  }
}

const std::string& ProgramDocument::numberText(FieldId id) const {
  return const_cast<ProgramDocument*>(this)->numberTextRef(id);
}

std::string& ProgramDocument::numberTextRef(FieldId id) {
  switch (id.family) {
    case FieldFamily::Threshold: return threshold(id).value;
    case FieldFamily::Voltage: return page(id.page).voltage;
    case FieldFamily::Pause: return page(id.page).pause;
    default: throw std::invalid_argument("not a numeric field: " + fieldName(id));
  }
}

ConditionSlot* ProgramDocument::findSlot(std::string_view name) {
  auto id = parseFieldName(name);
  return id && id->family == FieldFamily::Slot ? &slot(*id) : nullptr;
}

LinkButton* ProgramDocument::findLink(std::string_view name) {
  auto id = parseFieldName(name);
  return id && id->family == FieldFamily::Link ? &link(*id) : nullptr;
}

Threshold* ProgramDocument::findThreshold(std::string_view name) {
  auto id = parseFieldName(name);
  if (!id || (id->family != FieldFamily::Threshold && id->family != FieldFamily::Comparator)) return nullptr;
  return &threshold(*id);
}

const std::string* ProgramDocument::findNumber(std::string_view name) const {
  auto id = parseFieldName(name);
  if (!id) return nullptr;
  switch (id->family) {
    case FieldFamily::Threshold:
    case FieldFamily::Voltage:
    case FieldFamily::Pause: return &numberText(*id);
    default: return nullptr;
  }
}

bool* ProgramDocument::findHold(std::string_view name) {
  auto id = parseFieldName(name);
  return id && id->family == FieldFamily::Hold ? &page(id->page).hold : nullptr;
}

void ProgramDocument::notifyImagesStale() {
  if (imagesStale) imagesStale();
}

}  // namespace velkor
