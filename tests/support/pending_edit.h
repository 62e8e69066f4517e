// A number typed in a saved program and its field not left, then a command
// that puts another program on the pages: the number must stay the saved
// program's own step, under its own name.
#pragma once

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <filesystem>

#include "gui/editor/tform1.h"
#include "image/program_file.h"
#include "support/fake_dialogs.h"
#include "support/temp_dir.h"

namespace velkor::testing_support {

struct PendingEdit {
  std::filesystem::path file;  // the program saved, "A.prg"
  std::size_t steps = 0;       // the history's length once the number is typed
  std::string typedBytes;      // the file that program with the number makes
};

// Saves a program as `file`, then types "5" into pause1 and stays there.
inline PendingEdit typeWithoutLeaving(TForm1& form, FakeDialogs& dialogs, const std::filesystem::path& file) {
  PendingEdit edit{file, 0, {}};
  form.pages().tabs()->setCurrentIndex(0);
  QTest::mouseClick(form.findChild<QPushButton*>("ou01_01"), Qt::LeftButton);
  dialogs.saveChoice = file;
  form.Sauvegarder1Click();
  auto* pause = form.findChild<QLineEdit*>("pause1");
  pause->setFocus(Qt::TabFocusReason);
  pause->selectAll();
  QTest::keyClicks(pause, "5");
  edit.steps = form.history().size();
  Program typed;
  typed.document = form.document();
  typed.construireImages();
  edit.typedBytes = serializeProgramFile(typed.images);
  return edit;
}

// After the command: one step for the number, one for the new program. Undo
// gives back the number under the saved file's name, which "Enregistrer"
// fills with that program without asking; redo gives back the new one under
// `caption`.
inline void checkTheNumberStaysItsFilesStep(TForm1& form, FakeDialogs& dialogs, const PendingEdit& edit,
                                            const QString& caption) {
  const QString saved = QStringLiteral("VELKOR - ") + QString::fromStdString(edit.file.filename().string());
  QCOMPARE(form.windowTitle(), caption);
  QCOMPARE(form.history().size(), edit.steps + 2);
  QTest::keyClick(&form, Qt::Key_Z, Qt::ControlModifier);
  QCOMPARE(form.windowTitle(), saved + '*');
  QCOMPARE(form.findChild<QLineEdit*>("pause1")->text(), QStringLiteral("5"));
  QCOMPARE(form.findChild<QAction*>("Annuler1")->text(), QStringLiteral("&Annuler la pause (SL1)"));
  dialogs.saveChoice = std::nullopt;  // a dialog would save nothing
  QTest::keyClick(&form, Qt::Key_S, Qt::ControlModifier);
  QVERIFY(readBytes(edit.file) == edit.typedBytes);
  QCOMPARE(form.windowTitle(), saved);
  QTest::keyClick(&form, Qt::Key_Y, Qt::ControlModifier);
  QCOMPARE(form.windowTitle(), caption);
}

}  // namespace velkor::testing_support
