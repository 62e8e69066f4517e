// The editor's views of the whole program: "Fiche du programme" exported as
// PDF and printed, read back with pdftotext; "Vue d'ensemble", its lines, a
// line opening its page, and both following the program as it is edited.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPrinter>
#include <QPushButton>
#include <QTabWidget>
#include <QtTest>

#include "gui/common/path_text.h"
#include "gui/editor/overview_window.h"
#include "gui/editor/sheet_window.h"
#include "image/names_file.h"
#include "image/program_file.h"
#include "image/program_summary.h"
#include "support/editor_on_screen.h"
#include "support/pdf_text.h"
#include "support/programs.h"

using namespace velkor;
using testing_support::FakeDialogs;
using testing_support::TempDir;

namespace {

// The printer "chosen" prints into a PDF file, or the user cancels.
class PdfPrinterDialog : public PrinterDialog {
 public:
  std::filesystem::path file;  // none: cancelled
  int asked = 0;
  bool choosePrinter(QPrinter& printer, QWidget*) override {
    ++asked;
    if (file.empty()) return false;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(toQString(file));
    return true;
  }
};

ProgramNames serreNames() {
  ProgramNames names;
  names.title = "Serre nord";
  names.notes[0].name = "Bouton marche";                    // EL1
  names.notes[1].name = "Thermostat";                       // EL2
  names.notes[std::size_t(outputSignal(1))].name = "Pompe d'arrosage";
  names.notes[std::size_t(outputSignal(2))].name = "Ventilateur";
  return names;
}

}  // namespace

class ProgramViewsTest : public QObject {
  Q_OBJECT

  TempDir settings;
  TempDir files;  // the program the editor opens in init()
  std::unique_ptr<FakeDialogs> dialogs;
  NoCursor cursor;
  std::unique_ptr<TForm1> form;

  template <typename W>
  W* child(QObject* parent, const char* name) {
    W* w = parent->findChild<W*>(QString::fromLatin1(name));
    if (!w) qFatal("no %s", name);
    return w;
  }

  void pick(const char* slotName, const QString& choice) {
    auto* slot = child<QComboBox>(form.get(), slotName);
    const int index = slot->findText(choice);
    QVERIFY(index >= 0);
    slot->setCurrentIndex(index);
    Q_EMIT slot->activated(index);
  }

  // Every output's line of the sheet, as the pages now say, is in `text`.
  void holdsEveryOutput(const std::string& text) {
    QVERIFY2(text.starts_with("Serre nord "), text.c_str());
    QVERIFY2(text.find("Fichier serre.prg, fiche du ") != std::string::npos, text.c_str());
    for (const OutputSummary& output : summarize(form->document())) {
      const std::string line = sheetLine(output, form->document().names);
      QVERIFY2(text.find(line) != std::string::npos, (line + " in " + text).c_str());
    }
  }

 private Q_SLOTS:
  void initTestCase() { testing_support::keepToScratch(settings); }

  // The empty program, opened from a file with the names beside it, so
  // that the history holds them.
  void init() {
    QVERIFY(testing_support::showEditor(form, dialogs, cursor));
    Program empty;
    empty.initialiserPages();
    empty.construireImages();
    testing_support::writeBytes(files / "serre.prg", serializeProgramFile(empty.images));
    testing_support::writeBytes(namesFilePath(files / "serre.prg"), programNamesText(serreNames()));
    form->files().openFile(files / "serre.prg");
    QCOMPARE(form->document().names, serreNames());
  }

  void cleanup() { testing_support::dropEditor(form); }

