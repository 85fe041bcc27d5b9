#include "files/workbook_connection.h"

#include <locale.h>
#include <sqlite3.h>
#include <xlsxwriter.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <random>

#include "files/biff8_writer.h"
#include "util/c_format.h"
#include "util/file_io.h"
#include "util/file_names.h"

namespace corvala {
namespace {

bool IsValidUtf8(const std::string& s) {
  size_t i = 0;
  while (i < s.size()) {
    const auto b = static_cast<uint8_t>(s[i]);
    size_t len = b < 0x80           ? 1
                 : (b >> 5) == 0x6  ? 2
                 : (b >> 4) == 0xE  ? 3
                 : (b >> 3) == 0x1E ? 4
                                    : 0;
    if (len == 0 || i + len > s.size()) return false;
    for (size_t k = 1; k < len; ++k)
      if ((static_cast<uint8_t>(s[i + k]) >> 6) != 0x2) return false;
    i += len;
  }
  return true;
}

// Windows-1252 code points of the bytes 80..9F.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

void AppendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

bool IsNumericType(const std::string& declared) {
  const std::string t = Lower(declared);
  return t.find("number") != std::string::npos || t.find("double") != std::string::npos ||
         t.find("int") != std::string::npos || t.find("real") != std::string::npos ||
         t.find("float") != std::string::npos || t.find("numeric") != std::string::npos;
}

// A whole text as a number, "," accepted as the decimal separator.
std::optional<double> WholeNumber(std::string text) {
  std::replace(text.begin(), text.end(), ',', '.');
  size_t b = 0, e = text.size();
  while (b < e && text[b] == ' ') ++b;
  while (e > b && text[e - 1] == ' ') --e;
  if (b < e && text[b] == '+') ++b;
  if (b == e) return std::nullopt;
  double value = 0.0;
  const auto [end, ec] = std::from_chars(text.data() + b, text.data() + e, value);
  if (ec != std::errc() || end != text.data() + e || !std::isfinite(value)) return std::nullopt;
  return value;
}

std::string QuoteIdentifier(const std::string& name) {
  std::string out = "\"";
  for (char c : name) out += c == '"' ? std::string("\"\"") : std::string(1, c);
  return out + "\"";
}

// Switches the calling thread to the "C" number format while it lives: the
// .xlsx writer formats numbers with the C library, and a German desktop locale
// would write "1,9373", which readers take for 1.
class ScopedCNumbers {
 public:
  ScopedCNumbers() {
    const locale_t base = duplocale(LC_GLOBAL_LOCALE);
    if (base == static_cast<locale_t>(nullptr)) return;
    c_ = newlocale(LC_NUMERIC_MASK, "C", base);
    if (c_ == static_cast<locale_t>(nullptr)) {
      freelocale(base);
      return;
    }
    previous_ = uselocale(c_);
  }
  ~ScopedCNumbers() {
    if (c_ == static_cast<locale_t>(nullptr)) return;
    uselocale(previous_);
    freelocale(c_);
  }
  ScopedCNumbers(const ScopedCNumbers&) = delete;
  ScopedCNumbers& operator=(const ScopedCNumbers&) = delete;

