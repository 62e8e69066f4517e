#include "document/edit_history.h"

namespace velkor {
namespace {

const std::string kNothing;

// The choice lists follow the slots' texts, and entering a page refreshes
// them: their order alone is no change the user made.
bool sameBesidesChoices(const OutputPage& a, const OutputPage& b) {
  if (a.slots.size() != b.slots.size()) return false;
  for (std::size_t i = 0; i < a.slots.size(); ++i)
    if (a.slots[i].text != b.slots[i].text || a.slots[i].enabled != b.slots[i].enabled) return false;
  return a.links == b.links && a.thresholds == b.thresholds && a.pause == b.pause && a.voltage == b.voltage &&
         a.hold == b.hold;
}

// The same file (or board): what one of them holds is one state, whether it
// was read whole or damaged.
bool samePlace(const ProgramOrigin& a, const ProgramOrigin& b) { return a.kind == b.kind && a.file == b.file; }

}  // namespace

EditHistory::Pages EditHistory::snapshot(const ProgramDocument& document) const {
  Pages pages;
  for (int p = 1; p <= kPageCount; ++p) {
    const auto at = static_cast<std::size_t>(p - 1);
    const std::shared_ptr<const OutputPage>* before = steps_.empty() ? nullptr : &steps_[current_].pages[at];
    if (before && **before == document.page(p)) pages[at] = *before;  // unchanged: shared
    else pages[at] = std::make_shared<const OutputPage>(document.page(p));
  }
  return pages;
}

std::shared_ptr<const ProgramNames> EditHistory::namesSnapshot(const ProgramDocument& document) const {
  if (!steps_.empty() && *steps_[current_].names == document.names) return steps_[current_].names;
  return std::make_shared<const ProgramNames>(document.names);
}

void EditHistory::reset(const ProgramDocument& document, ProgramOrigin origin) {
  steps_.clear();
  held_.clear();
  steps_.push_back({{}, snapshot(document), namesSnapshot(document), std::move(origin)});
  current_ = 0;
  markHeld(0);
}

void EditHistory::markHeld(std::size_t index) {
  const ProgramOrigin& origin = steps_[index].origin;
  for (auto& [o, at] : held_)
    if (samePlace(o, origin)) {
      at = index;
      return;
    }
  held_.emplace_back(origin, index);
}

bool EditHistory::atSavedState() const {
  if (steps_.empty()) return true;
  for (const auto& [origin, at] : held_)
    if (samePlace(origin, steps_[current_].origin)) return at == current_;
  return false;
}

void EditHistory::push(Step step) {
  if (steps_.empty()) {
    steps_.push_back(std::move(step));
    current_ = 0;
    return;
  }
  // What could be redone goes, and with it what an origin held there.
  steps_.erase(steps_.begin() + static_cast<std::ptrdiff_t>(current_ + 1), steps_.end());
  std::erase_if(held_, [this](const auto& h) { return h.second > current_; });
  steps_.push_back(std::move(step));
  current_ = steps_.size() - 1;
  if (steps_.size() > kMaxSteps) {
    steps_.erase(steps_.begin());
    --current_;
    std::erase_if(held_, [](const auto& h) { return h.second == 0; });
    for (auto& h : held_) --h.second;
  }
}

bool EditHistory::differs(const ProgramDocument& document) const {
  if (steps_.empty()) return false;
  if (!(document.names == *steps_[current_].names)) return true;
  for (int p = 1; p <= kPageCount; ++p)
    if (!sameBesidesChoices(document.page(p), *steps_[current_].pages[static_cast<std::size_t>(p - 1)])) return true;
  return false;
}

bool EditHistory::record(const ProgramDocument& document, std::string label) {
  if (steps_.empty()) {
    reset(document, {});
    return false;
  }
  if (!differs(document)) return false;
  Pages pages = snapshot(document);
  auto names = namesSnapshot(document);
  ProgramOrigin origin = steps_[current_].origin;
  push({std::move(label), std::move(pages), std::move(names), std::move(origin)});
  return true;
}

void EditHistory::recordOpened(const ProgramDocument& document, std::string label, ProgramOrigin origin) {
  Pages pages = snapshot(document);
  auto names = namesSnapshot(document);
  // The same program from the same place (a file that failed to open over
  // the reset pages): nothing to undo, only the mark moves.
  if (steps_.empty() || pages != steps_[current_].pages || names != steps_[current_].names ||
      !(origin == steps_[current_].origin))
    push({std::move(label), std::move(pages), std::move(names), std::move(origin)});
  markHeld(current_);
}

void EditHistory::markSaved(std::filesystem::path file) {
  if (steps_.empty()) return;
  steps_[current_].origin = ProgramOrigin::fromFile(std::move(file));
  markHeld(current_);
}

const std::string& EditHistory::undoLabel() const { return canUndo() ? steps_[current_].label : kNothing; }

const std::string& EditHistory::redoLabel() const { return canRedo() ? steps_[current_ + 1].label : kNothing; }

std::vector<int> EditHistory::moveTo(std::size_t index, ProgramDocument& document) {
  std::vector<int> changed;
  for (int p = 1; p <= kPageCount; ++p) {
    const OutputPage& wanted = *steps_[index].pages[static_cast<std::size_t>(p - 1)];
    if (document.page(p) == wanted) continue;
    if (!sameBesidesChoices(document.page(p), wanted)) changed.push_back(p);
    document.page(p) = wanted;
  }
  document.names = *steps_[index].names;
  current_ = index;
  return changed;
}

std::vector<int> EditHistory::undo(ProgramDocument& document) {
  return canUndo() ? moveTo(current_ - 1, document) : std::vector<int>{};
}

std::vector<int> EditHistory::redo(ProgramDocument& document) {
  return canRedo() ? moveTo(current_ + 1, document) : std::vector<int>{};
}

}  // namespace velkor
