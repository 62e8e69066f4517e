// The program's names in the editor: read with the program, shown in the
// page titles and the slots' tooltips, edited in "Noms et commentaires…" as
// steps of the undo history, saved beside the program, and shown by the
// simulation windows.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>
#include <memory>

#include "gui/editor/tform1.h"
#include "gui/simulation/board_window.h"
#include "gui/simulation/lamp.h"
#include "gui/simulation/logic_window.h"
#include "gui/simulation/timing_chart.h"
#include "image/messages.h"
#include "image/names_file.h"
#include "image/program_file.h"
#include "support/editor_on_screen.h"
#include "support/fake_dialogs.h"
#include "support/programs.h"
#include "support/temp_dir.h"

using namespace velkor;
using testing_support::FakeDialogs;
using testing_support::readBytes;
using testing_support::TempDir;
using testing_support::writeBytes;

namespace {

constexpr const char* kNames =
    R"({"title": "Serre nord", "outil": {"v": 2},)"
    R"( "signals": {"EL1": {"name": "Bouton marche", "comment": "armoire, porte gauche", "couleur": "vert"},)"
    R"( "EA2": {"name": "Sonde humidité"}, "SL1": {"name": "Pompe"}, "EL3": {"comment": "réserve"},)"
    R"( "SA1": {"name": "Vanne de la serre nord, côté est, près de la porte"}}})";

}  // namespace

class NamesTest : public QObject {
  Q_OBJECT

  TempDir settings;
  TempDir dir;
  std::unique_ptr<FakeDialogs> dialogs;
  NoCursor cursor;
  std::unique_ptr<TForm1> form;

  template <typename W>
  W* field(const QString& name, QObject* in = nullptr) {
    W* w = (in ? in : form.get())->findChild<W*>(name);
    if (!w) qFatal("no widget %s", qPrintable(name));
    return w;
  }
  QAction* action(const char* name) { return field<QAction>(QString::fromLatin1(name)); }
  QWidget* namesWindow() {
    action("Nomsetcommentaires1")->trigger();
    return field<QWidget>("NomsEtCommentaires");
  }
  // The example program in `name`, and `names` beside it unless empty.
  std::filesystem::path writeProgram(const std::string& name, const std::string& names) {
    Program example;
    example.initialiserPages();
    testing_support::makeExample(example);
    example.construireImages();
    const auto path = dir / name;
    writeBytes(path, serializeProgramFile(example.images));
    if (!names.empty()) writeBytes(namesFilePath(path), names);
    return path;
  }
  // Types `text` into a line of the names window and leaves it for the next.
  void typeAndLeave(QLineEdit* line, const QString& text) {
    line->window()->activateWindow();
    line->setFocus(Qt::TabFocusReason);
    line->selectAll();
    QTest::keyClicks(line, text);
    QTest::keyClick(line, Qt::Key_Tab);
  }

 private Q_SLOTS:
  void initTestCase() { testing_support::keepToScratch(settings); }

  void init() { QVERIFY(testing_support::showEditor(form, dialogs, cursor)); }

  void cleanup() {
    testing_support::dropEditor(form);
    QVERIFY2(dialogs->answers.empty(), "every prepared answer was used");
  }

  // The Parts' texts stay as they are; a name goes after them, a comment on
  // the next line of the tooltip, a long name is cut in the title only.
  void titlesAndTooltipsNameWhatIsNamed_data() {
    QTest::addColumn<QString>("names");  // the names file; empty: none
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("titleTip");
    QTest::addColumn<QString>("slotTip");   // slot 01 of the page
    QTest::addColumn<QString>("entryTip");  // the entry "EL1=1" of slot 01's list
    const QString names = kNames;
    QTest::newRow("no names file, SL1") << QString() << 1 << "Sortie logique N°1" << "" << "" << "";
    QTest::newRow("no names file, SA1") << QString() << 8 << "Sortie analogique N°1" << "" << "" << "";
    QTest::newRow("named output and inputs")
        << names << 1 << "Sortie logique N°1 — Pompe" << "Sortie logique N°1 — Pompe"
        << "EL1=1 — Bouton marche\narmoire, porte gauche" << "EL1=1 — Bouton marche\narmoire, porte gauche";
    QTest::newRow("a comment alone") << names << 3 << "Sortie logique N°3" << "" << "EL3=1\nréserve"
                                     << "EL1=1 — Bouton marche\narmoire, porte gauche";
    QTest::newRow("a long name, cut")
        << names << 8 << "Sortie analogique N°1 — Vanne de la…"
        << "Sortie analogique N°1 — Vanne de la serre nord, côté est, près de la porte"
        << "EL1=1 — Bouton marche\narmoire, porte gauche" << "EL1=1 — Bouton marche\narmoire, porte gauche";
  }

