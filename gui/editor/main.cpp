// The editor: creates its windows in order and runs the main window.
// `velkor [FICHIER]` opens FICHIER at start.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string_view>

#include "gui/common/qt_dialogs.h"
#include "gui/editor/qt_board_seams.h"
#include "gui/editor/recent_files.h"
#include "gui/editor/server_dpi.h"
#include "gui/editor/tabout1.h"
#include "gui/editor/tform1.h"
#include "gui/editor/velkor_application.h"
#include "gui/simulation/analog_window.h"
#include "gui/simulation/logic_window.h"

#ifdef _WIN32
#include <windows.h>  // last: its macros stay out of the other headers
#endif

namespace {

constexpr char kUsage[] =
    "Usage : velkor [FICHIER]\n"
    "Éditeur et programmateur de la carte VELKOR ; ouvre FICHIER au démarrage.\n";

// A windowed Windows program started from a console has no output of its
// own unless redirected: --help and --version then write to that console.
void writeToParentConsole() {
#ifdef _WIN32
  const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  if ((out == nullptr || out == INVALID_HANDLE_VALUE) && AttachConsole(ATTACH_PARENT_PROCESS)) {
    std::freopen("CONOUT$", "w", stdout);
    std::freopen("CONOUT$", "w", stderr);
  }
#endif
}

// Qt's own options, which the application object takes out of argv ("--x"
// counts as "-x"). Any other option is refused before the application object
// exists, as without a display it would end the program first.
bool isQtOption(std::string_view arg) {
  static constexpr std::string_view kQtOptions[] = {
      "platform", "platformpluginpath", "platformtheme", "plugin", "qmljsdebugger", "qwindowgeometry",
      "qwindowicon", "qwindowtitle", "reverse", "session", "style", "stylesheet", "widgetcount", "display",
      "geometry", "title", "name", "visual", "nograb", "dograb", "sync", "testability"};
  arg.remove_prefix(arg.starts_with("--") ? 2 : 1);
  arg = arg.substr(0, arg.find('='));
  return std::find(std::begin(kQtOptions), std::end(kQtOptions), arg) != std::end(kQtOptions);
}

}  // namespace

int main(int argc, char** argv) {
  // Asked before any window system is needed.
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      writeToParentConsole();
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (std::strcmp(argv[i], "--version") == 0) {
      writeToParentConsole();
      std::printf("velkor %s\n", VELKOR_VERSION);
      return 0;
    }
    if (argv[i][0] == '-' && !isQtOption(argv[i])) {
      std::fprintf(stderr, "velkor : option inconnue : %s\n%s", argv[i], kUsage);
      return 2;
    }
  }
  auto probe = velkor::followServerDpi();
  velkor::VelkorApplication app(argc, argv);  // takes Qt's own options out of argv
  probe.reset();
  const QStringList args = app.arguments().mid(1);
  if (args.size() > 1 || (!args.isEmpty() && args.front().startsWith('-'))) {
    std::fputs(kUsage, stderr);
    return 2;
  }

  velkor::QtDialogs dialogs;
  app.setErrorReport(&dialogs);
  velkor::QtMainThreadRunner mainThread(&dialogs);
  velkor::QtBusyCursor cursor;

  velkor::TForm1 form1(dialogs, cursor);
  dialogs.setParent(&form1);
  if (!args.isEmpty()) form1.files().openAtStart(velkor::toPath(args.front()));
  velkor::TAbout1 about1(&form1);
  form1.windows().setAbout(&about1);

  auto activePage = [&form1] { return form1.document().activePage - 1; };
  velkor::TForm2 form2(form1.program().images, activePage, &form1);
  velkor::TForm3 form3(form1.program().images, activePage, &form1);
  form2.setNames(&form1.document().names);
  form3.setNames(&form1.document().names);
  form1.windows().setSimulation({
      [&] {
        form2.Timer1->stop();
        form3.Timer2->stop();
      },
      [&] { form2.exec(); },
      [&] { form3.exec(); },
  });

  form1.show();
  form1.activateWindow();
  return app.exec();
}
