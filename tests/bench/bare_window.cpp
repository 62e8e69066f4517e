// The smallest Qt Widgets window, to measure the editor against.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QWidget window;
  window.setWindowTitle(QStringLiteral("BARE"));
  window.resize(387, 400);
  window.show();
  return app.exec();
}
