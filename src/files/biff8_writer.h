#pragma once
// Excel 97-2003 workbooks: the record stream "Workbook" inside a compound file.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "files/workbook_connection.h"

namespace corvala {

// Rows and columns one sheet of the format holds.
inline constexpr size_t kBiff8MaxRows = 65536;
inline constexpr size_t kBiff8MaxColumns = 256;
// Characters a text cell holds.
inline constexpr size_t kBiff8MaxCellChars = 255;

// The "Workbook" stream of the sheets. Sheets with more rows than a sheet holds
// continue on further sheets named "<name>_2", "<name>_3", ... with the header
// row repeated; columns past 256 and text past 255 characters are cut.
std::vector<uint8_t> BuildBiff8Stream(const std::vector<WorkbookSheet>& sheets);

// The compound file holding the stream, as bytes.
Result BuildBiff8File(const std::vector<WorkbookSheet>& sheets, std::vector<uint8_t>& file);

}  // namespace corvala
