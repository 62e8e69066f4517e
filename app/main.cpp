// The editor: creates its windows in order and runs the main window.
#include "app/qt_board_seams.h"
#include "app/qt_dialogs.h"
#include "app/tabout1.h"
#include "app/tform1.h"
#include "app/velkor_application.h"
#include "simulation/gui/analog_window.h"
#include "simulation/gui/logic_window.h"

int main(int argc, char** argv) {
  velkor::VelkorApplication app(argc, argv);
  velkor::QtDialogs dialogs;
  app.setErrorReport(&dialogs);
  velkor::QtMainThreadRunner mainThread(&dialogs);
  velkor::QtBusyCursor cursor;

  velkor::TForm1 form1(dialogs, cursor);
  dialogs.setParent(&form1);
  velkor::TAbout1 about1(&form1);
  form1.setAboutBox(&about1);

  auto activePage = [&form1] { return form1.document().activePage - 1; };
  velkor::TForm2 form2(form1.program().images, activePage, &form1);
  velkor::TForm3 form3(form1.program().images, activePage, &form1);
  form1.setSimulationWindows({
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
