#pragma once
// The two pages of the printed analysis report: the analysis table, and the
// seven analysis charts. Each page is rendered off screen and drawn as one
// image, so the printer gets exactly what was laid out in its pixels.

#include <QRect>
#include <QSize>
#include <cstdint>
#include <string>

#include "analysis/analysis_table.h"

class QPainter;
class QPagedPaintDevice;

namespace corvala {

// The document name of the print job.
inline constexpr const char* kReportDocumentName = "Auswertung";

// Where chart q (0..6) goes on the chart page for a printable area of
// `resolution` device pixels: column q mod 2, row q / 2, each chart M/2.5 wide
// and three quarters of that high, M the smaller side.
QRect PrintChartRect(int32_t quantity, QSize resolution);

// Page 1 at the painter's origin: rule, title "Messauswertung", headings and
// one line per table row, laid out upright on the smaller x larger side of
// `resolution`; rows past the page end are cut off. The suffixes follow the
// display unit. False when the page image cannot be made or the painter is not
// active.
bool PrintTablePage(QPainter& painter, QSize resolution, const AnalysisTable& table, int32_t unit);

// Page 2: the seven charts, each drawn on its 400 x 300 canvas and stretched
// into its PrintChartRect. False when the painter is not active.
bool DrawDiagramsForPrint(QPainter& painter, QSize resolution, const AnalysisTable& table,
                          int32_t unit, const std::string& unitName);

// Prints both pages on `device` (a QPrinter, or a QPdfWriter) over its whole
// printable area. With analysisView false the two pages stay empty, as when the
// report is asked for outside the analysis view. False when painting could not
// start or a page could not be added.
bool PrintReport(QPagedPaintDevice& device, const AnalysisTable& table, int32_t unit,
                 const std::string& unitName, bool analysisView = true);

}  // namespace corvala
