#pragma once
// A report-style list: columns with captions, widths and alignment, rows of
// texts, and a selection mark (the current row, -1 when none). A list keeps its
// own rows of texts, or shows a model that makes them when they are shown.

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

// A table model with report-style columns: their captions and alignment.
class ColumnModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  using QAbstractTableModel::QAbstractTableModel;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  virtual void SetColumns(const std::vector<ListColumn>& columns);

 protected:
  // The alignment of a cell of the column, for Qt::TextAlignmentRole.
  QVariant Alignment(int column) const;
  std::vector<ListColumn> columns_;
};

// Rows of texts held by the model.
class ReportListModel : public ColumnModel {
  Q_OBJECT
 public:
  using ColumnModel::ColumnModel;
  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  void SetColumns(const std::vector<ListColumn>& columns) override;

  int InsertRow(int row);
  void SetText(int row, int column, const QString& text);
  void RemoveRow(int row);
  void SetRows(std::vector<std::vector<QString>> rows);

 private:
  std::vector<std::vector<QString>> rows_;
};

class ReportList : public QTableView {
  Q_OBJECT
 public:
  explicit ReportList(QWidget* parent = nullptr);
  // Shows `model` instead of the list's own rows; the list does not own it.
  void ShowModel(ColumnModel* model);
  void SetColumns(const std::vector<ListColumn>& columns, bool gridLines);
  // Inserts an empty row at position row (appends when row is past the end); returns its index.
  int InsertRow(int row);
  void SetText(int row, int column, const std::string& text);
  std::string Text(int row, int column) const;
  void DeleteRow(int row);
  // Replaces every row at once.
  void SetRows(std::vector<std::vector<QString>> rows);
  int rowCount() const { return model()->rowCount(); }
  int SelectionMark() const;
  void SetSelectionMark(int row);
  void ScrollToRow(int row);
  // True when the list shows its last row: not scrolled, or scrolled to the end.
  bool AtEnd();
  // Shows the last row.
  void ScrollToEnd();

 private:
  ReportListModel* rows_;  // the list's own rows
  ColumnModel* columns_;   // the model shown: rows_ or one given to ShowModel
};

}  // namespace corvala
