#include "cli/chart_png.h"

namespace velkor {

std::optional<std::string> chartPng(const ChartPicture&, std::string& error) {
  error = "--png n'est pas disponible dans cette version de velkor-cli, construite sans Qt (--svg l'est)";
  return std::nullopt;
}

}  // namespace velkor
