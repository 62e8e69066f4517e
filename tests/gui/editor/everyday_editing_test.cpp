// Everyday editing in the real window: shortcuts and accelerators, undo and
// redo, "Nouveau", the caption, recent files, files given at start or
// dropped, the help, and Qt's dialogs in French.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QSettings>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTextLayout>
#include <QTimer>
#include <QUrl>
#include <QtTest>
#include <array>
#include <map>
#include <memory>
#include <random>

#include "board/board_messages.h"
#include "gui/common/qt_dialogs.h"
#include "gui/editor/french_translation.h"
#include "gui/editor/help_window.h"
#include "gui/editor/tform1.h"
#include "image/program_file.h"
#include "support/editor_on_screen.h"
#include "support/fake_dialogs.h"
#include "support/pending_edit.h"
#include "support/programs.h"
#include "support/temp_dir.h"
#include "support/test_ports.h"

using namespace velkor;
using testing_support::FakeDialogs;
using testing_support::TempDir;

namespace {

using Pages = std::array<OutputPage, kPageCount>;

ProgramImages imagesOf(const ProgramDocument& doc) {
  Program program;
  program.document = doc;
  program.construireImages();
  return program.images;
}

Pages pagesOf(const ProgramDocument& doc) {
  Pages pages;
  for (int p = 1; p <= kPageCount; ++p) pages[static_cast<std::size_t>(p - 1)] = doc.page(p);
  return pages;
}

QString q(const std::string& s) { return QString::fromStdString(s); }

// Another program than the pages', as a file; its bytes.
std::string writeExample(const std::filesystem::path& file) {
  Program example;
  testing_support::makeExample(example);
  example.construireImages();
  const std::string bytes = serializeProgramFile(example.images);
  testing_support::writeBytes(file, bytes);
  return bytes;
}

}  // namespace

class EverydayEditingTest : public QObject {
  Q_OBJECT

  TempDir settings;
  std::unique_ptr<FakeDialogs> dialogs;
  NoCursor cursor;
  std::unique_ptr<TForm1> form;

  template <typename W>
  W* field(const QString& name) {
    W* w = form->findChild<W*>(name);
    if (!w) qFatal("no field %s", qPrintable(name));
    return w;
  }
  QAction* action(const char* name) { return field<QAction>(QString::fromLatin1(name)); }
  bool modified() { return form->document().ProgramModified; }
  QString caption() { return form->windowTitle(); }

  void typeInto(QLineEdit* e, const QString& digits) {
    e->setFocus(Qt::TabFocusReason);
    e->selectAll();
    QTest::keyClicks(e, digits);
  }

  // The first widget that does not show the document, or nothing.
  QString widgetsDisagree() {
    const ProgramDocument& doc = form->document();
    for (int p = 1; p <= kPageCount; ++p) {
      const OutputPage& pg = doc.page(p);
      for (int m = 1; m <= slotCount(p); ++m) {
        auto* box = field<QComboBox>(q(fieldName(FieldId::slot(p, m))));
        QStringList items;
        for (int i = 0; i < box->count(); ++i) items << box->itemText(i);
        QStringList choices;
        for (const std::string& c : pg.slot(m).choices) choices << q(c);
        if (box->currentText() != q(pg.slot(m).text) || box->isEnabled() != pg.slot(m).enabled || items != choices)
          return box->objectName();
      }
      for (int m = 1; m <= linkCount(p); ++m) {
        auto* link = field<QPushButton>(q(fieldName(FieldId::link(p, m))));
        if (link->text() != q(pg.link(m).caption) || link->isEnabled() != pg.link(m).enabled) return link->objectName();
      }
      if (isLogicPage(p)) {
        for (int k = 1; k <= kAnalogInputCount; ++k) {
          auto* comparator = field<QPushButton>(q(fieldName(FieldId::comparator(p, k))));
          auto* value = field<QLineEdit>(q(fieldName(FieldId::threshold(p, k))));
          const Threshold& t = pg.threshold(k);
          const bool yellow = value->palette().color(QPalette::Base) == QColor(255, 255, 0);
          if (comparator->text() != q(t.comparator) || comparator->isEnabled() != t.enabled ||
              value->text() != q(t.value) || value->isEnabled() != t.enabled || yellow != t.highlighted())
            return value->objectName();
        }
      } else {
        if (field<QLineEdit>(q(fieldName(FieldId::voltage(p))))->text() != q(pg.voltage)) return "tension";
        if (field<QCheckBox>(q(fieldName(FieldId::hold(p))))->isChecked() != pg.hold) return "zero";
      }
      if (field<QLineEdit>(q(fieldName(FieldId::pause(p))))->text() != q(pg.pause)) return "pause";
    }
    return {};
  }

