// Lays the program sheet out on pages and paints it with Qt: into a PDF, or
// on a printer (a QPrinter is a QPagedPaintDevice too). Needs Qt GUI only,
// so the command line can use it too.
#pragma once

#include <QByteArray>
#include <QPageLayout>

#include "sheet/program_sheet.h"

class QPagedPaintDevice;

namespace velkor {

// Paints the sheet on `device`'s pages, from the first (which must be
// fresh), starting new pages as it goes, each with the program's title,
// file and page number at its foot. False when the device could not be
// painted on (a printer that refused the job).
bool paintSheet(QPagedPaintDevice& device, const ProgramSheet& sheet);

// A4 portrait with 18 mm margins: the sheet's pages, in a PDF and, unless
// the user chooses otherwise, on a printer.
QPageLayout sheetPageLayout();

// The sheet as a PDF document on sheetPageLayout's pages: the file's bytes.
QByteArray sheetPdf(const ProgramSheet& sheet);

}  // namespace velkor
