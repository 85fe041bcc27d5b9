#pragma once
// Reading the journal of a running measurement back (see run/run_journal.h for
// its layout): the run's header and every complete sample row. A journal cut in
// the middle of a row (a killed program) or ending in zero bytes (a power cut
// before the last sync) gives every complete sample; anything else that cannot
// be read marks it damaged, with the samples before the damage.

#include <cstdint>
#include <string>
#include <string_view>

#include "files/measurement_file.h"
#include "run/chamber_record.h"

namespace corvala {

struct JournalContent {
  enum class State {
    kWhole,    // every line read
    kCut,      // the end holds part of a row or zero bytes
    kDamaged,  // a line that is no journal line; `problem` says which
  };
  State state = State::kWhole;
  std::string problem;
  // Header values, program copy and the complete samples.
  ChamberRecord record;
  int32_t maxPressure = 300;  // the chart top after the samples were read
};

// An empty text is a run that took no sample yet.
JournalContent ParseRunJournal(std::string_view text, const MeasurementReadContext& context);

}  // namespace corvala
