#pragma once
// A chamber's value list as a model over its record: each row is made from the
// sample when the list shows it, converted from the run's unit into the unit
// shown, with the normalisation offset in force then. Nothing is stored per
// row, so a week of samples costs the list nothing, and a row can never be
// listed twice or missed.

#include <atomic>

#include "app/report_list.h"
#include "run/chamber_record.h"
#include "station/unit_switch.h"
#include "util/units.h"

namespace corvala {

class ValueListModel : public ColumnModel {
  Q_OBJECT
 public:
  // `factors` is the configured pair, read on the window thread like the model.
  ValueListModel(const SharedChamber& chamber, const SharedUnitConfig& units,
                 const StoredFactors& factors, const std::atomic<float>& normOffset,
                 QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;

  // Takes up the samples appended since the last call; returns true when rows
  // were added. A record that holds fewer samples than shown (a new run) is shown afresh.
  bool Follow();
  // Shows every row anew: a new run, a loaded file, another unit or offset.
  void Refresh();

 private:
  const SharedChamber& chamber_;
  const SharedUnitConfig& units_;
  const StoredFactors& factors_;
  const std::atomic<float>& normOffset_;
  int rows_ = 0;  // the rows the views know of
};

}  // namespace corvala
