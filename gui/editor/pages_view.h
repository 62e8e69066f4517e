// The eleven output pages of the main window in its page control
// (`pagecontrol1`): built when first needed, showing the document, and the
// keyboard focus put where the document's rules say. What the user does on
// a field comes out as a signal naming the field, for the window's
// handlers; the fields' focus and key events go to `fieldEvents`.
#pragma once

#include <QObject>
#include <QString>
#include <array>

#include "document/program_document.h"
#include "gui/common/form_scale.h"
#include "gui/editor/page_widgets.h"
#include "image/user_dialogs.h"

class QLineEdit;
class QTabWidget;

namespace velkor {

class PagesView : public QObject {
  Q_OBJECT
 public:
  // The page control is made in `parent`; `dialogs` sounds the rules' beeps.
  PagesView(ProgramDocument& document, UserDialogs& dialogs, QObject* fieldEvents, QWidget* parent);

  QTabWidget* tabs() const { return tabs_; }
  const FormScale& scale() const { return scale_; }
  // The field a widget of the pages stands for (none for any other widget).
  static FieldId fieldOf(const QObject* widget);
  // A field's widget, its page built first.
  QWidget* fieldWidget(FieldId id);
  // The first field of a page in tab order: slot 01, or the voltage on an analog page.
  QWidget* firstField(int page);
  // That of the page the document says is active.
  QWidget* firstFieldShown() { return firstField(document_.activePage); }

  void buildAll();
  // Shows the document again: every widget of the page, or of all pages.
  void show(int page);
  void showAll();
  // A rule's reaction: the beep, and the focus where it says.
  void apply(const Reaction& reaction);
  // Moves to a neighbouring page and back: the field being edited is left
  // (its leave rule runs) and the focus ends in the first field of the page shown.
  void releaseFocus();

 Q_SIGNALS:
  void slotPicked(FieldId slot, const QString& choice);
  void linkClicked(FieldId link);
  void comparatorClicked(FieldId comparator);
  void holdClicked(FieldId hold);
  void simulateClicked(int page);
  // A number field's text as the user typed it, before the field is left.
  void numberTyped(QLineEdit* field, const QString& text);

 private:
  void build(int page);
  // Connects the widgets of a page just built.
  void wire(const PageWidgets& w);
  void pageChanged(int index);

  ProgramDocument& document_;
  UserDialogs& dialogs_;
  QObject* fieldEvents_;
  const FormScale scale_ = FormScale::ofApplication();  // the pages grow with the desktop's font
  QTabWidget* tabs_ = nullptr;
  std::array<PageWidgets, kPageCount> pages_{};
};

}  // namespace velkor
