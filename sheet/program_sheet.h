// The program sheet: the whole program as one document for the cabinet's
// folder, as the editor prints it and velkor-cli writes it. This is its
// content: the title, comment, file and date; the table of inputs and
// outputs with their names and comments; and for each output its chain in
// words and a small logic diagram. The painter (gui/paint/
// sheet_painter.h) lays it out on pages; sheetHtml writes it as HTML.
#pragma once

#include <string>
#include <vector>

#include "document/program_document.h"
#include "document/program_names.h"
#include "image/program_summary.h"
#include "simulation/chart.h"

namespace velkor {

struct SheetSignal {
  std::string id;  // "EL1"
  std::string name;
  std::string comment;
};

// The inputs or outputs of one kind: "Entrées logiques", "Sorties analogiques"...
struct SheetGroup {
  std::string title;
  std::vector<SheetSignal> rows;
};

struct SheetOutput {
  std::string heading;  // the page's title, and the output's name: "Sortie logique N°1 — Pompe"
  std::string comment;  // the output's
  std::string line;     // its chain in words, see sheetLine
  ChartPicture diagram;
};

struct ProgramSheet {
  std::string title;  // the program's, else its file's name, else "Programme sans titre"
  std::string comment;
  std::string fileName;  // empty for a program no file holds (new, or read from the board)
  std::string date;      // the day the sheet was made, "14/05/2025"
  std::vector<SheetGroup> groups;    // EL, EA, SL, SA
  std::vector<SheetOutput> outputs;  // SL1 ... SA4
};

ProgramSheet buildSheet(const ProgramDocument& document, const ProgramNames& names, const std::string& fileName,
                        const std::string& date);

// "14/05/2025": today, as the user's clock has it.
std::string sheetToday();

// The line under the title: "Fichier atelier.prg, fiche du 14/05/2025", or
// "Fiche du 14/05/2025" without a file.
std::string sheetOrigin(const ProgramSheet& sheet);

// An output's chain in words, named inputs by their names: "SL1 Pompe
// d'arrosage = Bouton marche ET Sonde humidité (EA2 > 250 mV) — pause
// 1000 mS"; an input without a name by its token ("EL1=1", "EA2 (> 250 mV)").
std::string sheetLine(const OutputSummary& output, const ProgramNames& names);

// The sheet as a page of HTML, its diagrams as SVG.
std::string sheetHtml(const ProgramSheet& sheet);

}  // namespace velkor
