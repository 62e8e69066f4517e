// The board commands of the Fichiers menu: "Charger depuis la carte",
// "Enregistrer dans la carte" and "Vérifier la carte", each with its panel
// over the pages. While a transfer runs, nothing else may use the port or
// the program or end the application (a second transfer would empty the
// reply under the first), nor open anything modal (its event loop would
// hold the transfer): what would is refused until it ends.
#pragma once

#include <QObject>
#include <QString>
#include <vector>

#include "board/board_transfer.h"
#include "image/program.h"
#include "image/user_dialogs.h"

class QAction;
class QWidget;

namespace velkor {

class CommandRunner;
class HistoryBinding;
class PortMenu;
class TransferProgress;

class TransferCommands : public QObject {
  Q_OBJECT
 public:
  // `refused`: the entries disabled while a transfer runs; the panel shows
  // over `pages`, which are locked meanwhile.
  TransferCommands(BoardTransfer& transfer, PortMenu& ports, Program& program, HistoryBinding& history,
                   UserDialogs& dialogs, const CommandRunner& runner, std::vector<QAction*> refused,
                   QWidget* pages);

  // The board's program on the pages, alone, as a file opened puts its own.
  void download();
  void upload();
  // Reads the board's program as a download does, and says what differs
  // from the pages, field by field; the pages stay as they are.
  void verify();

 Q_SIGNALS:
  void runningChanged(bool running);

 private:
  // A transfer with the board, under the panel's `title`.
  template <class F>
  void run(const QString& title, F&& command);
  void setRunning(bool running);

  BoardTransfer& transfer_;
  PortMenu& ports_;
  Program& program_;
  HistoryBinding& history_;
  UserDialogs& dialogs_;
  const CommandRunner& runner_;
  std::vector<QAction*> refused_;
  QWidget* pages_;
  TransferProgress* progress_;
};

}  // namespace velkor
