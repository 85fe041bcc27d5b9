#pragma once
// The printed analysis report: the analysis table on as many pages as its rows
// need, then the seven analysis charts on one page, then, when rows carry
// regression rates, the rates on pages of their own.

#include <QRect>
#include <QSize>
#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "analysis/analysis_table.h"
#include "util/progress.h"

class QPainter;
class QPagedPaintDevice;

namespace corvala {

// The document name of the print job.
inline constexpr const char* kReportDocumentName = "Auswertung";

// The table pages are laid out in logical pixels, the page's smaller side
// being this many whatever the printer's resolution (about 720 per inch on
// A4, where the fonts leave every heading clear of the next), and scaled to
// the device when drawn.
inline constexpr int32_t kReportShortSide = 6000;

// The table pages' layout in logical pixels. The layout stands upright on the
// smaller x larger side of the page (rule at height/11, headings at height/15,
// rows from height/10, height/50 apart); the rows that do not fit above the
// page's bottom continue on further pages.
struct TablePageLayout {
  double scale = 0.0;       // device pixels per logical pixel; 0 for no page
  int32_t width = 0;        // the smaller side
  int32_t height = 0;       // the larger side
  int32_t pageHeight = 0;   // the page's own height (the smaller side in landscape)
  int32_t firstRowY = 0;    // top of a page's first row
  int32_t rowPitch = 0;     // distance of two rows
  int32_t rowsPerPage = 1;  // rows that end on a page
  // Table pages for `rows` rows; an empty table has one page (title, headings).
  int32_t Pages(size_t rows) const;
};
TablePageLayout LayoutTablePages(QSize resolution);

// Where chart q (0..6) goes on the chart page for a printable area of
// `resolution` device pixels: column q mod 2, row q / 2, each chart M/2.5 wide
// and three quarters of that high, M the smaller side, made smaller where the
// page is not tall enough for the four rows, so all seven fit in either
// orientation.
QRect PrintChartRect(int32_t quantity, QSize resolution);

// Table page `page` (from 0) on a white page at the painter's origin: rule,
// title "Messauswertung", headings and the page's rows. The suffixes follow
// the display unit. False when the painter is not active or the page is empty.
bool PrintTablePage(QPainter& painter, QSize resolution, const AnalysisTable& table, int32_t unit,
                    int32_t page = 0);

// The chart page: the seven charts, each drawn on its 400 x 300 canvas and
// stretched into its PrintChartRect. False when the painter is not active.
bool DrawDiagramsForPrint(QPainter& painter, QSize resolution, const AnalysisTable& table,
                          int32_t unit, const std::string& unitName);

// The rate pages: title "Rates", a line naming the slopes' unit, headings, and
// each table row on two lines, its rise and its fall, on the table pages' grid
// (lines height/50 apart from height/10). Columns: Name, Chamber, Region,
// Slope ± SE, R², Corrected, µmol/h, µmol/h per amount.
inline constexpr int kRateColumns = 8;
using RateLineTexts = std::array<std::string, kRateColumns>;
struct RateColumn {
  const char* heading;  // UTF-8
  int32_t x = 0;        // left edge in logical pixels
  int32_t width = 0;    // room up to the next column (or the page's margin)
};
std::array<RateColumn, kRateColumns> RatePageColumns();

// "slope ± SE" with the error to two significant digits and the slope to as
// many decimals; the slope alone to four significant digits without an error;
// "---" without a slope.
std::string SlopeWithErrorText(const std::optional<double>& slope,
                               const std::optional<double>& standardError);
// The texts of a row's rise line (fall false: name and chamber shown) or fall
// line (name and chamber blank). A missing figure shows as "---".
RateLineTexts RateLine(const AnalysisRow& row, bool fall);

// Rate pages for the table: none when no row carries a rate figure.
int32_t RatePageCount(QSize resolution, const AnalysisTable& table);

// Rate page `page` (from 0) on a white page at the painter's origin; every
// text is cut to its column ("...") so nothing runs into the next one. The
// units line follows the display unit. False when the painter is not active or
// the page is empty.
bool PrintRatePage(QPainter& painter, QSize resolution, const AnalysisTable& table, int32_t unit,
                   int32_t page = 0);

// Prints the table pages and the chart page on `device` (a QPrinter, or a
// QPdfWriter) over its whole printable area. With analysisView false one empty
// table page and an empty chart page are printed, as when the report is asked
// for outside the analysis view, else the rate pages follow when rows carry
// rates. False when painting could not start or a page
// could not be added. With `progress`, each page counts one, and a cancel
// ends the report after the page in hand (the caller aborts the print job).
bool PrintReport(QPagedPaintDevice& device, const AnalysisTable& table, int32_t unit,
                 const std::string& unitName, bool analysisView = true,
                 Progress* progress = nullptr);

}  // namespace corvala
