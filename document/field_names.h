// Names of the program document's fields.
//
// Every field of the document answers to a name composed of a prefix, the
// page number and a position ("choix03_07", "ou08_06", "edit07_04",
// "pause8", "tension1", "zero4", "simu11"). The window gives each widget
// that name, and shared event handlers learn page and position from it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace velkor {

constexpr int kPageCount = 11;
constexpr int kLogicPageCount = 7;
constexpr int kAnalogInputCount = 4;

// Pages 1-7 are the logic outputs SL1-SL7, pages 8-11 the analog outputs SA1-SA4.
constexpr bool isValidPage(int page) { return page >= 1 && page <= kPageCount; }
constexpr bool isLogicPage(int page) { return page >= 1 && page <= kLogicPageCount; }
constexpr bool isAnalogPage(int page) { return page > kLogicPageCount && page <= kPageCount; }
constexpr int slotCount(int page) { return isLogicPage(page) ? 11 : 7; }
constexpr int linkCount(int page) { return slotCount(page) - 1; }
// Analog output number (1-4) of an analog page.
constexpr int analogOutputOf(int page) { return page - kLogicPageCount; }
constexpr int pageOfAnalogOutput(int output) { return output + kLogicPageCount; }

// "SL3", "SA2": the tab caption of a page.
std::string pageCaption(int page);
// "Sortie logique N°3", "Sortie analogique N°2": the page's title bar.
std::string pageTitle(int page);

enum class FieldFamily {
  Slot,        // choixNN_MM: condition slot MM
  Link,        // ouNN_MM: link between slot MM and MM+1
  Comparator,  // supinfNN_0k: comparator of the threshold of EAk (logic pages)
  Threshold,   // editNN_0k: value of the threshold of EAk (logic pages)
  Pause,       // pauseP
  Voltage,     // tensionA (analog pages; A = page - 7)
  Hold,        // zeroA (analog pages)
  Simulate,    // simuP
};

// A field of the document. `page` is always the page number (1-11), also for
// voltage and hold fields whose names carry the analog output number;
// `position` is the slot, link or analog input number, 0 for page-wide fields.
struct FieldId {
  FieldFamily family{};
  int page = 0;
  int position = 0;

  friend bool operator==(const FieldId&, const FieldId&) = default;

  static FieldId slot(int page, int pos) { return {FieldFamily::Slot, page, pos}; }
  static FieldId link(int page, int pos) { return {FieldFamily::Link, page, pos}; }
  static FieldId comparator(int page, int k) { return {FieldFamily::Comparator, page, k}; }
  static FieldId threshold(int page, int k) { return {FieldFamily::Threshold, page, k}; }
  static FieldId pause(int page) { return {FieldFamily::Pause, page, 0}; }
  static FieldId voltage(int page) { return {FieldFamily::Voltage, page, 0}; }
  static FieldId hold(int page) { return {FieldFamily::Hold, page, 0}; }
  static FieldId simulate(int page) { return {FieldFamily::Simulate, page, 0}; }
};

// True when the field exists in the document (page and position in range for its family).
bool isValidField(FieldId id);

// The field's name; the id must be valid.
std::string fieldName(FieldId id);

// The field a name designates, or nothing when the name is not one of the
// document's names. Exact inverse of fieldName().
std::optional<FieldId> parseFieldName(std::string_view name);

}  // namespace velkor
