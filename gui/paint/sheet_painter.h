// Lays the program sheet out on pages and paints it with Qt: into a PDF, or
// on a printer (a QPrinter is a QPagedPaintDevice too). Needs Qt GUI only,
// so the command line can use it too.
#pragma once

#include <QByteArray>

#include "sheet/program_sheet.h"

class QPagedPaintDevice;

namespace velkor {

// Paints the sheet on `device`'s pages, from the first (which must be
// fresh), starting new pages as it goes, each with the program's title,
// file and page number at its foot.
void paintSheet(QPagedPaintDevice& device, const ProgramSheet& sheet);

// The sheet as a PDF document on A4 pages: the file's bytes.
QByteArray sheetPdf(const ProgramSheet& sheet);

}  // namespace velkor