 private:
  locale_t c_ = static_cast<locale_t>(nullptr);
  locale_t previous_ = static_cast<locale_t>(nullptr);
};

bool Cancelled(const std::atomic<bool>* cancel) {
  return cancel != nullptr && cancel->load();
}

Result CancelledFailure(const std::string& path) {
  return Result::Failure("The workbook " + path + " was not written: the export was cancelled.");
}

// Rows between two looks at the cancel flag.
constexpr size_t kRowsPerCancelCheck = 1024;

// A file name in the system's temporary folder that no other writer uses.
std::filesystem::path ScratchPath(const char* ending) {
  static std::atomic<unsigned> counter{0};
  std::random_device random;
  std::error_code ec;
  std::filesystem::path folder = std::filesystem::temp_directory_path(ec);
  if (ec) folder = ".";
  return folder / Format("corvala3-workbook-%08x%08x-%u%s", random(), random(),
                         counter.fetch_add(1), ending);
}

// Frees a workbook that is not to be written. Closing would write it; freeing
// alone leaves the files that hold the rows written so far open.
void FreeUnclosed(lxw_workbook* workbook, const std::vector<lxw_worksheet*>& worksheets) {
  for (lxw_worksheet* ws : worksheets) {
    if (ws->optimize_tmpfile == nullptr) continue;
    std::fclose(ws->optimize_tmpfile);
    ws->optimize_tmpfile = nullptr;
  }
  lxw_workbook_free(workbook);
}

// The .xlsx writer only writes files: the workbook is made in the system's
// temporary folder and read back, so that it reaches its own folder whole like
// every other file.
Expected<std::string> XlsxBytes(const std::string& path, const std::vector<WorkbookSheet>& sheets,
                                const std::atomic<bool>* cancel) {
  const ScopedCNumbers numbers;
  // The writer takes UTF-8 names (wide ones on Windows are made from them).
  const std::string scratch = Utf8FromPath(ScratchPath(".xlsx"));
  // Rows go to the file as they are written, where a cancel can stop them;
  // closing then only packs the workbook.
  lxw_workbook_options options{};
  options.constant_memory = LXW_TRUE;
  lxw_workbook* workbook = workbook_new_opt(scratch.c_str(), &options);
  if (workbook == nullptr)
    return Result::Failure("The workbook " + path + " could not be created.");
  std::vector<lxw_worksheet*> worksheets;
  int index = 1;
  for (const WorkbookSheet& sheet : sheets) {
    std::string name = sheet.name;
    if (workbook_validate_sheet_name(workbook, name.c_str()) != LXW_NO_ERROR)
      name = "Sheet" + std::to_string(index);
    ++index;
    lxw_worksheet* ws = workbook_add_worksheet(workbook, name.c_str());
    if (ws == nullptr) continue;
    worksheets.push_back(ws);
    for (size_t c = 0; c < sheet.columns.size() && c < LXW_COL_MAX; ++c)
      worksheet_write_string(ws, 0, static_cast<lxw_col_t>(c), sheet.columns[c].c_str(), nullptr);
    for (size_t r = 0; r < sheet.rows.size() && r + 1 < LXW_ROW_MAX; ++r) {
      // The workbook's file is only made when it is closed: freeing it leaves none.
      if (r % kRowsPerCancelCheck == 0 && Cancelled(cancel)) {
        FreeUnclosed(workbook, worksheets);
        return CancelledFailure(path);
      }
      const auto row = static_cast<lxw_row_t>(r + 1);
      for (size_t c = 0; c < sheet.rows[r].size() && c < LXW_COL_MAX; ++c) {
        const WorkbookCell& cell = sheet.rows[r][c];
        const auto col = static_cast<lxw_col_t>(c);
        if (cell.kind == WorkbookCell::Kind::kText)
          worksheet_write_string(ws, row, col, cell.text.c_str(), nullptr);
        else if (cell.kind == WorkbookCell::Kind::kNumber)
          worksheet_write_number(ws, row, col, cell.number, nullptr);
      }
    }
  }
  const lxw_error result = workbook_close(workbook);
  Expected<std::string> bytes =
      result == LXW_NO_ERROR ? ReadWholeFile(scratch) : Result::Failure(lxw_strerror(result));
  std::error_code ec;
  RemovePath(scratch, ec);
  if (!bytes)
    return Result::Failure("The workbook " + path + " could not be written: " + bytes.Message());
  if (Cancelled(cancel)) return CancelledFailure(path);
  return bytes;
}

}  // namespace

std::string TextToUtf8(const std::string& text) {
  if (IsValidUtf8(text)) return text;
  std::string out;
  for (char ch : text) {
    const auto b = static_cast<uint8_t>(ch);
    AppendUtf8(out, b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80] : b);
  }
  return out;
}

