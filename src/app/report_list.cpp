#include "app/report_list.h"

#include <QHeaderView>
#include <QScrollBar>

namespace corvala {

int ColumnModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant ColumnModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 ||
      static_cast<size_t>(section) >= columns_.size())
    return {};
  if (role == Qt::DisplayRole)
    return QString::fromUtf8(columns_[static_cast<size_t>(section)].caption);
  if (role == Qt::TextAlignmentRole) return Alignment(section);
  return {};
}

void ColumnModel::SetColumns(const std::vector<ListColumn>& columns) {
  beginResetModel();
  columns_ = columns;
  endResetModel();
}

QVariant ColumnModel::Alignment(int column) const {
  if (column < 0 || static_cast<size_t>(column) >= columns_.size()) return {};
  return QVariant::fromValue(columns_[static_cast<size_t>(column)].alignment | Qt::AlignVCenter);
}

int ReportListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

QVariant ReportListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || static_cast<size_t>(index.row()) >= rows_.size()) return {};
  if (role == Qt::DisplayRole)
    return rows_[static_cast<size_t>(index.row())][static_cast<size_t>(index.column())];
  if (role == Qt::TextAlignmentRole) return Alignment(index.column());
  return {};
}

void ReportListModel::SetColumns(const std::vector<ListColumn>& columns) {
  beginResetModel();
  columns_ = columns;
  for (auto& row : rows_) row.resize(columns_.size());
  endResetModel();
}

int ReportListModel::InsertRow(int row) {
  if (row < 0 || static_cast<size_t>(row) > rows_.size()) row = static_cast<int>(rows_.size());
  beginInsertRows(QModelIndex(), row, row);
  rows_.insert(rows_.begin() + row, std::vector<QString>(columns_.size()));
  endInsertRows();
  return row;
}

void ReportListModel::SetText(int row, int column, const QString& text) {
  if (row < 0 || static_cast<size_t>(row) >= rows_.size() || column < 0 ||
      static_cast<size_t>(column) >= columns_.size())
    return;
  rows_[static_cast<size_t>(row)][static_cast<size_t>(column)] = text;
  const QModelIndex at = index(row, column);
  emit dataChanged(at, at, {Qt::DisplayRole});
}

void ReportListModel::RemoveRow(int row) {
  if (row < 0 || static_cast<size_t>(row) >= rows_.size()) return;
  beginRemoveRows(QModelIndex(), row, row);
  rows_.erase(rows_.begin() + row);
  endRemoveRows();
}

void ReportListModel::SetRows(std::vector<std::vector<QString>> rows) {
  beginResetModel();
  rows_ = std::move(rows);
  for (auto& row : rows_) row.resize(columns_.size());
  endResetModel();
}

ReportList::ReportList(QWidget* parent)
    : QTableView(parent), rows_(new ReportListModel(this)), columns_(rows_) {
  setModel(rows_);
  verticalHeader()->setVisible(false);
  // Every row has the same height; fixed sizes keep long lists fast.
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setWordWrap(false);
  horizontalHeader()->setHighlightSections(false);
  horizontalHeader()->setStretchLastSection(false);
}

void ReportList::ShowModel(ColumnModel* model) {
  columns_ = model;
  setModel(model);
}

void ReportList::SetColumns(const std::vector<ListColumn>& columns, bool gridLines) {
  columns_->SetColumns(columns);
  for (size_t i = 0; i < columns.size(); ++i) setColumnWidth(static_cast<int>(i), columns[i].width);
  setShowGrid(gridLines);
}

int ReportList::InsertRow(int row) {
  return rows_->InsertRow(row);
}

void ReportList::SetText(int row, int column, const std::string& text) {
  rows_->SetText(row, column, QString::fromStdString(text));
}

std::string ReportList::Text(int row, int column) const {
  return model()->data(model()->index(row, column), Qt::DisplayRole).toString().toStdString();
}

void ReportList::DeleteRow(int row) {
  rows_->RemoveRow(row);
}

void ReportList::SetRows(std::vector<std::vector<QString>> rows) {
  rows_->SetRows(std::move(rows));
}

int ReportList::SelectionMark() const {
  const QModelIndex current = currentIndex();
  return current.isValid() ? current.row() : -1;
}

void ReportList::SetSelectionMark(int row) {
  setCurrentIndex(model()->index(row, 0));
}

void ReportList::ScrollToRow(int row) {
  scrollTo(model()->index(row, 0));
}

bool ReportList::AtEnd() {
  // Rows added since the last layout are not yet in the scroll range.
  executeDelayedItemsLayout();
  return verticalScrollBar()->value() >= verticalScrollBar()->maximum();
}

void ReportList::ScrollToEnd() {
  scrollToBottom();
}

}  // namespace corvala
