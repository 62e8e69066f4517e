// A bare Qt Widgets window the size of the editor's, with eleven empty tabs,
// to measure the editor against.
#include <QApplication>
#include <QTabWidget>
#include <QWidget>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QTabWidget window;
  window.setWindowTitle(QStringLiteral("BARE"));
  for (const char* tab : {"SL1", "SL2", "SL3", "SL4", "SL5", "SL6", "SL7", "SA1", "SA2", "SA3", "SA4"})
    window.addTab(new QWidget, QString::fromLatin1(tab));
  window.resize(387, 400);
  window.show();
  return app.exec();
}