std::optional<std::string> ConnectionValue(const std::string& connection, const std::string& key) {
  const std::string wanted = Lower(key) + "=";
  size_t pos = 0;
  while (pos <= connection.size()) {
    size_t end = pos;
    bool quoted = false, braced = false;
    while (end < connection.size() && (connection[end] != ';' || quoted || braced)) {
      if (connection[end] == '"') quoted = !quoted;
      if (connection[end] == '{') braced = true;
      if (connection[end] == '}') braced = false;
      ++end;
    }
    std::string part = connection.substr(pos, end - pos);
    size_t b = 0;
    while (b < part.size() && part[b] == ' ') ++b;
    part.erase(0, b);
    if (Lower(part.substr(0, wanted.size())) == wanted) {
      std::string value = part.substr(wanted.size());
      if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        value = value.substr(1, value.size() - 2);
      return value;
    }
    pos = end + 1;
  }
  return std::nullopt;
}

Expected<std::string> WorkbookBytes(const std::string& path,
                                    const std::vector<WorkbookSheet>& sheets,
                                    const std::atomic<bool>* cancel) {
  if (Cancelled(cancel)) return CancelledFailure(path);
  if (EndsWith(Lower(path), ".xlsx")) return XlsxBytes(path, sheets, cancel);
  std::vector<uint8_t> file;
  if (Result built = BuildBiff8File(sheets, file); !built) return built;
  if (Cancelled(cancel)) return CancelledFailure(path);
  return std::string(reinterpret_cast<const char*>(file.data()), file.size());
}

Result WriteWorkbook(const std::string& path, const std::vector<WorkbookSheet>& sheets) {
  Expected<std::string> bytes = WorkbookBytes(path, sheets);
  if (!bytes) return bytes.Status();
  const Result written = WriteFileAtomically(path, *bytes);
  // The same notice in the workbook's words: "The file PATH could not be written: REASON."
  const std::string fileWords = "The file " + path + " could not be written";
  if (!written)
    return Result::Failure("The workbook " + path + " could not be written" +
                           (written.Message().starts_with(fileWords)
                                ? written.Message().substr(fileWords.size())
                                : ": " + written.Message()));
  return Result::Success();
}

struct SqliteWorkbookConnection::Db {
  sqlite3* handle = nullptr;
  ~Db() {
    if (handle != nullptr) sqlite3_close(handle);
  }
};

SqliteWorkbookConnection::SqliteWorkbookConnection() = default;
SqliteWorkbookConnection::~SqliteWorkbookConnection() = default;

Result SqliteWorkbookConnection::OpenEx(const std::string& connection) {
  // DBQ closes the station's connection string, so a path holding ";" is
  // taken whole from there.
  std::optional<std::string> path;
  const size_t last = Lower(connection).rfind(";dbq=");
  if (last != std::string::npos && connection.find('=', last + 5) == std::string::npos)
    path = connection.substr(last + 5);
  else
    path = ConnectionValue(connection, "DBQ");
  if (!path || path->empty())
    return Result::Failure(std::string("The connection names no workbook (DBQ)."));
  auto db = std::make_unique<Db>();
  if (sqlite3_open(":memory:", &db->handle) != SQLITE_OK)
    return Result::Failure(std::string("The database could not be opened: ") +
                           sqlite3_errmsg(db->handle));
  db_ = std::move(db);
  path_ = *path;
  return Result::Success();
}

Result SqliteWorkbookConnection::ExecuteSQL(const std::string& statement) {
  if (!db_) return Result::Failure(std::string("The workbook is not open."));
  char* message = nullptr;
  if (sqlite3_exec(db_->handle, statement.c_str(), nullptr, nullptr, &message) == SQLITE_OK)
    return Result::Success();
  std::string error = message != nullptr ? message : sqlite3_errmsg(db_->handle);
  sqlite3_free(message);
  return Result::Failure(TextToUtf8(error));
}

