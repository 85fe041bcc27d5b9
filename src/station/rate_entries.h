#pragma once
// The rate fields of the configuration view: the blank chamber, each chamber's
// volume, amount and amount unit, and the window W. Confirming the view takes
// what was typed into the rate settings and keeps them in "Rates.ini".

#include <array>
#include <string>

#include "analysis/rate_settings.h"
#include "station/prompts.h"
#include "util/result.h"

namespace corvala {

// The blank combo box's items, in order: no blank, then chambers I to III.
inline constexpr std::array<const char*, 4> kBlankChoices = {"none", "I", "II", "III"};

struct ChamberRateEntries {
  std::string volume;      // ml; empty for none
  std::string amount;      // empty for none
  std::string amountUnit;  // the user's text, e.g. "g FW"
  bool operator==(const ChamberRateEntries&) const = default;
};

// What the rate fields hold when the view is confirmed.
struct RateEntries {
  int blankIndex = 0;  // selection of the blank combo box; -1 for none selected
  std::array<ChamberRateEntries, 3> chambers;
  std::string window;  // samples; empty for a tenth of the segment
  bool operator==(const RateEntries&) const = default;
};

// The fields' texts for the settings in force.
RateEntries RateEntriesOf(const RateSettings& settings);

struct RateConfirmOutcome {
  bool changed = false;  // the settings in force changed (and were written)
  bool refused = false;  // a field was typed wrong and shows its value in force again
};

// Takes the entries into settings. A field typed wrong is refused with a
// notice naming it and what it takes and keeps its value in force; the other
// fields are taken. Changed settings are written to file; a failure to write
// is a notice, the settings stay in force for this session.
RateConfirmOutcome ConfirmRateEntries(const RateEntries& entries, RateSettings& settings,
                                      const std::string& file, Prompts& prompts);

}  // namespace corvala
