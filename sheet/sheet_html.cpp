// The sheet as one HTML page: the same content as the printed one, its
// diagrams inline as SVG, for a browser or a wiki.
#include "sheet/program_sheet.h"
#include "simulation/xml_text.h"

namespace velkor {

std::string sheetHtml(const ProgramSheet& sheet) {
  const auto paragraph = [](const char* kind, const std::string& text) {
    return text.empty() ? std::string() : "<p class=\"" + std::string(kind) + "\">" + xmlText(text) + "</p>\n";
  };
  std::string html = "<!DOCTYPE html>\n<html lang=\"fr\">\n<head>\n<meta charset=\"utf-8\">\n<title>" +
                     xmlText(sheet.title) + "</title>\n<style>\n"
                     "body { font-family: sans-serif; max-width: 50em; margin: 2em auto; }\n"
                     ".comment { white-space: pre-line; color: #404040; }\n.file { color: #606060; }\n"
                     "table { border-collapse: collapse; width: 100%; }\n"
                     "th, td { border-bottom: 1px solid #ccc; padding: 0.2em 0.5em; text-align: left; }\n"
                     "th { background: #eee; }\n.id { color: navy; width: 4em; }\n"
                     "svg { display: block; margin: 0.5em 0 1.5em; }\n</style>\n</head>\n<body>\n";
  html += "<h1>" + xmlText(sheet.title) + "</h1>\n" + paragraph("comment", sheet.comment);
  html += paragraph("file", sheetOrigin(sheet));
  html += "<h2>Entrées et sorties</h2>\n<table>\n";
  for (const SheetGroup& group : sheet.groups) {
    html += "<tr><th colspan=\"3\">" + xmlText(group.title) + "</th></tr>\n";
    for (const SheetSignal& s : group.rows)
      html += "<tr><td class=\"id\">" + s.id + "</td><td>" + xmlText(s.name) + "</td><td class=\"comment\">" +
              xmlText(s.comment) + "</td></tr>\n";
  }
  html += "</table>\n<h2>Sorties</h2>\n";
  for (const SheetOutput& o : sheet.outputs) {
    std::string svg = chartSvg(o.diagram);
    svg.erase(0, svg.find("<svg"));  // inside a page, without the XML declaration
    html += "<h3>" + xmlText(o.heading) + "</h3>\n" + paragraph("comment", o.comment) + paragraph("line", o.line) + svg;
  }
  return html + "</body>\n</html>\n";
}

}  // namespace velkor
