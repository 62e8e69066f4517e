// The editor as built for Windows, under wine: what it carries (Qt's French
// translation, the native style, the executable's version and icon), and
// the port entries on the Win32 serial calls, COM names taken as they are.
// wine_ports.py runs it with COM1, COM3 and COM4 missing and COM2 a
// pseudo-terminal where nobody answers.
#include <windows.h>

#include <QAction>
#include <QStyleFactory>
#include <QtTest>
#include <string>
#include <vector>

#include "board/board_messages.h"
#include "gui/editor/french_translation.h"
#include "gui/editor/qt_board_seams.h"
#include "gui/editor/tform1.h"
#include "support/fake_dialogs.h"

using namespace velkor;
using testing_support::FakeDialogs;

namespace {

std::wstring versionString(const std::wstring& file, const wchar_t* name) {
  const DWORD size = GetFileVersionInfoSizeW(file.c_str(), nullptr);
  if (size == 0) return {};
  std::vector<char> data(size);
  if (!GetFileVersionInfoW(file.c_str(), 0, size, data.data())) return {};
  wchar_t* value = nullptr;
  UINT length = 0;
  const std::wstring key = std::wstring(L"\\StringFileInfo\\040C04B0\\") + name;
  if (!VerQueryValueW(data.data(), key.c_str(), reinterpret_cast<void**>(&value), &length)) return {};
  return std::wstring(value, length ? length - 1 : 0);
}

}  // namespace

class WindowsEditorTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void qtDialogsSpeakFrench() {
    QVERIFY(installFrenchTranslation(*QCoreApplication::instance()));
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Annuler"));
  }

  void nativeStyleIsIn() { QVERIFY(QStyleFactory::keys().contains(QStringLiteral("windowsvista"))); }

  void executableCarriesVersionAndIcon() {
    const std::wstring exe = QStringLiteral(VELKOR_EXE).toStdWString();
    QCOMPARE(QString::fromStdWString(versionString(exe, L"ProductVersion")), QStringLiteral(VELKOR_VERSION));
    QCOMPARE(QString::fromStdWString(versionString(exe, L"OriginalFilename")), QStringLiteral("velkor.exe"));
    HMODULE module = LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    QVERIFY(module);
    QVERIFY(FindResourceW(module, L"IDI_ICON1", MAKEINTRESOURCEW(14) /* RT_GROUP_ICON */));
    FreeLibrary(module);
  }

  void portEntriesOpenTheWindowsPorts() {
    QtMainThreadRunner runner;
    FakeDialogs dialogs;
    NoCursor cursor;
    TForm1 form(dialogs, cursor);
    auto action = [&](const char* name) { return form.findChild<QAction*>(QString::fromLatin1(name)); };
    // COM1 missing: COM3 checks it first, then COM3 itself, missing too;
    // each message names the port by its Windows name, with the system's reason.
    action("COM31")->trigger();
    QCOMPARE(dialogs.shown.size(), std::size_t(2));
    QVERIFY2(dialogs.shown[0].starts_with(msg::portUnavailable("COM1 : ", {})), dialogs.shown[0].c_str());
    QVERIFY2(dialogs.shown[1].starts_with(msg::portUnavailable("COM3 : ", {})), dialogs.shown[1].c_str());
    QCOMPARE(form.DeviceName(), std::string("COM1"));  // COM3 did not open: not taken
    dialogs.shown.clear();
    // COM2 opens; nobody answers there.
    action("COM21")->trigger();
    QVERIFY(dialogs.shown.empty());
    QCOMPARE(form.DeviceName(), std::string("COM2"));
    action("Enregistrerdanslacarte1")->trigger();
    QCOMPARE(dialogs.shown, std::vector<std::string>{std::string(msg::kCheckList) + "\r\r" +
                                                     msg::echoFault(EchoFault::Silence, 1) + "\r" +
                                                     msg::boardHolds(0)});
    QVERIFY(action("Chargerunfichierprog1")->isEnabled());
  }
};

QTEST_MAIN(WindowsEditorTest)
#include "windows_editor_test.moc"
