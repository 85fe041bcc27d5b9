#include "station/journal_restore.h"

#include <algorithm>
#include <chrono>
#include <optional>

#include "files/journal_file.h"
#include "util/c_format.h"
#include "util/file_io.h"
#include "util/file_names.h"
#include "util/memory.h"

namespace corvala {
namespace {

// A free name beside the journal: "<journal>.damaged", "<journal>.damaged-2", ...
std::string AsideName(const std::string& path) {
  for (int n = 1; n < 1000; ++n) {
    std::string candidate = path + ".damaged" + (n == 1 ? std::string() : Format("-%d", n));
    if (!PathExists(candidate)) return candidate;
  }
  return path + ".damaged-last";
}

void Restore(Station& station, int chamber, ChamberRecord record) {
  const auto i = static_cast<size_t>(chamber);
  station.m_run[i].m_running.store(0);
  station.m_run[i].m_lightOn.store(0);
  station.m_run[i].m_normOffset.store(0.0f);
  station.m_chamber[i].Access([&](ChamberRecord& r) {
    record.chamberIndex = r.chamberIndex;
    record.runRequested = false;
    record.pendingRun.reset();
    // A run of this station whose analysis row has not been added: saving it adds the row.
    record.hasRun = 1;
    record.saved = 0;
    record.measurementName.clear();
    record.analysis.Clear();
    r = std::move(record);
  });
}

// Removes a journal whose run the user let go. One that cannot be removed
// would be offered at every start without a word, so the user hears why.
void LetGo(Station& station, Prompts& prompts, int chamber, const std::string& path,
           bool ownFolder) {
  Result removed = Result::Success();
  std::error_code error;
  if (ownFolder) {
    removed = station.m_journal.Remove(chamber);
  } else if (!RemovePath(path, error) && error) {
    removed = Result::Failure(
        Format("The journal %s could not be removed: %s.", path.c_str(), error.message().c_str()));
  }
  if (!removed)
    prompts.ShowNotice(removed.Message() + " It will be offered again at the next start.");
}

// The chamber as the window names it: "Chamber I" for chamber 0.
std::string ChamberName(int chamber) {
  return std::string("Chamber ") + ChamberNumeral(chamber);
}

}  // namespace

std::string RestoreQuestion(int chamber, const ChamberRecord& r) {
  return Format(
      "The measurement of %s (%d samples%s, started %02d.%02d.%04d %02d:%02d:%02d) was not "
      "saved. Restore it?",
      ChamberName(chamber).c_str(), r.series.Size(),
      r.simulated ? " from the simulated device" : "", r.startDay, r.startMonth, r.startYear,
      r.startHour, r.startMinute, r.startSecond);
}

JournalRestoreOutcome OfferJournalRestore(Station& station, Prompts& prompts,
                                          const ConversionFactors& factors,
                                          const MeasurementLoadHooks& hooks,
                                          const std::string& askedFolder) {
  JournalRestoreOutcome outcome;
  for (int c = 0; c < 3 && !prompts.Silenced(); ++c) {
    std::string path = station.m_journal.PathOf(c);
    std::error_code error;
    if (path.empty()) continue;
    // A journal in the folder asked for, which this station cannot write.
    bool ownFolder = true;
    if (!PathExists(path) && !askedFolder.empty()) {
      path = JoinPath(askedFolder, FileNameOf(path));
      ownFolder = false;
    }
    if (!PathExists(path)) continue;
    const Expected<std::string> text = ReadWholeFile(path);
    if (!text) {
      prompts.ShowNotice(text.Message() + " The journal of " + ChamberName(c) +
                         " stays where it is.");
      continue;
    }
    JournalContent content = ParseRunJournal(*text, StationReadContext(station, factors));
    const bool damaged = content.state == JournalContent::State::kDamaged;
    if (damaged) {
      // Never lost without a word: the file is kept aside and named.
      const std::string aside = AsideName(path);
      RenamePath(path, aside, error);
      const std::string kept = error ? path : aside;
      if (!error) outcome.keptAside[static_cast<size_t>(c)] = aside;
      prompts.ShowNotice(Format("The journal of %s is damaged: %s. It was kept as %s.",
                                ChamberName(c).c_str(), content.problem.c_str(), kept.c_str()));
      if (error) continue;
    }
    if (content.record.series.Empty()) {
      // A run that took no sample: nothing to offer.
      if (!damaged && ownFolder) (void)station.m_journal.Remove(c);
      continue;
    }
    const bool yes = prompts.AskYesNo(RestoreQuestion(c, content.record));
    if (prompts.Silenced()) break;
    if (!yes) {
      if (!damaged) LetGo(station, prompts, c, path, ownFolder);
      continue;
    }
    // A journal from elsewhere is written anew in this station's folder.
    const bool clean = content.state == JournalContent::State::kWhole && ownFolder;
    // A copy only for a journal written anew: a week of samples is not doubled.
    std::optional<ChamberRecord> restored;
    if (!clean) restored = content.record;
    if (hooks.beforeReplace) hooks.beforeReplace(c);
    Restore(station, c, std::move(content.record));
    outcome.restored[static_cast<size_t>(c)] = true;
    // The journal stays until the run is saved; a cut or damaged one is written
    // anew with exactly the samples restored.
    if (restored) {
      const Result rewritten =
          station.m_journal.Rewrite(c, *restored, false, std::chrono::steady_clock::now());
      if (!rewritten) prompts.ShowNotice(rewritten.Message());
    }
    station.m_units.Update([&](UnitConfig& config) {
      config.maxPressure = std::max(config.maxPressure, content.maxPressure);
    });
    ShowInRunUnit(station, c, factors, hooks);
  }
  // The journals' texts are gone; the system gets their memory back.
  ReturnFreeMemory();
  return outcome;
}

std::vector<std::string> RepairJournalsAtClose(Station& station) {
  std::vector<std::string> failures;
  for (int c = 0; c < 3; ++c) {
    if (!station.m_journal.Missed(c)) continue;
    const Result written = station.m_journal.Rewrite(c, station.m_chamber[c].Snapshot(), false,
                                                     std::chrono::steady_clock::now());
    if (!written) failures.push_back(written.Message());
  }
  return failures;
}

}  // namespace corvala
