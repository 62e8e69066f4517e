// The panel a board transfer shows over the pages while it runs: which
// output is being sent or read, a bar over the eleven lines, the time the
// fixed pauses still take, and "Annuler", which stops the transfer after the
// line in progress. Part of the main window, which keeps its focus.
#pragma once

#include <QFrame>

#include "board/board_transfer.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace velkor {

class TransferProgress : public QFrame {
  Q_OBJECT
 public:
  // Shown in the middle of `parent`, above its other children.
  explicit TransferProgress(QWidget* parent);

  // Before the port opens: the command's name as the title, nothing done yet.
  void begin(const QString& title);
  void showStep(const TransferStep& step);

 Q_SIGNALS:
  void stopAsked();

 private:
  void stop();

  QLabel* title_;
  QLabel* step_;
  QProgressBar* bar_;
  QLabel* left_;
  QPushButton* stop_;
};

}  // namespace velkor