 private Q_SLOTS:
  void initTestCase() {
    testing_support::keepToScratch(settings);
  }

  void init() {
    QSettings(QSettings::IniFormat, QSettings::UserScope, "velkor", "velkor").clear();
    QVERIFY(testing_support::showEditor(form, dialogs, cursor));
  }

  void cleanup() {
    testing_support::dropEditor(form);
    QVERIFY2(dialogs->answers.empty(), "every prepared answer was used");
  }

  // Each shortcut leaves the field being edited (its leave rule runs) and
  // then runs what its menu entry runs.
  void shortcutsLeaveTheFieldThenRunTheirEntry_data() {
    QTest::addColumn<QKeySequence>("keys");
    QTest::addColumn<QString>("asked");  // the question or dialog that shows the command ran
    QTest::newRow("Ctrl+S Enregistrer, no file yet") << QKeySequence("Ctrl+S") << "save dialog";
    QTest::newRow("Ctrl+Shift+S Sauvegarder") << QKeySequence("Ctrl+Shift+S") << "save dialog";
    const QString lose = "Attention...|Vous allez perdre les modifications. Continuer ?";
    QTest::newRow("Ctrl+O Ouvrir") << QKeySequence("Ctrl+O") << lose;
    QTest::newRow("Ctrl+N Nouveau") << QKeySequence("Ctrl+N") << lose;
    QTest::newRow("Ctrl+Q Quitter") << QKeySequence("Ctrl+Q")
                                    << "Attention...|Vous allez perdre les modifications. Quitter quand même ?";
    QTest::newRow("Alt+F then S") << QKeySequence("Alt+F, S") << "save dialog";
  }

