// The editor: creates its windows in order and runs the main window.
#include "app/qt_dialogs.h"
#include "app/tabout1.h"
#include "app/tform1.h"
#include "app/velkor_application.h"

int main(int argc, char** argv) {
  velkor::VelkorApplication app(argc, argv);
  velkor::QtDialogs dialogs;
  app.setErrorReport(&dialogs);

  velkor::TForm1 form1(dialogs);
  dialogs.setParent(&form1);
  velkor::TAbout1 about1(&form1);
  form1.setAboutBox(&about1);

  form1.show();
  form1.activateWindow();
  return app.exec();
}
