#include "gui/editor/printer_dialog.h"

#include <QPrintDialog>
#include <QPrinter>

namespace velkor {

bool QtPrinterDialog::choosePrinter(QPrinter& printer, QWidget* window) {
  QPrintDialog dialog(&printer, window);
  dialog.setWindowTitle(QStringLiteral("Imprimer la fiche du programme"));
  return dialog.exec() == QDialog::Accepted;
}

}  // namespace velkor
