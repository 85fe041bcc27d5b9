#pragma once
// A report-style list: columns with captions, widths and alignment, rows of
// texts, and a selection mark (the current row, -1 when none). The rows live in
// a plain model, so a list of a day's samples fills and scrolls quickly.

#include <QAbstractTableModel>
#include <QTableView>

#include <string>
#include <vector>

namespace corvala {

struct ListColumn {
  const char* caption;
  Qt::Alignment alignment;
  int width;
};

class ReportListModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  using QAbstractTableModel::QAbstractTableModel;
  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  void SetColumns(const std::vector<ListColumn>& columns);
  int InsertRow(int row);
  void SetText(int row, int column, const QString& text);
  QString Text(int row, int column) const;
  void RemoveRow(int row);
  void SetRows(std::vector<std::vector<QString>> rows);

 private:
  std::vector<ListColumn> columns_;
  std::vector<std::vector<QString>> rows_;
};

class ReportList : public QTableView {
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
  // Replaces every row at once.
  void SetRows(std::vector<std::vector<QString>> rows);
  int rowCount() const { return model_->rowCount(); }
  int SelectionMark() const;
  void SetSelectionMark(int row);
  void ScrollToRow(int row);

 private:
  ReportListModel* model_;
};

}  // namespace corvala