  void shortcutsLeaveTheFieldThenRunTheirEntry() {
    QFETCH(QKeySequence, keys);
    QFETCH(QString, asked);
    form->pages().tabs()->setCurrentIndex(10);  // SA4: the release flips to SA3 and back
    auto* pause = field<QLineEdit>("pause11");
    typeInto(pause, "070");
    QString fieldWhenAsked;
    dialogs->whenAsked = [&] { fieldWhenAsked = pause->text(); };
    if (asked != "save dialog") dialogs->answers = {false};
    for (int i = 0; i < keys.count(); ++i) {
      // As the keyboard does: to an open menu first, else to the focused field.
      QWidget* target = QApplication::activePopupWidget();
      if (!target) target = QApplication::focusWidget();
      QTest::keySequence(target, QKeySequence(keys[i]));
      QCoreApplication::processEvents();  // once per key: Alt+F's menu must be up for the next one
    }
    QCOMPARE(fieldWhenAsked, QStringLiteral("70"));
    if (asked == "save dialog") QVERIFY(dialogs->shown.empty());
    else QCOMPARE(q(dialogs->shown.back()), asked);
    QVERIFY(form->isVisible());
    QCOMPARE(form->pages().tabs()->currentIndex(), 10);
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("tension4"));
  }

  void undoKeysWorkFromInsideANumberField() {
    auto* pause = field<QLineEdit>("pause1");
    typeInto(pause, "070");
    QTest::keyClick(pause, Qt::Key_Z, Qt::ControlModifier);  // the program's undo, not the field's
    QCOMPARE(pause->text(), QStringLiteral("0"));
    QVERIFY(!modified());
    QCOMPARE(caption(), QStringLiteral("VELKOR"));
    QCOMPARE(action("Retablir1")->text(), QStringLiteral("&Rétablir la pause (SL1)"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(pause->text(), QStringLiteral("70"));
    QCOMPARE(caption(), QStringLiteral("VELKOR*"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(pause->text(), QStringLiteral("70"));
    QVERIFY(modified());
  }

  // While a number is typed, the entry names what Ctrl+Z will undo: the
  // number only if leaving its field makes it a step.
  void undoEntryNamesWhatCtrlZUndoes_data() {
    QTest::addColumn<QString>("typed");  // after "70"; "<" is Backspace, "*" selects the whole text
    QTest::addColumn<QString>("undone");
    QTest::newRow("5 then Backspace") << "5<" << "le lien (SL1)";
    QTest::newRow("070 over 70") << "*070" << "le lien (SL1)";
    QTest::newRow("7") << "7" << "la pause (SL1)";
  }

  void undoEntryNamesWhatCtrlZUndoes() {
    QFETCH(QString, typed);
    QFETCH(QString, undone);
    auto* pause = field<QLineEdit>("pause1");
    typeInto(pause, "70");
    QTest::mouseClick(field<QPushButton>("ou01_01"), Qt::LeftButton);  // leaves the pause: "70" is a step
    pause->setFocus(Qt::TabFocusReason);
    pause->end(false);
    for (QChar c : typed) {
      if (c == '<') QTest::keyClick(pause, Qt::Key_Backspace);
      else if (c == '*') pause->selectAll();
      else QTest::keyClicks(pause, QString(c));
    }
    QCOMPARE(action("Annuler1")->text(), "&Annuler " + undone);
    QTest::keyClick(pause, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(action("Retablir1")->text(), "&Rétablir " + undone);
  }

  // Hundreds of random edits through the widgets, saved now and then under
  // new names; undoing them one by one gives back every state exactly, down
  // to the order of the choice lists, and redoing them does too. The caption
  // names the file of each state, marked "*" except at the state that file
  // holds.
  void undoAndRedoGiveBackEveryStateExactly() {
    TempDir dir;
    const unsigned seed =
        qEnvironmentVariableIsSet("VELKOR_SEED") ? qEnvironmentVariableIntValue("VELKOR_SEED") : 20240601u;
    qInfo("seed %u", seed);
    std::mt19937 random(seed);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };

    std::vector<Pages> states{pagesOf(form->document())};
    std::vector<QString> fileOf{QString()};  // of each state
    std::map<QString, std::size_t> held{{QString(), 0}};  // the state each file holds
    for (int action = 0; action < 1000; ++action) {
      QTabWidget* pages = form->pages().tabs();
      if (pick(8) == 0) pages->setCurrentIndex(pick(kPageCount));
      const int p = pages->currentIndex() + 1;
      const std::size_t before = form->history().size();
      switch (pick(6)) {
        case 0: {  // a link
          auto* link = field<QPushButton>(q(fieldName(FieldId::link(p, 1 + pick(linkCount(p))))));
          if (link->isEnabled()) QTest::mouseClick(link, Qt::LeftButton);
          break;
        }
        case 1: {  // a condition, with the arrow keys
          auto* slot = field<QComboBox>(q(fieldName(FieldId::slot(p, 1 + pick(slotCount(p))))));
          if (!slot->isEnabled()) break;
          slot->setFocus(Qt::TabFocusReason);
          QTest::keyClick(slot, pick(2) ? Qt::Key_Down : Qt::Key_Up);
          break;
        }
        case 2: {  // a number, left once typed
          const FieldId id = isLogicPage(p) && pick(2) ? FieldId::threshold(p, 1 + pick(4))
                             : isAnalogPage(p) && pick(2) ? FieldId::voltage(p)
                                                          : FieldId::pause(p);
          auto* e = field<QLineEdit>(q(fieldName(id)));
          if (!e->isEnabled()) break;
          typeInto(e, QString::number(pick(3) ? pick(200) : pick(99999)));
          e->clearFocus();
          break;
        }
        case 3:  // a comparator, or a hold box
          if (isLogicPage(p)) {
            auto* comparator = field<QPushButton>(q(fieldName(FieldId::comparator(p, 1 + pick(4)))));
            if (comparator->isEnabled()) QTest::mouseClick(comparator, Qt::LeftButton);
          } else {
            QTest::mouseClick(field<QCheckBox>(q(fieldName(FieldId::hold(p)))), Qt::LeftButton);
          }
          break;
        case 4:  // now and then, save
          if (pick(10) == 0) {
            const QString name = QString("prog%1").arg(action);
            dialogs->saveChoice = dir / name.toStdString();
            QTest::keyClick(form.get(), Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
            fileOf.back() = name;
            held[name] = states.size() - 1;
            QVERIFY(!modified());
          }
          break;
        default: break;
      }
      const std::size_t grown = form->history().size() - before;
      QVERIFY2(grown <= 1, "one action, one step");
      if (grown == 1) {
        states.push_back(pagesOf(form->document()));
        fileOf.push_back(fileOf.back());
        QVERIFY(modified());
        QVERIFY(caption().endsWith('*'));
      }
    }
    qInfo("%zu steps, %zu files", states.size() - 1, held.size() - 1);
    QVERIFY(states.size() > 200);

    auto expectState = [&](std::size_t i) {
      QVERIFY2(pagesOf(form->document()) == states[i], qPrintable(QString("state %1").arg(i)));
      QCOMPARE(widgetsDisagree(), QString());
      const bool changed = held.at(fileOf[i]) != i;
      QCOMPARE(modified(), changed);
      QCOMPARE(caption(), "VELKOR" + (fileOf[i].isEmpty() ? "" : " - " + fileOf[i]) + (changed ? "*" : ""));
    };
    for (std::size_t i = states.size() - 1; i-- > 0;) {
      QTest::keyClick(form.get(), Qt::Key_Z, Qt::ControlModifier);
      expectState(i);
    }
    QVERIFY(!action("Annuler1")->isEnabled());
    for (std::size_t i = 1; i < states.size(); ++i) {
      QTest::keyClick(form.get(), Qt::Key_Y, Qt::ControlModifier);
      expectState(i);
    }
    QVERIFY(!action("Retablir1")->isEnabled());
  }

  void nouveauStartsAgainAsAtStart() {
    const Pages atStart = pagesOf(form->document());
    field<QComboBox>("choix01_01")->setFocus();
    QTest::keyClick(field<QComboBox>("choix01_01"), Qt::Key_Up);  // EL1=1 -> EA4
    QTest::mouseClick(field<QPushButton>("ou03_01"), Qt::LeftButton);
    QVERIFY(pagesOf(form->document()) != atStart);
    dialogs->answers = {true};
    QTest::keyClick(form.get(), Qt::Key_N, Qt::ControlModifier);
    QVERIFY(pagesOf(form->document()) == atStart);
    QCOMPARE(widgetsDisagree(), QString());
    QCOMPARE(caption(), QStringLiteral("VELKOR"));
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("choix01_01"));
    QCOMPARE(action("Annuler1")->text(), QStringLiteral("&Annuler le nouveau programme"));
    QTest::keyClick(form.get(), Qt::Key_Z, Qt::ControlModifier);  // the lost edits come back
    QCOMPARE(field<QPushButton>("ou03_01")->text(), QStringLiteral("OU"));
    QVERIFY(modified());
  }

  void captionNamesTheFileThroughOpenEditSaveAndUndo() {
    TempDir dir;
    dialogs->saveChoice = dir / "atelier.prg";
    form->Sauvegarder1Click();
    QCOMPARE(caption(), QStringLiteral("VELKOR - atelier.prg"));
    QTest::mouseClick(field<QPushButton>("ou02_01"), Qt::LeftButton);
    QCOMPARE(caption(), QStringLiteral("VELKOR - atelier.prg*"));
    // The save dialog opens on the current file, and still asks each time.
    dialogs->saveChoice = std::nullopt;
    form->Sauvegarder1Click();
    QCOMPARE(dialogs->saveSuggestion, dir / "atelier.prg");
    QCOMPARE(caption(), QStringLiteral("VELKOR - atelier.prg*"));

    std::filesystem::copy_file(dir / "atelier.prg", dir / "autre.prg");
    dialogs->answers = {true};
    dialogs->openChoice = dir / "autre.prg";
    form->Chargerunfichierprog1Click();
    QCOMPARE(caption(), QStringLiteral("VELKOR - autre.prg"));
    QTest::keyClick(form.get(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(caption(), QStringLiteral("VELKOR - atelier.prg*"));
    QCOMPARE(field<QPushButton>("ou02_01")->text(), QStringLiteral("OU"));
    QTest::keyClick(form.get(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(caption(), QStringLiteral("VELKOR - atelier.prg"));
    QVERIFY(!modified());

    // A file that cannot be opened leaves the reset pages, named nowhere.
    dialogs->answers = {};
    dialogs->openChoice = dir / "absent.prg";
    form->Chargerunfichierprog1Click();
    QCOMPARE(caption(), QStringLiteral("VELKOR"));
    QCOMPARE(dialogs->shown.back(),
             std::string("Fichier introuvable\r\rabsent.prg"));
  }

  // Ctrl+S writes the file the caption names, as undo and redo left it,
  // without a dialog; with none, it asks as Sauvegarder does.
  void ctrlSWritesTheFileTheCaptionNames_data() {
    QTest::addColumn<QString>("before");   // how the pages got their file
    QTest::addColumn<QString>("written");  // by Ctrl+S; "asked.prg" is the name the dialog gives
    QTest::newRow("opened") << "open B" << "B.prg";
    QTest::newRow("saved under a name") << "save A" << "A.prg";
    QTest::newRow("undone back to the state saved") << "save A,open B,undo" << "A.prg";
    QTest::newRow("new program") << "" << "asked.prg";
    // What decoding left out of a damaged file would be lost without a word.
    QTest::newRow("opened damaged") << "damage B,open B" << "asked.prg";
  }

  void ctrlSWritesTheFileTheCaptionNames() {
    QFETCH(QString, before);
    QFETCH(QString, written);
    TempDir dir;
    std::string bBytes = writeExample(dir / "B.prg");
    for (const QString& step : before.split(',', Qt::SkipEmptyParts)) {
      if (step == "damage B") {
        bBytes[1] = 'X';  // SL1's first link: a letter the editor never writes
        testing_support::writeBytes(dir / "B.prg", bBytes);
      } else if (step == "save A") {
        dialogs->saveChoice = dir / "A.prg";
        form->Sauvegarder1Click();
      } else if (step == "open B") {
        dialogs->openChoice = dir / "B.prg";
        form->Chargerunfichierprog1Click();
      } else {
        QTest::keyClick(form.get(), Qt::Key_Z, Qt::ControlModifier);
      }
    }
    QTest::mouseClick(field<QPushButton>("ou05_01"), Qt::LeftButton);
    typeInto(field<QLineEdit>("pause1"), "99999");  // left by the command: 65000 is written
    QVERIFY(modified());
    int dialogsShown = 0;
    dialogs->whenAsked = [&] { ++dialogsShown; };
    dialogs->saveChoice = dir / "asked.prg";
    QTest::keyClick(form.get(), Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(dialogsShown, written == "asked.prg" ? 1 : 0);
    QCOMPARE(form->document().page(1).pause, std::string("65000"));
    QVERIFY(testing_support::readBytes(dir / written.toStdString()) ==
            serializeProgramFile(imagesOf(form->document())));
    if (written != "B.prg") QVERIFY(testing_support::readBytes(dir / "B.prg") == bBytes);
    QVERIFY(!modified());
    QCOMPARE(caption(), "VELKOR - " + written);
    QCOMPARE(form->files().recent().files().front(),
             QString::fromStdString((dir / written.toStdString()).generic_string()));
  }

  void recentFilesAreListedAndAMissingOneLeaves() {
    TempDir dir;
    for (int i = 1; i <= 7; ++i) {
      dialogs->saveChoice = dir / ("p" + std::to_string(i) + ".prg");
      form->Sauvegarder1Click();
    }
    auto* fichiers = field<QMenu>("Fichiers1");
    Q_EMIT fichiers->aboutToShow();
    QStringList entries;
    for (QAction* a : fichiers->actions())
      if (a->objectName().startsWith("Recent")) entries << a->text();
    QCOMPARE(entries, QStringList({"&1 p7.prg", "&2 p6.prg", "&3 p5.prg", "&4 p4.prg", "&5 p3.prg", "&6 p2.prg"}));
    QCOMPARE(fichiers->actions().indexOf(action("Recent6")) + 2, fichiers->actions().indexOf(action("Quitter1")));

    // The list outlives the window.
    std::filesystem::remove(dir / "p6.prg");
    form.reset();
    form = std::make_unique<TForm1>(*dialogs, cursor);
    form->show();
    QVERIFY(QTest::qWaitForWindowActive(form.get()));
    fichiers = field<QMenu>("Fichiers1");
    Q_EMIT fichiers->aboutToShow();
    action("Recent2")->trigger();  // p6.prg, gone
    QCOMPARE(dialogs->shown.back(),
             std::string("Fichier introuvable : p6.prg\rIl est retiré de la liste des derniers fichiers."));
    QCOMPARE(dialogs->beeps, 1);
    QCOMPARE(form->files().recent().files().size(), 5);
    Q_EMIT fichiers->aboutToShow();
    QCOMPARE(action("Recent2")->text(), QStringLiteral("&2 p5.prg"));
    action("Recent2")->trigger();
    QCOMPARE(caption(), QStringLiteral("VELKOR - p5.prg"));
    QCOMPARE(form->files().recent().files().front(), QString::fromStdString((dir / "p5.prg").generic_string()));
  }

  void fileGivenAtStartOpensOnceTheWindowIsUp_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::newRow("a program") << "atelier.prg" << "VELKOR - atelier.prg";
    QTest::newRow("missing") << "absent.prg" << "VELKOR";
  }

  void fileGivenAtStartOpensOnceTheWindowIsUp() {
    QFETCH(QString, name);
    QFETCH(QString, caption);
    TempDir dir;
    dialogs->saveChoice = dir / "atelier.prg";
    QTest::mouseClick(field<QPushButton>("ou04_01"), Qt::LeftButton);
    form->Sauvegarder1Click();
    form.reset();
    dialogs->shown.clear();
    form = std::make_unique<TForm1>(*dialogs, cursor);
    form->files().openAtStart(dir / name.toStdString());
    form->show();
    QVERIFY(QTest::qWaitForWindowActive(form.get()));
    QTRY_COMPARE(form->windowTitle(), caption);
    if (name == "atelier.prg") {
      QCOMPARE(field<QPushButton>("ou04_01")->text(), QStringLiteral("OU"));
      QVERIFY(dialogs->shown.empty());
    } else {
      QTRY_COMPARE(dialogs->shown.size(), std::size_t(1));
      QCOMPARE(dialogs->shown.back(),
               std::string("Fichier introuvable\r\rabsent.prg"));
    }
  }

  void droppedFileOpensAfterTheQuestion() {
    TempDir dir;
    dialogs->saveChoice = dir / "atelier.prg";
    QTest::mouseClick(field<QPushButton>("ou06_01"), Qt::LeftButton);
    form->Sauvegarder1Click();
    QTest::mouseClick(field<QPushButton>("ou06_01"), Qt::LeftButton);  // OU -> ET, unsaved

    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString((dir / "atelier.prg").string()))});
    const QPoint at = form->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(form.get(), &enter);
    QVERIFY(enter.isAccepted());
    dialogs->answers = {true};
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(form.get(), &drop);
    QTRY_COMPARE(field<QPushButton>("ou06_01")->text(), QStringLiteral("OU"));
    QCOMPARE(dialogs->shown.back(), std::string("Attention...|Vous allez perdre les modifications. Continuer ?"));
    QCOMPARE(caption(), QStringLiteral("VELKOR - atelier.prg"));

    // Text, or several files, is not a program to open.
    QMimeData two;
    two.setUrls({QUrl::fromLocalFile("/tmp/a"), QUrl::fromLocalFile("/tmp/b")});
    QDragEnterEvent refused(at, Qt::CopyAction, &two, Qt::LeftButton, Qt::NoModifier);
    refused.ignore();
    QApplication::sendEvent(form.get(), &refused);
    QVERIFY(!refused.isAccepted());
  }

  // A number typed and not left is the old program's step, made before
  // another program replaces the pages, whatever replaces them.
  void replacingThePagesKeepsTheNumberTypedAsTheOldFilesStep_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("replaced");  // the caption once the pages are replaced
    QTest::newRow("dropped file") << "drop" << "VELKOR - B.prg";
    QTest::newRow("Ctrl+O") << "Ctrl+O" << "VELKOR - B.prg";
    QTest::newRow("recent file") << "recent" << "VELKOR - B.prg";
    QTest::newRow("Ctrl+N") << "Ctrl+N" << "VELKOR";
  }

  void replacingThePagesKeepsTheNumberTypedAsTheOldFilesStep() {
    QFETCH(QString, command);
    QFETCH(QString, replaced);
    TempDir dir;
    writeExample(dir / "B.prg");
    form->files().recent().add(dir / "B.prg");
    const auto edit = testing_support::typeWithoutLeaving(*form, *dialogs, dir / "A.prg");
    dialogs->answers = {true};  // yes, lose the changes
    dialogs->openChoice = dir / "B.prg";
    if (command == "drop") {
      QMimeData data;
      data.setUrls({QUrl::fromLocalFile(QString::fromStdString((dir / "B.prg").string()))});
      const QPoint at = form->rect().center();
      QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(form.get(), &enter);
      QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(form.get(), &drop);
      QTRY_COMPARE(caption(), replaced);
    } else if (command == "recent") {
      Q_EMIT field<QMenu>("Fichiers1")->aboutToShow();
      QCOMPARE(action("Recent2")->text(), QStringLiteral("&2 B.prg"));
      action("Recent2")->trigger();
    } else {
      QTest::keySequence(QApplication::focusWidget(), QKeySequence(command));
    }
    testing_support::checkTheNumberStaysItsFilesStep(*form, *dialogs, edit, replaced);
  }

  // Every question that may drop unsaved changes, asked by the real dialogs:
  // same text and buttons, but Enter and Escape keep the work.
  void questionsThatLoseWorkDefaultToAnnuler_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("key");
    const QString quit = "Vous allez perdre les modifications. Quitter quand même ?";
    for (const char* command : {"Quitter1", "close", "Nouveau1", "Chargerunfichierprog1", "drop", "recent",
                                "Chargerdepuislacarte1"})
      QTest::newRow(command) << command << int(Qt::Key_Return);
    QTest::newRow("Quitter1, Escape") << "Quitter1" << int(Qt::Key_Escape);
  }

  void questionsThatLoseWorkDefaultToAnnuler() {
    QFETCH(QString, command);
    QFETCH(int, key);
    TempDir dir;
    Program program;
    program.construireImages();
    QVERIFY(writeProgramFile(dir / "atelier.prg", program.images).ok);
    testing_support::dropEditor(form);
    QtDialogs real;
    form = std::make_unique<TForm1>(real, cursor);
    real.setParent(form.get());
    form->show();
    QVERIFY(QTest::qWaitForWindowActive(form.get()));
    form->files().recent().add(dir / "atelier.prg");
    QTest::mouseClick(field<QPushButton>("ou01_01"), Qt::LeftButton);
    const ProgramImages edited = imagesOf(form->document());

    QString asked;
    bool cancelIsDefault = false;
    QTimer answer;
    connect(&answer, &QTimer::timeout, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box) {  // the work lost already, a file dialog up: done with
        if (auto* other = qobject_cast<QDialog*>(QApplication::activeModalWidget())) other->reject();
        return;
      }
      asked = box->windowTitle() + "|" + box->text().replace(QChar::Nbsp, ' ');
      cancelIsDefault = box->standardButtons() == (QMessageBox::Ok | QMessageBox::Cancel) &&
                        box->defaultButton() == box->button(QMessageBox::Cancel);
      QTest::keyClick(box, Qt::Key(key));
    });
    answer.start(20);
    const QString file = QString::fromStdString((dir / "atelier.prg").string());
    if (command == "close") {
      QVERIFY(!form->close());
    } else if (command == "drop") {
      QMimeData data;
      data.setUrls({QUrl::fromLocalFile(file)});
      QDragEnterEvent enter(form->rect().center(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(form.get(), &enter);
      QDropEvent drop(form->rect().center(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(form.get(), &drop);
      QTRY_VERIFY(!asked.isEmpty());
    } else if (command == "recent") {
      Q_EMIT field<QMenu>("Fichiers1")->aboutToShow();
      action("Recent1")->trigger();
    } else {
      action(command.toLatin1().constData())->trigger();
    }
    QCOMPARE(asked, command == "Quitter1" || command == "close"
                        ? QStringLiteral("Attention...|Vous allez perdre les modifications. Quitter quand même ?")
                        : QStringLiteral("Attention...|Vous allez perdre les modifications. Continuer ?"));
    QVERIFY(cancelIsDefault);
    QVERIFY(form->isVisible());
    QVERIFY(modified());
    QVERIFY(imagesOf(form->document()) == edited);
    QCOMPARE(caption(), QStringLiteral("VELKOR*"));
  }

  void helpOpensOnF1WithTheGuide() {
    QVERIFY(!form->windows().help());  // nothing made before it is asked for
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1);
    QVERIFY(form->windows().help());
    QVERIFY(form->windows().help()->isVisible());
    const QString guide = form->windows().help()->browser()->toPlainText();
    for (const char* topic : {"(EL1=1 OU EL2=1) ET EA3", "JP1", "velkor-board", "velkor-cli", "Maintien"})
      QVERIFY2(guide.contains(QString::fromUtf8(topic)), topic);
    QVERIFY(!field<QPushButton>("ou01_01")->toolTip().isEmpty());
    QVERIFY(!field<QPushButton>("supinf01_01")->toolTip().isEmpty());
    QVERIFY(!field<QCheckBox>("zero1")->toolTip().isEmpty());
    QVERIFY(!field<QLineEdit>("pause1")->toolTip().isEmpty());
  }

  // However the box wraps "Enregistrement OK !", no line begins with a "!";
  // "Chargement OK !" gets a box wide enough for its title and the three
  // buttons (46 pixels on Windows) the frame puts beside it.
  void messageBoxesWrapAndFitTheirTitle() {
    QtDialogs real(form.get());
    QString text;
    QFont font;
    int width = 0;
    auto look = [&] {
      QTimer::singleShot(100, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        auto* label = box->findChild<QLabel*>("qt_msgbox_label");
        text = label->text();
        font = label->font();
        width = box->width();
        box->accept();
      });
    };
    look();
    real.showMessage(msg::kUploadDone);
    QVERIFY(text.startsWith("Enregistrement OK"));
    for (int lineWidth = 40; lineWidth <= 600; ++lineWidth) {
      for (const QString& paragraph : text.split('\n')) {
        QTextLayout layout(paragraph, font);
        layout.setTextOption(QTextOption(Qt::AlignLeft));
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
          line.setLineWidth(lineWidth);
          const QString shown = paragraph.mid(line.textStart(), line.textLength()).trimmed();
          QVERIFY2(!shown.startsWith('!'), qPrintable(QString("at %1 pixels: %2").arg(lineWidth).arg(paragraph)));
        }
        layout.endLayout();
      }
    }
    look();
    real.showMessage(msg::kDownloadDone);
    QFont title = form->font();
    title.setBold(true);
    QVERIFY2(width >= QFontMetrics(title).horizontalAdvance("VELKOR") + 3 * 46, qPrintable(QString::number(width)));
  }

  // Qt's own dialogs speak French, whatever the system's language, and the
  // save dialog opens on the current file.
  void fileDialogsSpeakFrench() {
    QVERIFY2(installFrenchTranslation(*qApp), "qtbase_fr.qm (qt6-translations-l10n) is installed");
    TempDir dir;
    testing_support::writeBytes(dir / "atelier.prg", "x");
    QtDialogs real(form.get());
    QStringList buttons, filters;
    QString folder, name, filter;
    auto look = [&](bool accept) {
      QTimer::singleShot(200, [&, accept] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog) return;
        for (QPushButton* b : dialog->findChildren<QPushButton*>()) buttons << b->text();
        folder = dialog->directory().absolutePath();
        name = dialog->findChild<QLineEdit*>("fileNameEdit")->text();
        filters = dialog->nameFilters();
        filter = dialog->selectedNameFilter();
        accept ? static_cast<QDialog*>(dialog)->accept() : dialog->reject();
      });
    };
    look(false);
    QVERIFY(!real.chooseFileToSave(dir / "atelier.prg"));
    QVERIFY2(buttons.contains("Enregistrer") && buttons.contains("Annuler"), qPrintable(buttons.join(", ")));
    QCOMPARE(folder, QString::fromStdString(dir.path().generic_string()));
    QCOMPARE(name, QStringLiteral("atelier.prg"));
    QCOMPARE(filters, QStringList({"Programmes VELKOR (*.prg)", "Tous les fichiers (*)"}));
    QCOMPARE(filter, filters[0]);
    // A file named otherwise opens under "Tous les fichiers": Enter keeps its name.
    look(true);
    const auto chosen = real.chooseFileToSave(dir / "atelier");
    QCOMPARE(filter, filters[1]);
    QVERIFY(chosen && chosen->path == dir / "atelier" && chosen->filter == FileFilter::All);

    QStringList boxButtons;
    QTimer::singleShot(200, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box) return;
      for (QAbstractButton* b : box->buttons()) boxButtons << b->text();
      box->reject();
    });
    QVERIFY(!real.askOkCancel("Attention...", "Vous allez perdre les modifications. Continuer ?"));
    QCOMPARE(boxButtons.size(), 2);
    QVERIFY2(boxButtons.contains("Annuler"), qPrintable(boxButtons.join(", ")));
  }
};

QTEST_MAIN(EverydayEditingTest)
#include "everyday_editing_test.moc"
