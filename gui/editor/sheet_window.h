// "Fiche du programme": the program sheet of the program on the pages, shown
// page by page as it prints, printed through the print dialog or exported
// as a PDF. It follows the program as it is edited, as the board window
// does.
#pragma once

#include <QWidget>
#include <functional>
#include <memory>

#include "gui/editor/printer_dialog.h"
#include "image/user_dialogs.h"
#include "sheet/program_sheet.h"

class QPrintPreviewWidget;
class QPrinter;
class QPushButton;
class QTimer;

namespace velkor {

class SheetWindow : public QWidget {
  Q_OBJECT
 public:
  // `sheet` makes the sheet of the program as it stands; `dialogs` chooses
  // the PDF's file and tells failures; `printer` asks where to print.
  SheetWindow(std::function<ProgramSheet()> sheet, UserDialogs& dialogs, PrinterDialog& printer, QWidget* editor);
  ~SheetWindow() override;

  // Shows the window, the sheet made anew, in front of the others.
  void showWindow();
  // The program changed: the pages shown follow it.
  void followProgram();
  // "Imprimer…": the print dialog, then the sheet on the printer chosen,
  // whose settings are kept for the next time.
  void print();
  // "Exporter en PDF…": the sheet as velkor-cli sheet --pdf writes it, in a
  // file the user chooses.
  void exportPdf();
  // While the editor talks to the board, the dialogs stay shut.
  void refuseModalCommands(bool refused);

  QPushButton* printButton = nullptr;
  QPushButton* pdfButton = nullptr;
  QSize sizeHint() const override;

 private:
  void tell(const QString& text);

  std::function<ProgramSheet()> sheet_;
  UserDialogs& dialogs_;
  PrinterDialog& printerDialog_;
  std::unique_ptr<QPrinter> previewPrinter_;
  std::unique_ptr<QPrinter> printer_;  // made on the first print
  QPrintPreviewWidget* preview_ = nullptr;
  // Lays the pages out again once the edits of a moment are done, not at
  // every key typed.
  QTimer* refresh_ = nullptr;
  bool placed_ = false;
};

}  // namespace velkor
