// "Vue d'ensemble": the eleven outputs, one line each with their names, as
// `velkor-cli show` prints them. A click or Enter on a line opens that
// output's page in the editor; the lines follow the program as it changes.
#pragma once

#include <QWidget>

#include "document/program_document.h"

class QListWidget;

namespace velkor {

class OverviewWindow : public QWidget {
  Q_OBJECT
 public:
  OverviewWindow(const ProgramDocument& document, QWidget* editor);

  // Shows the window, its lines read anew, in front of the others.
  void showWindow();
  // The program changed: the lines follow it.
  void followProgram();

  QListWidget* lines() const { return lines_; }
  QSize sizeHint() const override;

 Q_SIGNALS:
  // The user chose the line of output page `page` (1-11).
  void pageChosen(int page);

 private:
  const ProgramDocument& document_;
  QListWidget* lines_ = nullptr;
  bool placed_ = false;
};

}  // namespace velkor
