// The editor on screen for a QtTest: its dialogs answered in advance, its
// settings (recent files, the remembered port) in a scratch folder.
#pragma once

#include <QSettings>
#include <QTest>
#include <memory>

#include "gui/editor/tform1.h"
#include "support/fake_dialogs.h"
#include "support/temp_dir.h"
#include "support/test_ports.h"

namespace velkor::testing_support {

// Once per test program, also when run by hand: nothing reaches the user's
// settings or a real serial port.
inline void keepToScratch(const TempDir& settings) {
  pointComNamesAway();
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, QString::fromStdString(settings.path().string()));
}

// A new editor with new dialogs, shown; false if it never became active.
inline bool showEditor(std::unique_ptr<TForm1>& form, std::unique_ptr<FakeDialogs>& dialogs, BusyCursor& cursor) {
  dialogs = std::make_unique<FakeDialogs>();
  form = std::make_unique<TForm1>(*dialogs, cursor);
  form->show();
  return QTest::qWaitForWindowActive(form.get());
}

// Closes the editor without its quit question.
inline void dropEditor(std::unique_ptr<TForm1>& form) {
  form->document().ProgramModified = false;
  form.reset();
}

}  // namespace velkor::testing_support