  void theSheetIsExportedAndPrintedAsThePagesStand() {
    TempDir dir;
    Program rich;
    testing_support::makeRichProgram(rich);
    testing_support::writeBytes(dir / "serre.prg", serializeProgramFile(rich.images));
    testing_support::writeBytes(namesFilePath(dir / "serre.prg"), programNamesText(serreNames()));
    form->files().openFile(dir / "serre.prg");
    PdfPrinterDialog printer;
    form->windows().setPrinterDialog(printer);

    child<QAction>(form.get(), "Ficheduprogramme1")->trigger();
    SheetWindow* sheet = form->windows().sheet();
    QVERIFY(sheet && sheet->isVisible());
    QCOMPARE(sheet->windowTitle(), QString("Fiche du programme"));
    pick("choix03_01", "EL1=1");  // after the window opened

    dialogs->saveChoice = dir / "fiche";  // ".pdf" added
    QTest::mouseClick(sheet->pdfButton, Qt::LeftButton);
    const std::string exported = testing_support::pdfWords(VELKOR_PDFTOTEXT, dir / "fiche.pdf");
    holdsEveryOutput(exported);
    QVERIFY(exported.find("SL1 Pompe d'arrosage = Bouton marche ET EA2 (> 250 mV) — pause 1000 mS") !=
            std::string::npos);
    QVERIFY(exported.find("SL3 = Bouton marche — pause 0 mS") != std::string::npos);

    printer.file = dir / "imprime.pdf";
    QTest::mouseClick(sheet->printButton, Qt::LeftButton);
    QCOMPARE(printer.asked, 1);
    holdsEveryOutput(testing_support::pdfWords(VELKOR_PDFTOTEXT, printer.file));

    printer.file.clear();  // cancelled: nothing printed, nothing said
    QTest::mouseClick(sheet->printButton, Qt::LeftButton);
    QCOMPARE(printer.asked, 2);
    QVERIFY(dialogs->shown.empty());

    // A transfer shuts the dialogs, not the window.
    form->windows().refuseModalCommands(true);
    QVERIFY(!sheet->printButton->isEnabled() && !sheet->pdfButton->isEnabled());
    form->windows().refuseModalCommands(false);
    QVERIFY(sheet->printButton->isEnabled() && sheet->pdfButton->isEnabled());
  }

  void theOverviewListsTheOutputsAndFollowsTheProgram() {
    child<QAction>(form.get(), "Vuedensemble1")->trigger();
    OverviewWindow* overview = form->windows().overview();
    QVERIFY(overview && overview->isVisible());
    QListWidget* lines = overview->lines();
    QCOMPARE(lines->count(), kPageCount);
    const std::vector<OutputSummary> outputs = summarize(form->document());
    for (int row = 0; row < kPageCount; ++row)
      QCOMPARE(lines->item(row)->text(), QString::fromStdString(outputLine(outputs[std::size_t(row)],
                                                                           &form->document().names)));
    QCOMPARE(lines->item(1)->text(), QString("SL2 (Ventilateur) : EL2=1 (Thermostat) — pause 0 mS"));
    QCOMPARE(lines->item(8)->text(), QString("SA2 : EL2=1 (Thermostat) — tension 0 mV, non maintenue — pause 0 mS"));

    pick("choix02_01", "EL3=1");
    QCOMPARE(lines->item(1)->text(), QString("SL2 (Ventilateur) : EL3=1 — pause 0 mS"));
    child<QAction>(form.get(), "Annuler1")->trigger();
    QCOMPARE(lines->item(1)->text(), QString("SL2 (Ventilateur) : EL2=1 (Thermostat) — pause 0 mS"));
  }

  // A click or Enter on a line shows its page in the editor, in front; a
  // number typed there and not left is left first, as a page change leaves it.
  void aLineOpensItsPage_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<bool>("enter");
    QTest::newRow("click on SA2") << 8 << false;
    QTest::newRow("Enter on SL4") << 3 << true;
  }

  void aLineOpensItsPage() {
    QFETCH(int, row);
    QFETCH(bool, enter);
    auto* pause = child<QLineEdit>(form.get(), "pause1");
    pause->setFocus(Qt::TabFocusReason);
    pause->selectAll();
    QTest::keyClicks(pause, "070");

    child<QAction>(form.get(), "Vuedensemble1")->trigger();
    OverviewWindow* overview = form->windows().overview();
    QApplication::setActiveWindow(overview);  // the editor's field loses the keyboard, not left
    QListWidget* lines = overview->lines();
    if (enter) {
      lines->setCurrentRow(row);
      lines->setFocus();
      QTest::keyClick(lines, Qt::Key_Return);
    } else {
      QTest::mouseClick(lines->viewport(), Qt::LeftButton, {}, lines->visualItemRect(lines->item(row)).center());
    }
    QCOMPARE(form->pages().tabs()->currentIndex(), row);
    QVERIFY(QTest::qWaitForWindowActive(form.get()));
    QCOMPARE(pause->text(), QString("70"));
    QCOMPARE(lines->item(0)->text(),
             QString("SL1 (Pompe d'arrosage) : EL1=1 (Bouton marche) — pause 70 mS"));
  }
};

QTEST_MAIN(ProgramViewsTest)
#include "program_views_test.moc"
