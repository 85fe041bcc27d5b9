#include "files/biff8_writer.h"

#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-memory.h>
#include <gsf/gsf-utils.h>

#include <algorithm>
#include <cstring>
#include <mutex>

namespace corvala {
namespace {

constexpr uint16_t kBof = 0x0809;
constexpr uint16_t kEof = 0x000A;
constexpr uint16_t kCodepage = 0x0042;
constexpr uint16_t kWindow1 = 0x003D;
constexpr uint16_t kFont = 0x0031;
constexpr uint16_t kXf = 0x00E0;
constexpr uint16_t kStyle = 0x0293;
constexpr uint16_t kBoundSheet = 0x0085;
constexpr uint16_t kDimensions = 0x0200;
constexpr uint16_t kNumber = 0x0203;
constexpr uint16_t kLabel = 0x0204;
constexpr uint16_t kWindow2 = 0x023E;
constexpr uint16_t kCellXf = 15;  // the default cell format
// Excel does not open a workbook stream kept in the compound file's small blocks
// reliably; streams are padded to this size.
constexpr size_t kMinStreamSize = 4096;

class RecordStream {
 public:
  std::vector<uint8_t> bytes;

  size_t Begin(uint16_t type) {
    Put16(type);
    Put16(0);
    return bytes.size();
  }
  void End(size_t start) {
    const size_t size = bytes.size() - start;
    bytes[start - 2] = static_cast<uint8_t>(size & 0xFF);
    bytes[start - 1] = static_cast<uint8_t>(size >> 8);
  }
  void Put8(uint32_t v) { bytes.push_back(static_cast<uint8_t>(v)); }
  void Put16(uint32_t v) {
    Put8(v & 0xFF);
    Put8((v >> 8) & 0xFF);
  }
  void Put32(uint32_t v) {
    Put16(v & 0xFFFF);
    Put16(v >> 16);
  }
  void PutDouble(double d) {
    uint64_t bits = 0;
    std::memcpy(&bits, &d, sizeof bits);
    Put32(static_cast<uint32_t>(bits));
    Put32(static_cast<uint32_t>(bits >> 32));
  }
  void Set32(size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(v >> (8 * i));
  }
  // Flags byte and characters: one byte each when all fit, else UTF-16LE.
  void PutChars(const std::u16string& s) {
    const bool wide = std::any_of(s.begin(), s.end(), [](char16_t c) { return c > 0xFF; });
    Put8(wide ? 1 : 0);
    for (char16_t c : s) wide ? Put16(c) : Put8(c);
  }
  void Record(uint16_t type, std::initializer_list<uint16_t> words) {
    const size_t start = Begin(type);
    for (uint16_t w : words) Put16(w);
    End(start);
  }
};

// UTF-8 to UTF-16; malformed sequences become U+FFFD.
std::u16string ToUtf16(const std::string& utf8, size_t maxUnits) {
  std::u16string out;
  size_t i = 0;
  while (i < utf8.size() && out.size() < maxUnits) {
    const auto b = static_cast<uint8_t>(utf8[i]);
    uint32_t cp = 0xFFFD;
    size_t len = 1;
    if (b < 0x80) {
      cp = b;
    } else if ((b >> 5) == 0x6) {
      len = 2, cp = b & 0x1F;
    } else if ((b >> 4) == 0xE) {
      len = 3, cp = b & 0x0F;
    } else if ((b >> 3) == 0x1E) {
      len = 4, cp = b & 0x07;
    }
    if (len > 1) {
      if (i + len > utf8.size()) {
        cp = 0xFFFD, len = 1;
      } else {
        for (size_t k = 1; k < len; ++k) {
          const auto c = static_cast<uint8_t>(utf8[i + k]);
          if ((c >> 6) != 0x2) {
            cp = 0xFFFD, len = 1;
            break;
          }
          cp = (cp << 6) | (c & 0x3F);
        }
      }
    }
    i += len;
    if (cp >= 0x10000) {
      if (out.size() + 2 > maxUnits) break;
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
  return out;
}

// A sheet name the format accepts: at most 31 characters, none of []:*?/\.
std::u16string SheetName(const std::string& name, const std::string& suffix) {
  std::u16string base = ToUtf16(name, 31);
  for (auto& c : base)
    if (std::u16string_view(u"[]:*?/\\").find(c) != std::u16string_view::npos) c = u'_';
  const std::u16string tail = ToUtf16(suffix, 31);
  if (base.size() + tail.size() > 31) base.resize(31 - tail.size());
  if (base.empty() && tail.empty()) base = u"Sheet";
  return base + tail;
}

struct SheetPart {
  std::u16string name;
  const WorkbookSheet* sheet;
  size_t firstRow;  // index into sheet->rows
  size_t rowCount;
};

void WriteGlobals(RecordStream& s, const std::vector<SheetPart>& parts,
                  std::vector<size_t>& offsetFields) {
  s.Record(kBof, {0x0600, 0x0005, 0x0DBB, 0x07CC, 0x0000, 0x0000, 0x0006, 0x0000});
  s.Record(kCodepage, {0x04B0});  // UTF-16
  s.Record(kWindow1, {0x0000, 0x0000, 0x25BC, 0x1572, 0x0038, 0x0000, 0x0000, 0x0001, 0x0258});
  // Five fonts: index 4 does not exist in the format's numbering, so five
  // records make the indices 0 to 3 and 5.
  for (int f = 0; f < 5; ++f) {
    const size_t start = s.Begin(kFont);
    s.Put16(200);     // 10 pt in twips
    s.Put16(0);       // plain
    s.Put16(0x7FFF);  // automatic colour
    s.Put16(400);     // normal weight
    s.Put16(0);
    s.Put8(0);
    s.Put8(0);
    s.Put8(0);
    s.Put8(0);
    s.Put8(5);  // name length
    s.PutChars(u"Arial");
    s.End(start);
  }
  // 21 formats: 16 style formats (0 = Normal), the default cell format 15, then
  // the built-in number styles 16 to 20.
  auto xf = [&](uint16_t font, uint16_t format, uint16_t typeProt, uint8_t used) {
    const size_t start = s.Begin(kXf);
    s.Put16(font);
    s.Put16(format);
    s.Put16(typeProt);
    s.Put8(0x20);  // bottom aligned
    s.Put8(0);
    s.Put8(0);
    s.Put8(used);
    s.Put32(0);
    s.Put32(0);
    s.Put16(0x20C0);  // automatic pattern colours
    s.End(start);
  };
  xf(0, 0, 0xFFF5, 0x00);
  for (int i = 1; i <= 14; ++i) xf(i <= 2 ? 1 : (i <= 4 ? 2 : 0), 0, 0xFFF5, 0xF4);
  xf(0, 0, 0x0001, 0x00);
  const uint16_t builtinFormats[5] = {43, 41, 44, 42, 9};
  for (uint16_t f : builtinFormats) xf(1, f, 0xFFF5, 0xF8);
  // Styles: Normal, Comma, Comma [0], Currency, Currency [0], Percent.
  s.Record(kStyle, {0x8000, 0xFF00});
  const uint16_t styleIds[5] = {3, 6, 4, 7, 5};
  for (int i = 0; i < 5; ++i)
    s.Record(kStyle, {static_cast<uint16_t>(0x8000 | (16 + i)),
                      static_cast<uint16_t>(0xFF00 | styleIds[i])});
  for (const SheetPart& part : parts) {
    const size_t start = s.Begin(kBoundSheet);
    offsetFields.push_back(s.bytes.size());
    s.Put32(0);  // the sheet's position, filled in when known
    s.Put16(0);  // visible worksheet
    s.Put8(part.name.size());
    s.PutChars(part.name);
    s.End(start);
  }
  s.Record(kEof, {});
}

void PutText(RecordStream& s, uint16_t row, uint16_t col, const std::string& text) {
  const std::u16string chars = ToUtf16(text, kBiff8MaxCellChars);
  const size_t start = s.Begin(kLabel);
  s.Put16(row);
  s.Put16(col);
  s.Put16(kCellXf);
  s.Put16(chars.size());
  s.PutChars(chars);
  s.End(start);
}

void WriteSheet(RecordStream& s, const SheetPart& part, bool first) {
  const size_t columns = std::min(part.sheet->columns.size(), kBiff8MaxColumns);
  s.Record(kBof, {0x0600, 0x0010, 0x0DBB, 0x07CC, 0x0000, 0x0000, 0x0006, 0x0000});
  const size_t dim = s.Begin(kDimensions);
  s.Put32(0);
  s.Put32(static_cast<uint32_t>(part.rowCount + 1));
  s.Put16(0);
  s.Put16(columns);
  s.Put16(0);
  s.End(dim);
  for (size_t c = 0; c < columns; ++c) PutText(s, 0, c, part.sheet->columns[c]);
  for (size_t r = 0; r < part.rowCount; ++r) {
    const auto& row = part.sheet->rows[part.firstRow + r];
    const auto rowIndex = static_cast<uint16_t>(r + 1);
    for (size_t c = 0; c < std::min(columns, row.size()); ++c) {
      const WorkbookCell& cell = row[c];
      if (cell.kind == WorkbookCell::Kind::kText) {
        PutText(s, rowIndex, c, cell.text);
      } else if (cell.kind == WorkbookCell::Kind::kNumber) {
        const size_t start = s.Begin(kNumber);
        s.Put16(rowIndex);
        s.Put16(c);
        s.Put16(kCellXf);
        s.PutDouble(cell.number);
        s.End(start);
      }
    }
  }
  // Grid lines, headers, zeros shown; the first sheet is the selected one.
  s.Record(kWindow2, {static_cast<uint16_t>(first ? 0x06B6 : 0x00B6), 0, 0, 64, 0, 0, 0, 0, 0});
  s.Record(kEof, {});
}

}  // namespace

std::vector<uint8_t> BuildBiff8Stream(const std::vector<WorkbookSheet>& sheets) {
  std::vector<SheetPart> parts;
  for (const WorkbookSheet& sheet : sheets) {
    const size_t perPart = kBiff8MaxRows - 1;  // the header row takes one
    size_t first = 0;
    int number = 1;
    do {
      const size_t count = std::min(perPart, sheet.rows.size() - first);
      const std::string suffix = number == 1 ? "" : "_" + std::to_string(number);
      parts.push_back({SheetName(sheet.name, suffix), &sheet, first, count});
      first += count;
      ++number;
    } while (first < sheet.rows.size());
  }
  RecordStream s;
  std::vector<size_t> offsetFields;
  WriteGlobals(s, parts, offsetFields);
  for (size_t i = 0; i < parts.size(); ++i) {
    s.Set32(offsetFields[i], static_cast<uint32_t>(s.bytes.size()));
    WriteSheet(s, parts[i], i == 0);
  }
  if (s.bytes.size() < kMinStreamSize) s.bytes.resize(kMinStreamSize, 0);
  return std::move(s.bytes);
}

Result BuildBiff8File(const std::vector<WorkbookSheet>& sheets, std::vector<uint8_t>& file) {
  static std::once_flag gsfInit;
  std::call_once(gsfInit, [] { gsf_init(); });
  const std::vector<uint8_t> stream = BuildBiff8Stream(sheets);

  GsfOutput* memory = gsf_output_memory_new();
  GsfOutfile* outfile = gsf_outfile_msole_new(memory);
  std::optional<std::string> error;
  if (outfile == nullptr) {
    error = "The workbook could not be created.";
  } else {
    GsfOutput* child = gsf_outfile_new_child(outfile, "Workbook", FALSE);
    if (child == nullptr || !gsf_output_write(child, stream.size(), stream.data()) ||
        !gsf_output_close(child))
      error = "The workbook stream could not be written.";
    if (child != nullptr) g_object_unref(child);
    if (!gsf_output_close(GSF_OUTPUT(outfile)) && !error)
      error = "The workbook could not be completed.";
    g_object_unref(outfile);
  }
  if (!error) {
    const guint8* bytes = gsf_output_memory_get_bytes(GSF_OUTPUT_MEMORY(memory));
    const gsf_off_t size = gsf_output_size(memory);
    file.assign(bytes, bytes + size);
  }
  if (!gsf_output_is_closed(memory)) gsf_output_close(memory);
  g_object_unref(memory);
  return error ? Result::Failure(*error) : Result::Success();
}

}  // namespace corvala