Result SqliteWorkbookConnection::ReadSheets(std::vector<WorkbookSheet>& sheets,
                                            const std::atomic<bool>* cancel) {
  sheets.clear();
  if (!db_) return Result::Failure(std::string("The workbook is not open."));
  sqlite3* h = db_->handle;
  auto prepare = [&](const std::string& sql, sqlite3_stmt** stmt) {
    if (sqlite3_prepare_v2(h, sql.c_str(), -1, stmt, nullptr) == SQLITE_OK)
      return Result::Success();
    return Result::Failure(TextToUtf8(sqlite3_errmsg(h)));
  };
  sqlite3_stmt* tables = nullptr;
  if (Result e =
          prepare("SELECT name FROM sqlite_master WHERE type='table' ORDER BY rowid", &tables);
      !e)
    return e;
  std::vector<std::string> names;
  while (sqlite3_step(tables) == SQLITE_ROW)
    names.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(tables, 0)));
  sqlite3_finalize(tables);

  for (const std::string& table : names) {
    WorkbookSheet sheet;
    sheet.name = TextToUtf8(table);
    std::vector<bool> numeric;
    sqlite3_stmt* info = nullptr;
    if (Result e = prepare("PRAGMA table_info(" + QuoteIdentifier(table) + ")", &info); !e)
      return e;
    while (sqlite3_step(info) == SQLITE_ROW) {
      const auto* name = sqlite3_column_text(info, 1);
      const auto* type = sqlite3_column_text(info, 2);
      sheet.columns.push_back(TextToUtf8(name ? reinterpret_cast<const char*>(name) : ""));
      numeric.push_back(IsNumericType(type ? reinterpret_cast<const char*>(type) : ""));
    }
    sqlite3_finalize(info);

    sqlite3_stmt* rows = nullptr;
    if (Result e = prepare("SELECT * FROM " + QuoteIdentifier(table) + " ORDER BY rowid", &rows);
        !e)
      return e;
    const int columns = sqlite3_column_count(rows);
    while (sqlite3_step(rows) == SQLITE_ROW) {
      if (sheet.rows.size() % kRowsPerCancelCheck == 0 && Cancelled(cancel)) {
        sqlite3_finalize(rows);
        return CancelledFailure(path_);
      }
      std::vector<WorkbookCell> row(sheet.columns.size());
      for (int c = 0; c < columns && c < static_cast<int>(row.size()); ++c) {
        WorkbookCell& cell = row[c];
        const int type = sqlite3_column_type(rows, c);
        if (type == SQLITE_NULL) continue;
        if (numeric[c] && (type == SQLITE_INTEGER || type == SQLITE_FLOAT) &&
            std::isfinite(sqlite3_column_double(rows, c))) {
          cell.kind = WorkbookCell::Kind::kNumber;
          cell.number = sqlite3_column_double(rows, c);
          continue;
        }
        const auto* raw = sqlite3_column_text(rows, c);
        const std::string text(raw ? reinterpret_cast<const char*>(raw) : "",
                               static_cast<size_t>(sqlite3_column_bytes(rows, c)));
        const auto number = numeric[c] ? WholeNumber(text) : std::nullopt;
        if (number) {
          cell.kind = WorkbookCell::Kind::kNumber;
          cell.number = *number;
        } else {
          // Text in a number column that is no number stays visible as text.
          cell.kind = WorkbookCell::Kind::kText;
          cell.text = TextToUtf8(text);
        }
      }
      sheet.rows.push_back(std::move(row));
    }
    sqlite3_finalize(rows);
    sheets.push_back(std::move(sheet));
  }
  return Result::Success();
}

Result SqliteWorkbookConnection::Close() {
  if (!db_) return Result::Failure(std::string("The workbook is not open."));
  std::vector<WorkbookSheet> sheets;
  Result result = ReadSheets(sheets);
  if (result) result = WriteWorkbook(path_, sheets);
  db_.reset();
  return result;
}

Expected<std::string> SqliteWorkbookConnection::CloseToBytes(const std::atomic<bool>* cancel) {
  if (!db_) return Result::Failure(std::string("The workbook is not open."));
  std::vector<WorkbookSheet> sheets;
  const Result read = ReadSheets(sheets, cancel);
  db_.reset();
  if (!read) return read;
  return WorkbookBytes(path_, sheets, cancel);
}

WorkbookFactory DefaultWorkbookFactory() {
  return [] { return std::make_unique<SqliteWorkbookConnection>(); };
}

}  // namespace corvala
