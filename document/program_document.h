// The program document: everything the user edits about one board program.
//
// Eleven output pages, each with its chain of condition slots and links, its
// analog thresholds (logic pages), pause, voltage and hold flag (analog
// pages), plus the active page and the modified flag. The editing rules that
// keep the document consistent are members, named after the event handlers
// that run them, so the window only forwards events and applies the Reaction
// a rule returns. The document knows nothing of program images; it calls
// `imagesStale` where the images must follow a change of the conditions.
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "document/field_names.h"
#include "document/program_names.h"

namespace velkor {

// Every condition token, in the order choice lists are refilled. A logic page
// offers all eleven, an analog page the first seven.
inline constexpr std::array<std::string_view, 11> ReferenceConditions{
    "EL1=1", "EL2=1", "EL3=1", "EL4=1", "EL5=1", "EL6=1", "EL7=1", "EA1", "EA2", "EA3", "EA4"};

// True when `text` is a token that a slot of `page` may hold.
bool isConditionToken(int page, std::string_view text);

struct ConditionSlot {
  std::string text;                  // a token of the page, or empty
  bool enabled = false;
  std::vector<std::string> choices;  // what the drop-down offers, in its own order
  friend bool operator==(const ConditionSlot&, const ConditionSlot&) = default;
};

struct LinkButton {
  std::string caption = "-";  // "-", "OU" or "ET"
  bool enabled = false;
  friend bool operator==(const LinkButton&, const LinkButton&) = default;
};

// One analog input's threshold on a logic page: comparator and value are
// enabled together, and the value is highlighted (yellow) exactly while enabled.
struct Threshold {
  std::string comparator = ">";  // ">" or "<"
  std::string value = "0";       // decimal digits, at most 4
  bool enabled = false;
  bool highlighted() const { return enabled; }
  friend bool operator==(const Threshold&, const Threshold&) = default;
};

struct OutputPage {
  int number = 0;
  std::vector<ConditionSlot> slots;  // slot MM at index MM-1
  std::vector<LinkButton> links;     // link MM at index MM-1
  std::array<Threshold, 4> thresholds{};  // EAk at index k-1; unused on analog pages
  std::string pause = "0";
  std::string voltage = "0";  // analog pages
  bool hold = false;          // analog pages
  friend bool operator==(const OutputPage&, const OutputPage&) = default;

  ConditionSlot& slot(int pos) { return slots.at(pos - 1); }
  const ConditionSlot& slot(int pos) const { return slots.at(pos - 1); }
  LinkButton& link(int pos) { return links.at(pos - 1); }
  const LinkButton& link(int pos) const { return links.at(pos - 1); }
  Threshold& threshold(int k) { return thresholds.at(k - 1); }
  const Threshold& threshold(int k) const { return thresholds.at(k - 1); }
};

// What the window must do once a rule has run. The rule has already run the
// consequences (a slot's enter rule included), so the window only applies it.
struct Reaction {
  std::optional<FieldId> focus;  // field that takes the keyboard focus
  bool selectAll = false;        // select the focused field's whole text
  bool beep = false;             // sound the system beep
};

// Limits of the numeric fields.
struct NumberLimits {
  std::size_t maxLength;
  long maxValue;
};
NumberLimits numberLimits(FieldFamily family);  // Threshold, Voltage or Pause

class ProgramDocument {
 public:
  // The document as the main window creates it: slot 01 of each page holds
  // its default token, choice lists are the initial lists A, B and C.
  ProgramDocument();

  OutputPage& page(int n) { return pages_.at(n - 1); }
  const OutputPage& page(int n) const { return pages_.at(n - 1); }

  ConditionSlot& slot(FieldId id) { return page(id.page).slot(id.position); }
  const ConditionSlot& slot(FieldId id) const { return page(id.page).slot(id.position); }
  LinkButton& link(FieldId id) { return page(id.page).link(id.position); }
  const LinkButton& link(FieldId id) const { return page(id.page).link(id.position); }
  // Comparator and Threshold ids both name the threshold they belong to.
  Threshold& threshold(FieldId id) { return page(id.page).threshold(id.position); }
  const Threshold& threshold(FieldId id) const { return page(id.page).threshold(id.position); }
  // Text of a numeric field (Threshold, Voltage or Pause id).
  const std::string& numberText(FieldId id) const;

  // Lookups by name; null when the name designates no field of that kind.
  ConditionSlot* findSlot(std::string_view name);
  LinkButton* findLink(std::string_view name);
  Threshold* findThreshold(std::string_view name);  // "supinfNN_0k" or "editNN_0k"
  const std::string* findNumber(std::string_view name) const;  // edit, tension, pause
  bool* findHold(std::string_view name);

  int activePage = 1;  // 1-11; the page control's index plus one
  bool ProgramModified = false;
  // The program's title, comment and the names of its inputs and outputs,
  // kept beside the program file (image/names_file.h); none by default.
  ProgramNames names;

  // Called where the program images must be rebuilt from the document.
  std::function<void()> imagesStale;

  // --- Condition chain editing ---------------------------------------------
  void choix01_01Enter(FieldId slot);
  // Typed characters never reach a slot: always false (discard the key).
  bool choix01_01KeyPress(FieldId slot, char key);
  // The user picked `entry` from the slot's list. Refused (false) when the
  // entry is not in the list or the slot is disabled.
  bool choix01_01Select(FieldId slot, std::string_view entry);
  Reaction ou01_01Click(FieldId link);
  void RefreshChoiceLists(int page);
  void UpdateThresholds(int page);

  // --- Threshold, voltage and pause fields -----------------------------------
  // Key filter: true when the key may go to the field (digits, backspace).
  bool edit01_01KeyPress(FieldId field, char key, bool replacesSelection = false);
  bool pause1KeyPress(FieldId field, char key, bool replacesSelection = false);
  // New text of a numeric field after typing or pasting. Text that is not
  // decimal digits or is longer than the field is refused (false) and the
  // field keeps its text; an accepted change sets the modified flag.
  bool setNumberText(FieldId field, std::string_view text);
  Reaction edit01_01Exit(FieldId field);
  Reaction tension1Exit(FieldId field);
  Reaction pause1Exit(FieldId field);
  Reaction supinf01_01Click(FieldId comparator);
  void zero1Click(FieldId hold);

  // Runs the leave rule of whatever numeric field `id` is (nothing for others).
  Reaction leaveField(FieldId id);

 private:
  std::string& numberTextRef(FieldId id);
  bool numberKey(FieldId field, char key, bool replacesSelection);
  Reaction normaliseNumber(FieldId field);
  void notifyImagesStale();

  std::array<OutputPage, kPageCount> pages_;
};

}  // namespace velkor
