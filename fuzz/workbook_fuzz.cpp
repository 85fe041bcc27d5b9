// The workbook connection's string and the Excel 97-2003 writer. The input's
// first line is the connection string; the rest holds sheets separated by
// 0x1D, rows by 0x1E and cells by 0x1F. A sheet's first row is its name and its
// column names; a cell of 0x01 and eight bytes is a number, an empty one is empty.

#include <cstring>

#include "files/biff8_writer.h"
#include "files/workbook_connection.h"
#include "fuzz_check.h"

namespace corvala::fuzz {
namespace {

constexpr const char* kTarget = "workbook";

std::vector<std::string_view> Split(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  while (start <= text.size()) {
    const size_t end = std::min(text.find(separator, start), text.size());
    parts.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

bool IsUtf8(const std::string& s) {
  for (size_t i = 0; i < s.size();) {
    const auto b = static_cast<uint8_t>(s[i]);
    const size_t len = b < 0x80         ? 1
                       : (b >> 5) == 6  ? 2
                       : (b >> 4) == 14 ? 3
                       : (b >> 3) == 30 ? 4
                                        : 0;
    if (len == 0 || i + len > s.size()) return false;
    for (size_t k = 1; k < len; ++k)
      if ((static_cast<uint8_t>(s[i + k]) >> 6) != 2) return false;
    i += len;
  }
  return true;
}

std::vector<WorkbookSheet> Sheets(std::string_view text) {
  std::vector<WorkbookSheet> sheets;
  if (text.empty()) return sheets;
  for (std::string_view chunk : Split(text, '\x1d')) {
    const std::vector<std::string_view> rows = Split(chunk, '\x1e');
    WorkbookSheet sheet;
    const std::vector<std::string_view> head = Split(rows[0], '\x1f');
    sheet.name = std::string(head[0]);
    for (size_t c = 1; c < head.size(); ++c) sheet.columns.emplace_back(head[c]);
    for (size_t r = 1; r < rows.size(); ++r) {
      std::vector<WorkbookCell> cells(sheet.columns.size());
      const std::vector<std::string_view> fields = Split(rows[r], '\x1f');
      for (size_t c = 0; c < cells.size() && c < fields.size(); ++c) {
        const std::string_view f = fields[c];
        if (f.empty()) continue;
        if (f.size() == 9 && f[0] == '\x01') {
          cells[c].kind = WorkbookCell::Kind::kNumber;
          std::memcpy(&cells[c].number, f.data() + 1, 8);
        } else {
          cells[c].kind = WorkbookCell::Kind::kText;
          cells[c].text = std::string(f);
        }
      }
      sheet.rows.push_back(std::move(cells));
    }
    sheets.push_back(std::move(sheet));
  }
  return sheets;
}

uint16_t U16(const std::vector<uint8_t>& b, size_t at) {
  return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}

// Characters of a flags byte and count characters, as UTF-16 units.
std::u16string Chars(const std::vector<uint8_t>& b, size_t at, size_t count, size_t end) {
  std::u16string out;
  const bool wide = b[at] & 1;
  Check(at + 1 + count * (wide ? 2 : 1) <= end, kTarget, "characters beyond their record");
  for (size_t i = 0; i < count; ++i) out.push_back(wide ? U16(b, at + 1 + 2 * i) : b[at + 1 + i]);
  return out;
}

struct Part {
  const WorkbookSheet* sheet;
  size_t firstRow, rowCount;
};

// The sheets as the format holds them: 65535 rows below each header row.
std::vector<Part> Parts(const std::vector<WorkbookSheet>& sheets) {
  std::vector<Part> parts;
  for (const WorkbookSheet& s : sheets) {
    size_t first = 0;
    do {
      const size_t count = std::min(kBiff8MaxRows - 1, s.rows.size() - first);
      parts.push_back({&s, first, count});
      first += count;
    } while (first < s.rows.size());
  }
  return parts;
}

// Reads the record stream back and compares every cell with what was given.
void CheckStream(const std::vector<uint8_t>& b, const std::vector<WorkbookSheet>& sheets) {
  const std::vector<Part> parts = Parts(sheets);
  std::vector<size_t> starts;
  int part = -1;
  size_t cells = 0, expectedCells = 0;
  size_t pos = 0;
  while (pos + 4 <= b.size()) {
    const uint16_t type = U16(b, pos), size = U16(b, pos + 2);
    if (type == 0 && size == 0) break;  // the padding
    Check(size <= 8224, kTarget, "record longer than the format allows");
    const size_t end = pos + 4 + size;
    Check(end <= b.size(), kTarget, "record beyond the stream");
    if (end > b.size()) return;
    if (type == 0x0085) {
      starts.push_back(U16(b, pos + 4) | (static_cast<size_t>(U16(b, pos + 6)) << 16));
      Check(b[pos + 10] <= 31, kTarget, "sheet name longer than 31 characters");
    } else if (type == 0x0809 && pos > 0) {
      ++part;
      Check(static_cast<size_t>(part) < starts.size() && starts[part] == pos, kTarget,
            "a sheet is not where the globals say");
      if (static_cast<size_t>(part) >= parts.size()) return;
      const Part& p = parts[part];
      const size_t columns = std::min(p.sheet->columns.size(), kBiff8MaxColumns);
      expectedCells += columns;
      for (size_t r = 0; r < p.rowCount; ++r)
        for (size_t c = 0; c < columns; ++c)
          if (p.sheet->rows[p.firstRow + r][c].kind != WorkbookCell::Kind::kEmpty) ++expectedCells;
    } else if ((type == 0x0204 || type == 0x0203) && part >= 0) {
      ++cells;
      const Part& p = parts[part];
      const size_t row = U16(b, pos + 4), col = U16(b, pos + 6);
      Check(col < p.sheet->columns.size() && row <= p.rowCount, kTarget, "a cell out of place");
      if (col >= p.sheet->columns.size() || row > p.rowCount) return;
      const WorkbookCell* given = row > 0 ? &p.sheet->rows[p.firstRow + row - 1][col] : nullptr;
      if (type == 0x0203) {
        Check(given != nullptr && given->kind == WorkbookCell::Kind::kNumber, kTarget,
              "a number where none was given");
        if (given != nullptr)
          Check(std::memcmp(&given->number, &b[pos + 10], 8) == 0, kTarget,
                "a number does not read back");
      } else {
        Check(given == nullptr || given->kind == WorkbookCell::Kind::kText, kTarget,
              "a text where none was given");
        const std::string& text = given != nullptr ? given->text : p.sheet->columns[col];
        const std::u16string chars = Chars(b, pos + 12, U16(b, pos + 10), end);
        Check(chars.size() <= kBiff8MaxCellChars, kTarget, "a text longer than a cell holds");
        bool ascii = text.size() <= kBiff8MaxCellChars;
        for (char ch : text) ascii = ascii && static_cast<uint8_t>(ch) < 0x80;
        if (ascii)
          Check(chars == std::u16string(text.begin(), text.end()), kTarget,
                "a text does not read back");
      }
    }
    pos = end;
  }
  Check(starts.size() == parts.size(), kTarget, "sheets in the globals");
  Check(static_cast<size_t>(part + 1) == parts.size(), kTarget, "sheets in the stream");
  Check(cells == expectedCells, kTarget, "cells in the stream");
  for (; pos < b.size(); ++pos) Check(b[pos] == 0, kTarget, "bytes after the last sheet");
}

}  // namespace

void FuzzWorkbook(const uint8_t* data, size_t size) {
  const std::string_view text = AsText(data, size);
  const size_t newline = std::min(text.find('\n'), text.size());
  const std::string connection(text.substr(0, newline));

  const std::optional<std::string> dbq = ConnectionValue(connection, "DBQ");
  if (dbq) Check(connection.find(*dbq) != std::string::npos, kTarget, "DBQ not from the string");
  SqliteWorkbookConnection workbook;
  if (workbook.OpenEx(connection).Ok())
    Check(!workbook.Path().empty() && connection.find(workbook.Path()) != std::string::npos,
          kTarget, "the workbook path is not from the string");
  const std::string utf8 = TextToUtf8(connection);
  Check(IsUtf8(utf8), kTarget, "text converted to UTF-8 is not UTF-8");
  if (IsUtf8(connection)) Check(utf8 == connection, kTarget, "UTF-8 text changed");

  const std::vector<WorkbookSheet> sheets =
      Sheets(newline < text.size() ? text.substr(newline + 1) : std::string_view());
  CheckStream(BuildBiff8Stream(sheets), sheets);
  std::vector<uint8_t> file;
  Check(BuildBiff8File(sheets, file).Ok() && !file.empty(), kTarget, "no compound file");
}

}  // namespace corvala::fuzz
