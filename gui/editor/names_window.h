// "Noms et commentaires…": the program's title and comment, and a name and a
// comment for each input and output, beside the pages. Each change is a
// step of the undo history, made when its field is left, when the window
// closes, or before a command replaces the program (as a number typed is).
#pragma once

#include <QWidget>
#include <string>
#include <vector>

#include "document/program_document.h"

class QLineEdit;
class QPlainTextEdit;

namespace velkor {

class HistoryBinding;

class NamesWindow : public QWidget {
 public:
  // Edits `document`'s names, each change a step of `history`; beside
  // `editor`, whose Annuler and Rétablir entries `historyActions` are.
  NamesWindow(ProgramDocument& document, HistoryBinding& history, const QList<QAction*>& historyActions,
              QWidget* editor);

  // Shows the window, the first time beside the editor.
  void showWindow();
  // Every field typed in and not left yet becomes a step, one per field.
  void commit();
  // The fields show the document's names (after undo, another program...).
  void showNames();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  // A field and what it edits: the program's title or comment (no signal),
  // or a signal's name or comment.
  struct Field {
    QWidget* widget = nullptr;  // a QLineEdit, or the QPlainTextEdit of the program's comment
    int signal = -1;
    bool comment = false;
    bool typed = false;  // typed in since it last showed the document
  };
  QWidget* buildProgramFields();
  QWidget* buildSignals(const QString& title, int first, int count);
  void addField(QWidget* widget, int signal, bool comment);
  void typedIn(Field& field);
  void commit(Field& field);
  std::string& valueOf(const Field& field, ProgramNames& names) const;
  static QString textOf(const Field& field);
  static std::string stepLabel(const Field& field);

  ProgramDocument& document_;
  HistoryBinding& history_;
  std::vector<Field> fields_;
  bool showing_ = false;     // the fields are being set from the document
  bool committing_ = false;  // a field's change is being recorded
  bool placed_ = false;
};

}  // namespace velkor
