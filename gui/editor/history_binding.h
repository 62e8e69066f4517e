// The undo history bound to the main window: each change of the pages is a
// step, named in the "Annuler …" and "Rétablir …" entries; a number typed
// becomes one once its field is left; the caption names the file shown and
// says when there are unsaved changes.
#pragma once

#include <QObject>
#include <QString>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "document/edit_history.h"
#include "image/program.h"
#include "image/user_dialogs.h"

class QAction;
class QKeyEvent;
class QLineEdit;
class QWidget;

namespace velkor {

class PagesView;

class HistoryBinding : public QObject {
  Q_OBJECT
 public:
  // `undo` and `redo` are the Édition entries; `window` bears the caption.
  HistoryBinding(Program& program, PagesView& pages, UserDialogs& dialogs, QAction* undo, QAction* redo,
                 QWidget* window);

  const EditHistory& history() const { return history_; }
  // The program the window first shows: where the history starts.
  void start();
  // A field changed by a rule: its page shown again, the rule's reaction,
  // and the step recorded.
  void changed(FieldId id, const Reaction& reaction = {});
  // A number field's text as typed: refused (the beep, the text put back)
  // unless it is a number the field takes; one step once the field is left.
  void typed(QLineEdit* field, const QString& text);
  // The leave rule of a number field, which makes what was typed a step.
  void left(FieldId id);
  // Runs the leave rule of the number field typed in and not left, and
  // commits the other edits not left yet (see addPendingEdit), so that their
  // steps are recorded, under the program they belong to, before a command
  // replaces the pages (some, like a drop, come without the focus moving).
  void leaveTypedNumber();
  // `commit` records the edits of another window typed in and not left yet;
  // leaveTypedNumber runs it.
  void addPendingEdit(std::function<void()> commit) { pendingEdits_.push_back(std::move(commit)); }
  // The program's names were changed (already in the document): the
  // program is modified, and the change is one step, named by `label`.
  void namesChanged(const std::string& label);
  // Ctrl+Z, Ctrl+Y and Ctrl+Shift+Z: the program's undo and redo, wherever
  // they are typed, rather than a field's own.
  static bool isHistoryKey(const QKeyEvent* key);
  // After the whole program was replaced (open, download, new): shows it
  // from its first page, the focus where `reaction` puts it, and records it
  // as one step.
  void programReplaced(const Reaction& reaction, const std::string& label, ProgramOrigin origin);
  // "Annuler" (`back`) or "Rétablir".
  void step(bool back);
  // The program was written to `file`, which now holds this state of the history.
  void saved(const std::filesystem::path& file);
  void updateCaption();
  // While a transfer runs, the history does not move.
  void refuse(bool refused);

 Q_SIGNALS:
  // The program on the pages changed: an edit (a number as it is typed),
  // undo or redo, another program, or its file (a save).
  void programChanged();

 private:
  // After an edit: a step of the history when the pages changed, and the caption.
  void recordStep(const std::string& label);
  void updateEntries();

  Program& program_;
  PagesView& pages_;
  UserDialogs& dialogs_;
  QAction* undo_;
  QAction* redo_;
  QWidget* window_;
  EditHistory history_;
  std::optional<FieldId> typing_;  // the number field typed in and not left yet
  std::vector<std::function<void()>> pendingEdits_;
  // Another program is on the pages and the history does not hold it yet: a
  // field left meanwhile is left on the new program, no step of its own.
  bool replacing_ = false;
  bool refused_ = false;
};

}  // namespace velkor
