#include "gui/editor/sheet_window.h"

#include <QHBoxLayout>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "gui/common/file_export.h"
#include "gui/common/form_scale.h"
#include "gui/common/window_placement.h"
#include "gui/paint/sheet_painter.h"

namespace velkor {
namespace {

std::unique_ptr<QPrinter> sheetPrinter(QPrinter::OutputFormat format) {
  auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
  printer->setOutputFormat(format);
  printer->setPageLayout(sheetPageLayout());
  printer->setCreator(QStringLiteral("VELKOR"));
  return printer;
}

}  // namespace

SheetWindow::SheetWindow(std::function<ProgramSheet()> sheet, UserDialogs& dialogs, PrinterDialog& printer,
                         QWidget* editor)
    : QWidget(editor, Qt::Window),
      sheet_(std::move(sheet)),
      dialogs_(dialogs),
      printerDialog_(printer),
      // The preview draws what a printer would, without asking the system's.
      previewPrinter_(sheetPrinter(QPrinter::PdfFormat)) {
  setObjectName("Fiche");
  setWindowTitle(QStringLiteral("Fiche du programme"));
  setAttribute(Qt::WA_QuitOnClose, false);
  auto* layout = new QVBoxLayout(this);

  auto* row = new QHBoxLayout;
  printButton = new QPushButton(QStringLiteral("&Imprimer…"), this);
  printButton->setObjectName("imprimer");
  connect(printButton, &QPushButton::clicked, this, &SheetWindow::print);
  pdfButton = new QPushButton(QStringLiteral("&Exporter en PDF…"), this);
  pdfButton->setObjectName("exporterPdf");
  connect(pdfButton, &QPushButton::clicked, this, &SheetWindow::exportPdf);
  auto* zoomOut = new QPushButton(QStringLiteral("Zoom &-"), this);
  auto* zoomIn = new QPushButton(QStringLiteral("Zoom &+"), this);
  for (QPushButton* button : {printButton, pdfButton, zoomOut, zoomIn}) row->addWidget(button);
  row->addStretch();
  layout->addLayout(row);

  preview_ = new QPrintPreviewWidget(previewPrinter_.get(), this);
  preview_->setObjectName("apercu");
  preview_->fitToWidth();
  connect(preview_, &QPrintPreviewWidget::paintRequested, this,
          [this](QPrinter* page) { paintSheet(*page, sheet_()); });
  connect(zoomOut, &QPushButton::clicked, preview_, [this] { preview_->zoomOut(); });
  connect(zoomIn, &QPushButton::clicked, preview_, [this] { preview_->zoomIn(); });
  layout->addWidget(preview_, 1);

  refresh_ = new QTimer(this);
  refresh_->setSingleShot(true);
  refresh_->setInterval(150);
  connect(refresh_, &QTimer::timeout, preview_, &QPrintPreviewWidget::updatePreview);
}

SheetWindow::~SheetWindow() = default;

QSize SheetWindow::sizeHint() const { return FormScale::ofApplication()(QSize(620, 760)); }

void SheetWindow::showWindow() {
  refresh_->stop();
  preview_->updatePreview();
  showBesideEditor(this, placed_);
}

void SheetWindow::followProgram() {
  if (isVisible()) refresh_->start();
}

void SheetWindow::print() {
  if (!printer_) printer_ = sheetPrinter(QPrinter::NativeFormat);
  if (!printerDialog_.choosePrinter(*printer_, this)) return;
  const ProgramSheet sheet = sheet_();
  printer_->setDocName(QString::fromStdString(sheet.title));
  if (!paintSheet(*printer_, sheet)) tell(QStringLiteral("Impossible d'imprimer la fiche du programme."));
}

void SheetWindow::exportPdf() {
  const QByteArray pdf = sheetPdf(sheet_());
  writeChosenFile(dialogs_, "Exporter la fiche en PDF", "Documents PDF (*.pdf)",
                  std::string_view(pdf.constData(), std::size_t(pdf.size())));
}

void SheetWindow::refuseModalCommands(bool refused) {
  printButton->setEnabled(!refused);
  pdfButton->setEnabled(!refused);
}

void SheetWindow::tell(const QString& text) {
  dialogs_.beep();
  dialogs_.showMessage(text.toStdString());
}

}  // namespace velkor
