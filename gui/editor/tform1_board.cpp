// The "Simulation" menu: the whole board simulated beside the pages.
#include <QAction>
#include <QMenuBar>

#include "gui/editor/tform1.h"
#include "gui/simulation/board_window.h"
#include "image/encoding.h"

namespace velkor {

void TForm1::buildSimulationMenu() {
  QMenu* menu = menuBar()->addMenu(QStringLiteral("&Simulation"));
  menu->setObjectName("Simulation1");
  QAction* board = menu->addAction(QStringLiteral("Simulation de la &carte"));
  board->setObjectName("Simulationdelacarte1");
  board->setShortcut(QKeySequence(Qt::Key_F5));
  connect(board, &QAction::triggered, this, &TForm1::Simulationdelacarte1Click);
}

void TForm1::Simulationdelacarte1Click() {
  if (!board_) {
    // The window reads the pages, not the images, which a number being typed
    // has not reached yet.
    board_ = new BoardWindow(
        [this] {
          ProgramImages images;
          construireImages(program_.document, images);
          return images;
        },
        dialogs_, this);
    connect(this, &TForm1::programChanged, board_, &BoardWindow::followProgram);
    board_->refuseModalCommands(transfer_->busy());
  }
  board_->showWindow();
}

}  // namespace velkor
