#include "app/value_list_model.h"

#include <optional>

#include "chart/value_list.h"

namespace corvala {

ValueListModel::ValueListModel(const SharedChamber& chamber, const SharedUnitConfig& units,
                               const StoredFactors& factors, const std::atomic<float>& normOffset,
                               QObject* parent)
    : ColumnModel(parent),
      chamber_(chamber),
      units_(units),
      factors_(factors),
      normOffset_(normOffset) {}

int ValueListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : rows_;
}

QVariant ValueListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rows_ || index.column() >= 3) return {};
  if (role == Qt::TextAlignmentRole) return Alignment(index.column());
  if (role != Qt::DisplayRole) return {};
  const int row = index.row();
  int32_t runUnit = kUnitMbar;
  const std::optional<Sample> sample = chamber_.Access([row, &runUnit](const ChamberRecord& r) {
    runUnit = r.runUnit;
    return row < r.Samples() ? std::optional<Sample>(r.series.At(row)) : std::nullopt;
  });
  if (!sample) return {};
  const UnitConfig units = units_.Get();
  const FactorPair pair = DisplayPair(units.unit, units.effFactor1, units.effFactor2,
                                      factors_.factor1, factors_.factor2);
  const ValueListRow texts = ValueListRowOf(*sample, normOffset_.load(), runUnit, units.unit, pair);
  return QString::fromStdString(texts[static_cast<size_t>(index.column())]);
}

bool ValueListModel::Follow() {
  const int samples = chamber_.Access([](const ChamberRecord& r) { return r.Samples(); });
  if (samples < rows_) {
    Refresh();
    return false;
  }
  if (samples == rows_) return false;
  beginInsertRows(QModelIndex(), rows_, samples - 1);
  rows_ = samples;
  endInsertRows();
  return true;
}

void ValueListModel::Refresh() {
  beginResetModel();
  rows_ = chamber_.Access([](const ChamberRecord& r) { return r.Samples(); });
  endResetModel();
}

}  // namespace corvala
