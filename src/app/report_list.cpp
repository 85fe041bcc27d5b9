#include "app/report_list.h"

#include <QHeaderView>

namespace corvala {

ReportList::ReportList(QWidget* parent) : QTableWidget(parent) {
  verticalHeader()->setVisible(false);
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setWordWrap(false);
  horizontalHeader()->setHighlightSections(false);
  horizontalHeader()->setStretchLastSection(false);
}

void ReportList::SetColumns(const std::vector<ListColumn>& columns, bool gridLines) {
  setColumnCount(static_cast<int>(columns.size()));
  alignments_.clear();
  for (size_t i = 0; i < columns.size(); ++i) {
    auto* header = new QTableWidgetItem(QString::fromUtf8(columns[i].caption));
    header->setTextAlignment(columns[i].alignment | Qt::AlignVCenter);
    setHorizontalHeaderItem(static_cast<int>(i), header);
    setColumnWidth(static_cast<int>(i), columns[i].width);
    alignments_.push_back(columns[i].alignment);
  }
  setShowGrid(gridLines);
}

int ReportList::InsertRow(int row) {
  if (row < 0 || row > rowCount()) row = rowCount();
  insertRow(row);
  return row;
}

void ReportList::SetText(int row, int column, const std::string& text) {
  if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount()) return;
  auto* cell = item(row, column);
  if (cell == nullptr) {
    cell = new QTableWidgetItem;
    cell->setTextAlignment(alignments_[static_cast<size_t>(column)] | Qt::AlignVCenter);
    setItem(row, column, cell);
  }
  cell->setText(QString::fromStdString(text));
}

std::string ReportList::Text(int row, int column) const {
  const auto* cell = item(row, column);
  return cell ? cell->text().toStdString() : std::string();
}

void ReportList::DeleteRow(int row) {
  if (row >= 0 && row < rowCount()) removeRow(row);
}

void ReportList::DeleteAllRows() {
  setRowCount(0);
}

int ReportList::SelectionMark() const {
  return rowCount() == 0 ? -1 : currentRow();
}

}  // namespace corvala
