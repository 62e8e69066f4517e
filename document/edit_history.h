// The undo history of the program document: whole-page snapshots.
//
// Each step keeps the eleven pages and the program's names as they stood
// after it, shared with the step before wherever they did not change, so a
// step costs one or two pages. Restoring a step puts back every part of every page (texts,
// captions, enabled flags, choice lists in their order, thresholds), which
// inverse operations could not promise after a chain was cut.
#pragma once

#include <array>
#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "document/program_document.h"

namespace velkor {

// Where the program shown came from: nothing yet, a file, or the board.
struct ProgramOrigin {
  enum class Kind { None, File, Board };
  Kind kind = Kind::None;
  std::filesystem::path file;  // for Kind::File; empty otherwise
  // The file held more than the pages show (it was read damaged): writing
  // the pages back over it without a question would lose the rest.
  bool partial = false;

  static ProgramOrigin none() { return {}; }
  static ProgramOrigin fromFile(std::filesystem::path path, bool partial = false) {
    return {Kind::File, std::move(path), partial};
  }
  static ProgramOrigin board() { return {Kind::Board, {}}; }
  friend bool operator==(const ProgramOrigin&, const ProgramOrigin&) = default;
};

class EditHistory {
 public:
  // Steps kept at most; the oldest go first.
  static constexpr std::size_t kMaxSteps = 1000;

  // Forgets every step: the document as it is becomes the only state, the
  // one its origin last held.
  void reset(const ProgramDocument& document, ProgramOrigin origin);

  // True when the document's pages differ from the current state in more
  // than the order of choice lists (which entering a page refreshes), or
  // its names differ.
  bool differs(const ProgramDocument& document) const;
  // Records the document as a new step when it differs; what could be
  // redone is dropped. True when recorded.
  bool record(const ProgramDocument& document, std::string label);

  // A step that replaces the whole program (open, download, new): recorded
  // with its origin, as the state that origin holds.
  void recordOpened(const ProgramDocument& document, std::string label, ProgramOrigin origin);

  // The current state was saved to a file: it is now what that file holds.
  void markSaved(std::filesystem::path file);

  bool canUndo() const { return current_ > 0; }
  bool canRedo() const { return current_ + 1 < steps_.size(); }
  // What undo or redo would change back ("le lien (SL2)"); empty when nothing.
  const std::string& undoLabel() const;
  const std::string& redoLabel() const;

  // Puts the pages and names of the step before (after) into the document,
  // exactly. Returns the pages that changed beyond their choice lists, in order.
  std::vector<int> undo(ProgramDocument& document);
  std::vector<int> redo(ProgramDocument& document);
  // Puts the current step's pages and names back into the document.
  void restore(ProgramDocument& document) { moveTo(current_, document); }

  // True while the current state is what its origin holds: the file as last
  // opened or saved, the board as last loaded, a new program untouched.
  bool atSavedState() const;
  const ProgramOrigin& origin() const { return steps_.at(current_).origin; }
  std::size_t size() const { return steps_.size(); }

 private:
  using Pages = std::array<std::shared_ptr<const OutputPage>, kPageCount>;
  struct Step {
    std::string label;  // what this step changed
    Pages pages;
    std::shared_ptr<const ProgramNames> names;
    ProgramOrigin origin;
  };
  Pages snapshot(const ProgramDocument& document) const;
  std::shared_ptr<const ProgramNames> namesSnapshot(const ProgramDocument& document) const;
  void push(Step step);
  void markHeld(std::size_t index);
  std::vector<int> moveTo(std::size_t index, ProgramDocument& document);

  std::vector<Step> steps_;
  std::size_t current_ = 0;
  // For each origin, the step whose pages it holds; an origin whose step
  // went out of the history has none.
  std::vector<std::pair<ProgramOrigin, std::size_t>> held_;
};

}  // namespace velkor
