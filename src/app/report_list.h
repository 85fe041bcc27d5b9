#pragma once
// A report-style list: columns with captions, widths and alignment, rows of
// texts, and a selection mark (the current row, -1 when none).

#include <QTableWidget>

#include <string>
#include <vector>

namespace corvala {

struct ListColumn {
  const char* caption;
  Qt::Alignment alignment;
  int width;
};

class ReportList : public QTableWidget {
  Q_OBJECT
 public:
  explicit ReportList(QWidget* parent = nullptr);
  void SetColumns(const std::vector<ListColumn>& columns, bool gridLines);
  // Inserts an empty row at position row (appends when row is past the end); returns its index.
  int InsertRow(int row);
  void SetText(int row, int column, const std::string& text);
  std::string Text(int row, int column) const;
  void DeleteRow(int row);
  void DeleteAllRows();
  int SelectionMark() const;

 private:
  std::vector<Qt::Alignment> alignments_;
};

}  // namespace corvala