  void titlesAndTooltipsNameWhatIsNamed() {
    QFETCH(QString, names);
    QFETCH(int, page);
    QFETCH(QString, title);
    QFETCH(QString, titleTip);
    QFETCH(QString, slotTip);
    QFETCH(QString, entryTip);
    form->files().openFile(writeProgram("serre.prg", names.toStdString()));
    QVERIFY(dialogs->shown.empty());
    form->pages().tabs()->setCurrentIndex(page - 1);
    auto* titleBar = field<QLabel>(QStringLiteral("titre%1").arg(page));
    if (title.endsWith("…"))  // where it is cut depends on the font
      QVERIFY2(titleBar->text().startsWith(title.chopped(1)) && titleBar->text().endsWith("…"), qPrintable(titleBar->text()));
    else QCOMPARE(titleBar->text(), title);
    QVERIFY(titleBar->fontMetrics().horizontalAdvance(titleBar->text()) <= titleBar->contentsRect().width());
    QCOMPARE(titleBar->toolTip(), titleTip);
    auto* slot = field<QComboBox>(QString::fromStdString(fieldName(FieldId::slot(page, 1))));
    QCOMPARE(slot->toolTip(), slotTip);
    const int entry = slot->findText("EL1=1");
    QVERIFY(entry >= 0);
    QCOMPARE(slot->itemData(entry, Qt::ToolTipRole).toString(), entryTip);
  }

