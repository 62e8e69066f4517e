// Drawn with Qt's painter on the offscreen platform: no display is needed.
#include <QGuiApplication>
#include <QImage>
#include <memory>

#include "cli/qt_exports.h"
#include "gui/paint/chart_painter.h"
#include "gui/paint/sheet_painter.h"

namespace velkor {

namespace {

// Qt's notices (a runtime folder not set...) are not the command's output.
void quiet(QtMsgType, const QMessageLogContext&, const QString&) {}

// Fonts need an application; the command has none of its own.
std::unique_ptr<QGuiApplication> guiApplication() {
  if (QGuiApplication::instance()) return nullptr;
#ifndef _WIN32
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
  static int argc = 1;
  static char name[] = "velkor-cli";
  static char* argv[] = {name, nullptr};
  qInstallMessageHandler(quiet);
  return std::make_unique<QGuiApplication>(argc, argv);
}

}  // namespace

std::optional<std::string> chartPng(const ChartPicture& picture, std::string& error) {
  const auto app = guiApplication();
  const QByteArray bytes = velkor::chartPng(picture);
  if (bytes.isEmpty()) {
    error = "le chronogramme n'a pas pu être dessiné en PNG";
    return std::nullopt;
  }
  return bytes.toStdString();
}

std::optional<std::string> sheetAsPdf(const ProgramSheet& sheet, std::string& error) {
  const auto app = guiApplication();
  const QByteArray bytes = velkor::sheetPdf(sheet);
  if (bytes.isEmpty()) {
    error = "la fiche du programme n'a pas pu être dessinée en PDF";
    return std::nullopt;
  }
  return bytes.toStdString();
}

}  // namespace velkor
