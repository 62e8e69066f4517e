// The names and comments of a program: its title and comment, and for each
// input and output a name and a comment ("EL1" is the "Bouton marche" of
// the cabinet). The program file's format is fixed, so they live beside it,
// in a names file of their own (image/names_file.h).
//
// A plain value, compared as a whole, so that an undo history can keep it
// beside the pages. What a names file holds that this program does not use
// (other tools write the same file) is kept as read, to be written back.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace velkor {

// The inputs and outputs that can be named, numbered in the order the
// timing chart lists them: EL1-EL7 (0-6), EA1-EA4 (7-10), SL1-SL7 (11-17),
// SA1-SA4 (18-21).
constexpr int kSignalCount = 22;
constexpr int kFirstOutputSignal = 11;

// "EL1" ... "SA4".
std::string signalId(int signal);
// The signal `id` names, or nothing ("EL1" gives 0; "el1" and "EL8" nothing).
std::optional<int> signalOf(std::string_view id);
// The signal of an output page (1-11): SL1-SL7, SA1-SA4.
constexpr int outputSignal(int page) { return kFirstOutputSignal + page - 1; }
// The input a condition token names ("EL3=1" gives EL3, "EA2" EA2).
std::optional<int> conditionSignal(std::string_view token);

// Members of a names file this program does not use: each key with its
// value as JSON text, in the file's order.
using KeptMembers = std::vector<std::pair<std::string, std::string>>;

struct SignalNote {
  std::string name;
  std::string comment;
  KeptMembers kept;  // the other members of its object
  bool empty() const { return name.empty() && comment.empty() && kept.empty(); }
  friend bool operator==(const SignalNote&, const SignalNote&) = default;
};

struct ProgramNames {
  std::string title;
  std::string comment;
  std::array<SignalNote, kSignalCount> notes{};  // by signal
  KeptMembers kept;         // top-level members other than title, comment and signals
  KeptMembers keptSignals;  // members of "signals" that name no signal
  friend bool operator==(const ProgramNames&, const ProgramNames&) = default;

  // Nothing to write: no title, comment, note or kept member.
  bool empty() const;
  // The signal's name on one line, as labels show it; empty when it has none.
  std::string label(int signal) const;
  // "SL1 (Pompe)": the signal's id followed by its name, or the id alone.
  std::string idWithName(int signal) const;
  // A tooltip for what shows the signal as `shown` (its id, or a condition
  // token such as "EL1=1"): "EL1=1 — Bouton marche", its comment on the next
  // line; empty when the signal has neither name nor comment.
  std::string tip(int signal, std::string_view shown) const;
};

// An output page's title with the output's name: "Sortie logique N°3 —
// Pompe"; without a name, the page's title alone.
std::string namedPageTitle(int page, const ProgramNames& names);

// `text` on one line: each run of blanks (spaces, line breaks, tabs, other
// control characters) becomes one space, and blanks at either end go.
std::string singleLine(std::string_view text);

}  // namespace velkor
