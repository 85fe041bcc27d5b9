#pragma once
// A workbook reached like a database: CREATE TABLE makes a sheet, INSERT adds
// a row. Statements run in an in-memory SQLite database; Close writes the
// sheets as an Excel 97-2003 workbook (".xls") or an Office Open XML workbook
// (a path ending in ".xlsx").

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "util/result.h"

namespace corvala {

// One cell as the workbook gets it.
struct WorkbookCell {
  enum class Kind { kEmpty, kText, kNumber };
  Kind kind = Kind::kEmpty;
  std::string text;  // UTF-8
  double number = 0.0;
};

struct WorkbookSheet {
  std::string name;                             // UTF-8
  std::vector<std::string> columns;             // the first row
  std::vector<std::vector<WorkbookCell>> rows;  // further rows, each columns.size() cells
};

// Text of a statement or file name as UTF-8: valid UTF-8 stays as it is, any
// other text is read as Windows-1252 (a lone byte B0 becomes the degree sign).
std::string TextToUtf8(const std::string& text);

// The value of key (e.g. "DBQ") in a "KEY=value;KEY=value" connection string,
// double quotes around the value removed; nothing when the key is missing.
std::optional<std::string> ConnectionValue(const std::string& connection, const std::string& key);

// The bytes of the workbook file for path; the format follows the path's
// ending. Gives up, with a failure and no file left anywhere, once *cancel is set.
Expected<std::string> WorkbookBytes(const std::string& path,
                                    const std::vector<WorkbookSheet>& sheets,
                                    const std::atomic<bool>* cancel = nullptr);

// Writes the sheets whole to path (a temporary file beside it, synced, then
// renamed); the format follows the path's ending.
Result WriteWorkbook(const std::string& path, const std::vector<WorkbookSheet>& sheets);

class WorkbookConnection {
 public:
  virtual ~WorkbookConnection() = default;
  // Takes the workbook path from DBQ.
  virtual Result OpenEx(const std::string& connection) = 0;
  // Runs one statement; a failure carries the database's error text.
  virtual Result ExecuteSQL(const std::string& statement) = 0;
  // Writes the workbook and ends the connection.
  virtual Result Close() = 0;
  // Ends the connection and gives the workbook as the bytes of its file instead
  // of writing it, so that the caller decides when it takes the place of an
  // older file. Gives up once *cancel is set.
  virtual Expected<std::string> CloseToBytes(const std::atomic<bool>* cancel) = 0;
};

// The SQLite-backed connection.
class SqliteWorkbookConnection : public WorkbookConnection {
 public:
  SqliteWorkbookConnection();
  ~SqliteWorkbookConnection() override;
  Result OpenEx(const std::string& connection) override;
  Result ExecuteSQL(const std::string& statement) override;
  Result Close() override;
  Expected<std::string> CloseToBytes(const std::atomic<bool>* cancel) override;

  // The sheets as they stand: tables in creation order, rows in insertion order.
  // Gives up once *cancel is set.
  Result ReadSheets(std::vector<WorkbookSheet>& sheets, const std::atomic<bool>* cancel = nullptr);
  const std::string& Path() const { return path_; }

 private:
  struct Db;
  std::unique_ptr<Db> db_;
  std::string path_;
};

using WorkbookFactory = std::function<std::unique_ptr<WorkbookConnection>()>;
// Makes SqliteWorkbookConnection objects.
WorkbookFactory DefaultWorkbookFactory();

}  // namespace corvala
