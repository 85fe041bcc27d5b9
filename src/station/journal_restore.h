#pragma once
// At start-up: the journals of measurements a previous session did not save
// (killed, a power cut, or closed with unsaved runs) are offered back, one
// question per chamber. A restored run is an unsaved, stopped run, shown and
// analysed as before the end and ready to be saved.

#include <array>
#include <string>
#include <vector>

#include "run/station.h"
#include "station/measurement_io.h"
#include "station/prompts.h"

namespace corvala {

// "The measurement of Chamber I (S samples, started DD.MM.YYYY HH:MM:SS) was
// not saved. Restore it?" for chamber 0..2 and its restored record; a run
// recorded from the simulator has "S samples from the simulated device".
std::string RestoreQuestion(int chamber, const ChamberRecord& record);

struct JournalRestoreOutcome {
  std::array<bool, 3> restored{false, false, false};
  std::array<std::string, 3> keptAside;  // where a damaged journal was put
};

// Offers each chamber's journal in order I, II, III. Yes puts the samples in
// the chamber's record and shows them in their run's unit (hooks as after a
// load); No removes the journal. A damaged journal is renamed aside and named
// in a notice, and its readable samples are still offered. Nothing is removed
// once the prompts are silenced. A journal that cannot be removed is named in
// a notice. askedFolder, when given, is a data folder asked for that this
// station cannot write: a chamber without a journal of its own is offered the
// one found there, which is written anew in the station's folder when restored.
JournalRestoreOutcome OfferJournalRestore(Station& station, Prompts& prompts,
                                          const ConversionFactors& factors,
                                          const MeasurementLoadHooks& hooks,
                                          const std::string& askedFolder = {});

// At the end of the program: each journal that missed samples (a full disk, a
// removed file) is written whole from its record, so the next start gives the
// whole run back. The failures, each naming the journal and its reason.
std::vector<std::string> RepairJournalsAtClose(Station& station);

}  // namespace corvala