  // Open, name, undo, save under a new name, reopen: the names file follows
  // the program, keeps what VELKOR does not use, and undoing the open gives
  // back the names that came before it.
  void namesRoundTripThroughTheEditor() {
    const auto serre = writeProgram("serre.prg", kNames);
    form->files().openFile(serre);
    QCOMPARE(form->document().names.title, std::string("Serre nord"));
    QWidget* window = namesWindow();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QCOMPARE(field<QLineEdit>("nomEL1", window)->text(), QStringLiteral("Bouton marche"));
    QCOMPARE(field<QLineEdit>("commentaireEL1", window)->text(), QStringLiteral("armoire, porte gauche"));

    typeAndLeave(field<QLineEdit>("nomSL1", window), "Pompe d'arrosage");
    QCOMPARE(action("Annuler1")->text(), QStringLiteral("&Annuler le nom (SL1)"));
    QVERIFY(form->document().ProgramModified);
    QCOMPARE(form->windowTitle(), QStringLiteral("VELKOR - serre.prg*"));
    QCOMPARE(field<QLabel>("titre1")->text(), QStringLiteral("Sortie logique N°1 — Pompe d'arrosage"));
    typeAndLeave(field<QLineEdit>("titre", window), "Serre sud");
    QCOMPARE(action("Annuler1")->text(), QStringLiteral("&Annuler le titre"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Z, Qt::ControlModifier);  // from the names window
    QCOMPARE(field<QLineEdit>("titre", window)->text(), QStringLiteral("Serre nord"));
    QCOMPARE(action("Retablir1")->text(), QStringLiteral("&Rétablir le titre"));
    action("Annuler1")->trigger();
    QCOMPARE(field<QLabel>("titre1")->text(), QStringLiteral("Sortie logique N°1 — Pompe"));
    QVERIFY(!form->document().ProgramModified);
    action("Retablir1")->trigger();

    dialogs->saveChoice = dir / "copie.prg";
    action("Sauvegarder1")->trigger();
    QVERIFY(!form->document().ProgramModified);
    QCOMPARE(readBytes(namesFilePath(serre)), std::string(kNames));
    const NamesRead copy = readProgramNames(dir / "copie.prg");
    QCOMPARE(copy.status, NamesRead::Status::Ok);
    QCOMPARE(copy.names, form->document().names);
    const std::string written = readBytes(namesFilePath(dir / "copie.prg"));
    for (const char* kept : {"\"outil\": {\"v\":2}", "\"couleur\": \"vert\"", "\"Pompe d'arrosage\""})
      QVERIFY2(written.find(kept) != std::string::npos, kept);

    action("Nouveau1")->trigger();
    QCOMPARE(form->document().names, ProgramNames{});
    QCOMPARE(field<QLineEdit>("nomSL1", window)->text(), QString());
    form->files().openFile(dir / "copie.prg");
    QCOMPARE(form->document().names, copy.names);
    action("Annuler1")->trigger();
    action("Annuler1")->trigger();
    QCOMPARE(form->document().names.label(outputSignal(1)), std::string("Pompe d'arrosage"));
    QCOMPARE(field<QLineEdit>("nomSL1", window)->text(), QStringLiteral("Pompe d'arrosage"));
  }

  // A names file that cannot be read: the program opens, shown without
  // names, then the warning; saving without names leaves the file alone,
  // saving with names replaces it.
  void aDamagedNamesFileIsToldAndKeptUntilNamesAreSaved() {
    const std::string damaged = "{\"title\": \"Serre\",\n \"signals\": [1]}";
    const auto serre = writeProgram("serre.prg", damaged);
    form->files().openFile(serre);
    QCOMPARE(dialogs->shown,
             std::vector<std::string>{msg::damagedNamesFile("serre.prg.json", "« signals » doit être un objet")});
    QCOMPARE(form->document().names, ProgramNames{});
    QCOMPARE(form->windowTitle(), QStringLiteral("VELKOR - serre.prg"));
    QCOMPARE(field<QComboBox>("choix01_02")->currentText(), QStringLiteral("EA2"));
    action("Enregistrer1")->trigger();
    QCOMPARE(readBytes(namesFilePath(serre)), damaged);
    typeAndLeave(field<QLineEdit>("nomEA2", namesWindow()), "Sonde");
    action("Enregistrer1")->trigger();
    QCOMPARE(readProgramNames(serre).names.label(kLogicInputCount + 1), std::string("Sonde"));
  }

  // What is typed and not left is committed by closing the window, and
  // before a command puts another program on the pages: undo gives it back
  // with its program.
  void whatIsTypedIsKeptWhenTheWindowClosesOrTheProgramGoes() {
    QWidget* window = namesWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
    auto* comment = field<QPlainTextEdit>("commentaire", window);
    comment->setFocus(Qt::TabFocusReason);
    QTest::keyClicks(comment, "Arrosage");
    QVERIFY(form->document().ProgramModified);
    window->close();
    QCOMPARE(form->document().names.comment, std::string("Arrosage"));
    QCOMPARE(action("Annuler1")->text(), QStringLiteral("&Annuler le commentaire du programme"));

    window = namesWindow();
    auto* name = field<QLineEdit>("commentaireSA4", window);
    name->setFocus(Qt::TabFocusReason);
    QTest::keyClicks(name, "Chauffage");
    dialogs->answers = {true};  // lose the changes
    form->Nouveau1Click();
    QCOMPARE(form->document().names, ProgramNames{});
    action("Annuler1")->trigger();
    QCOMPARE(form->document().names.notes[std::size_t(outputSignal(11))].comment, std::string("Chauffage"));
    QCOMPARE(name->text(), QStringLiteral("Chauffage"));
    QCOMPARE(action("Annuler1")->text(), QStringLiteral("&Annuler le commentaire (SA4)"));
  }

  // The simulation windows name the inputs and the output in their
  // tooltips; the board window names the chart's lanes too.
  void simulationWindowsShowTheNames() {
    form->files().openFile(writeProgram("serre.prg", kNames));
    TForm2 logic(form->program().images, [] { return 0; }, form.get());
    logic.setNames(&form->document().names);
    QStringList shown;
    QTimer::singleShot(100, [&] {  // the run shows the names as it starts
      shown = {logic.el[0]->toolTip(), logic.ea[1]->toolTip(), logic.Shape1->toolTip(), logic.el[1]->toolTip(),
               logic.el[0]->text()};
      QTest::mouseClick(logic.Button1, Qt::LeftButton);
    });
    logic.exec();
    QCOMPARE(shown, QStringList({"EL1 — Bouton marche\narmoire, porte gauche", "EA2 — Sonde humidité",
                                 "SL1 — Pompe", "", "EL1"}));

    form->Simulationdelacarte1Click();
    auto* board = form->windows().board();
    QVERIFY(board);
    QCOMPARE(board->sl[0]->toolTip(), QStringLiteral("SL1 — Pompe"));
    bool named = false;
    for (const ChartShape& shape : board->chart()->picture().shapes) named |= shape.text == "Sonde humidité";
    QVERIFY(named);
    action("Nouveau1")->trigger();
    QCOMPARE(board->sl[0]->toolTip(), QString());
  }
};

QTEST_MAIN(NamesTest)
#include "names_test.moc"
