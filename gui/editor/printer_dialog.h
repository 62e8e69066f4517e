// Where and how the program sheet is printed, asked of the user behind a
// seam of its own, so that tests print without a dialog that would block.
#pragma once

class QPrinter;
class QWidget;

namespace velkor {

class PrinterDialog {
 public:
  virtual ~PrinterDialog() = default;
  // Lets the user set `printer` up (which printer, pages, copies...) over
  // `window`; false when the user cancels.
  virtual bool choosePrinter(QPrinter& printer, QWidget* window) = 0;
};

// Qt's print dialog.
class QtPrinterDialog : public PrinterDialog {
 public:
  bool choosePrinter(QPrinter& printer, QWidget* window) override;
};

}  // namespace velkor
