#include "cli/qt_exports.h"

namespace velkor {

std::optional<std::string> chartPng(const ChartPicture&, std::string& error) {
  error = "--png n'est pas disponible dans cette version de velkor-cli, construite sans Qt (--svg l'est)";
  return std::nullopt;
}

std::optional<std::string> sheetAsPdf(const ProgramSheet&, std::string& error) {
  error = "--pdf n'est pas disponible dans cette version de velkor-cli, construite sans Qt (--html l'est)";
  return std::nullopt;
}

}  // namespace velkor
