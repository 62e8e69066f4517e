#include "cli/sheet_command.h"

#include "cli/console.h"
#include "cli/file_arguments.h"
#include "cli/qt_exports.h"
#include "sheet/program_sheet.h"

namespace velkor {

int sheetCommand(const std::vector<std::string>& args, const std::function<int(std::string_view)>& usageError) {
  std::string pdf, html;
  std::vector<std::string> files;
  if (auto error = readFileArguments(args, {{"--pdf", &pdf}, {"--html", &html}}, files)) return usageError(*error);
  if (files.size() != 1 || (pdf.empty() && html.empty()))
    return usageError("sheet attend FICHIER --pdf SORTIE.pdf et/ou --html SORTIE.html");

  Program program;
  const auto outcome = openProgram(program, files[0]);
  if (!outcome) return kExitRefused;
  const ProgramSheet sheet = buildSheet(program.document, program.document.names, fileNameOf(files[0]), sheetToday());

  bool written = true;
  if (!html.empty()) written = writeOutputFile(html, sheetHtml(sheet));
  if (!pdf.empty()) {
    std::string whyNot;
    const auto bytes = sheetAsPdf(sheet, whyNot);
    written = writeOutputFile(pdf, bytes, whyNot) && written;
  }
  const int code = reportDamage(fileNameOf(files[0]), outcome->damaged, written ? kExitDone : kExitFailed);
  return reportNames(files[0], outcome->namesProblem, code);
}

}  // namespace velkor
