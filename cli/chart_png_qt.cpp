// PNG through Qt's painter, on the offscreen platform: no display is needed.
#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <memory>

#include "cli/chart_png.h"
#include "simulation/gui/chart_painter.h"

namespace velkor {

namespace {
// Qt's notices (a runtime folder not set...) are not the command's output.
void quiet(QtMsgType, const QMessageLogContext&, const QString&) {}
}  // namespace

std::optional<std::string> chartPng(const ChartPicture& picture, std::string& error) {
  std::unique_ptr<QGuiApplication> app;
  if (!QGuiApplication::instance()) {
#ifndef _WIN32
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    static int argc = 1;
    static char name[] = "velkor-cli";
    static char* argv[] = {name, nullptr};
    qInstallMessageHandler(quiet);
    app = std::make_unique<QGuiApplication>(argc, argv);
  }
  const QImage image = chartImage(picture);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (image.isNull() || !image.save(&buffer, "PNG")) {
    error = "le chronogramme n'a pas pu être dessiné en PNG";
    return std::nullopt;
  }
  return bytes.toStdString();
}

}  // namespace velkor
