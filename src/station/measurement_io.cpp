#include "station/measurement_io.h"

#include <algorithm>
#include <fstream>

#include "files/measurement_file.h"
#include "util/c_format.h"
#include "util/file_io.h"
#include "util/file_names.h"
#include "util/memory.h"

namespace corvala {
namespace {

bool FileExists(const std::string& path) {
  if (IsFolder(path)) return false;
  std::ifstream in(PathFromUtf8(path), std::ios::binary);
  return static_cast<bool>(in);
}

void RunSlowStep(const SlowStepRunner& runner, const SlowStep& step) {
  if (runner) {
    runner(step);
    return;
  }
  Progress progress;
  step(progress);
}

}  // namespace

MeasurementSaveResult SaveMeasurementFiles(Station& station, const std::array<uint8_t, 3>& selected,
                                           Prompts& prompts, const MeasurementSaveHooks& hooks) {
  MeasurementSaveResult result;
  const int selectedCount = static_cast<int>(std::count(selected.begin(), selected.end(), 1));
  if (selectedCount == 0) return result;
  std::string chosen;
  if (!prompts.ChooseSaveFile(kMeasurementExtension, chosen)) return result;

  std::array<bool, 3> saveable{};
  for (int c = 0; c < 3; ++c)
    saveable[c] = selected[c] == 1 && station.m_run[c].m_running.load() == 0;
  const std::string title = FileTitle(chosen);
  std::array<std::string, 3> target, fileName;
  for (int c = 0; c < 3; ++c) {
    if (!saveable[c]) continue;
    if (selectedCount == 1) {
      target[c] = chosen;
    } else {
      fileName[c] = Format("%s_%d.cv3", title.c_str(), c + 1);
      target[c] = JoinPath(ParentOf(chosen), fileName[c]);
    }
  }

  bool anyExists = false;
  for (int c = 0; c < 3; ++c) anyExists = anyExists || (saveable[c] && FileExists(target[c]));
  if (anyExists) {
    const char* question = selectedCount == 1 ? "Existing file will be overwritten!"
                                              : "Existing files will be overwritten!";
    if (!prompts.AskOkCancel(question)) return result;
  }

  // The files are written first, each whole (each chunk of rows formatted under
  // the record's lock), so a chamber whose file cannot be written is skipped
  // without any change.
  std::array<bool, 3> hasRun{};
  int64_t rows = 0;
  for (int c = 0; c < 3; ++c) {
    if (!saveable[c]) continue;
    station.m_chamber[c].Access([&](const ChamberRecord& r) {
      hasRun[c] = r.hasRun == 1;
      rows += r.Samples();
    });
  }
  std::array<Result, 3> written;
  std::array<bool, 3> cancelled{};
  RunSlowStep(hooks.runSlow, [&](Progress& progress) {
    progress.total = std::max<int64_t>(rows, 1);
    for (int c = 0; c < 3; ++c) {
      if (!saveable[c]) continue;
      cancelled[c] = progress.cancel.load();
      if (cancelled[c]) continue;
      written[c] = WriteMeasurementFile(station.m_chamber[c], target[c], &progress);
      cancelled[c] = !written[c] && progress.cancel.load();
      ReturnFreeMemory();
    }
  });

  for (int c = 0; c < 3; ++c) {
    if (!saveable[c]) continue;
    if (cancelled[c]) {
      result.failed.push_back(target[c]);
      result.failures.push_back("The file " + target[c] + " was not saved: saving was cancelled.");
      continue;
    }
    if (!written[c]) {
      result.failed.push_back(target[c]);
      result.failures.push_back(written[c].Message());
      continue;
    }
    result.written.push_back(target[c]);
    // A run started in the chamber since its file was finished is not the run
    // the file holds: it stays unsaved and keeps its journal.
    if (station.m_run[c].m_running.load() != 0) continue;
    const std::string name = selectedCount == 1 ? title : fileName[c];
    station.m_chamber[c].Access([&](ChamberRecord& r) {
      r.measurementName = selectedCount == 1 ? target[c] : fileName[c];
    });
    if (hasRun[c] && hooks.addAnalysisRow) hooks.addAnalysisRow(c, name);
    station.m_chamber[c].Access([](ChamberRecord& r) { r.saved = 1; });
    // The file holds the run now; its journal is no longer needed.
    (void)station.m_journal.Remove(c);
    if (hooks.rewriteWorkingFile) hooks.rewriteWorkingFile();
  }
  return result;
}

MeasurementReadContext StationReadContext(const Station& station,
                                          const ConversionFactors& factors) {
  MeasurementReadContext context;
  context.sampleInterval = station.m_settings.m_sampleInterval.load();
  context.temperature = station.m_settings.m_temperature.load();
  context.factor1 = factors.factor1;
  context.factor2 = factors.factor2;
  context.maxPressure = station.m_units.MaxPressure();
  return context;
}

void ShowInRunUnit(Station& station, int chamber, const ConversionFactors& factors,
                   const MeasurementLoadHooks& hooks) {
  if (RunningMask(station) != 0) {
    // A chamber measures: its run and the device keep their unit; the loaded
    // run is shown in the unit in force.
    if (hooks.refreshViews) hooks.refreshViews(chamber);
    return;
  }
  const int32_t unit =
      station.m_chamber[chamber].Access([](const ChamberRecord& r) { return r.runUnit; });
  station.m_units.Update([&](UnitConfig& config) { config.unit = unit; });
  if (hooks.confirmConfiguration) hooks.confirmConfiguration();
  station.m_units.Update([&](UnitConfig& config) {
    if (unit == kUnitMbar) {
      config.effFactor1 = config.effFactor2 = 1.0f;
    } else if (unit == kUnitMgl) {
      config.effFactor1 = factors.factor1;
      config.effFactor2 = factors.factor2;
    }
  });
  if (hooks.refreshViews) hooks.refreshViews(chamber);
}

MeasurementLoadStatus LoadMeasurementInto(Station& station, int chamber, const std::string& path,
                                          const ConversionFactors& factors,
                                          const MeasurementLoadHooks& hooks) {
  if (chamber < 0 || chamber > 2 || station.m_run[chamber].m_running.load() != 0)
    return MeasurementLoadStatus::kNothing;
  // The rows are read into a record of their own: the chamber's record is not
  // seen half-read, and the sampler goes on filling the other chambers.
  const MeasurementReadContext context = StationReadContext(station, factors);
  MeasurementFileContent content;
  bool opened = false;
  bool cancelled = false;
  RunSlowStep(hooks.runSlow, [&](Progress& progress) {
    {
      // The file's text goes as soon as its rows are read.
      const Expected<std::string> read = ReadWholeFile(path);
      if (!read) return;
      opened = true;
      content = ParseMeasurementFile(*read, context, &progress);
    }
    cancelled = progress.cancel.load();
    ReturnFreeMemory();
  });
  if (!opened) return MeasurementLoadStatus::kNotOpened;
  // A cancelled load changes nothing; neither does one whose chamber started a
  // run while the file was read.
  if (cancelled) return MeasurementLoadStatus::kNothing;
  if (station.m_run[chamber].m_running.load() != 0) return MeasurementLoadStatus::kRunStarted;

  auto& shared = station.m_chamber[chamber];
  const bool hasSamples = content.HasSamples();
  if (hasSamples) {
    station.m_run[chamber].m_normOffset.store(0.0f);
    if (hooks.beforeReplace) hooks.beforeReplace(chamber);
    const std::string title = FileTitle(path);
    shared.Access([&](ChamberRecord& r) {
      // The file replaces the whole run; the record keeps who it is and whether
      // its own run still awaits its analysis row.
      ChamberRecord loaded = std::move(content.record);
      loaded.chamberIndex = r.chamberIndex;
      loaded.hasRun = r.hasRun;
      loaded.analysis.Clear();
      loaded.saved = 1;
      loaded.measurementName = title;
      r = std::move(loaded);
    });
    // The run the journal held was replaced with the user's consent.
    (void)station.m_journal.Remove(chamber);
    // Only ever widened here; the sampler may have raised it meanwhile.
    station.m_units.Update([&](UnitConfig& config) {
      config.maxPressure = std::max(config.maxPressure, content.maxPressure);
    });
  }

  // The replaced run is freed; the system gets its memory back.
  ReturnFreeMemory();
  ShowInRunUnit(station, chamber, factors, hooks);
  return hasSamples ? MeasurementLoadStatus::kLoaded : MeasurementLoadStatus::kNoSamples;
}

MeasurementLoadStatus LoadMeasurementFile(Station& station, const std::array<uint8_t, 3>& selected,
                                          Prompts& prompts, const ConversionFactors& factors,
                                          const MeasurementLoadHooks& hooks) {
  int chamber = -1;
  for (int c = 0; c < 3 && chamber < 0; ++c)
    if (selected[c] == 1 && station.m_run[c].m_running.load() == 0) chamber = c;
  if (chamber < 0) return MeasurementLoadStatus::kNothing;
  std::string path;
  if (!prompts.ChooseOpenFile(kMeasurementExtension, path)) return MeasurementLoadStatus::kNothing;
  const bool unsaved =
      station.m_chamber[chamber].Access([](const ChamberRecord& r) { return r.saved == 0; });
  if (unsaved && !prompts.AskOkCancel("Existing measurements will be overwritten!"))
    return MeasurementLoadStatus::kNothing;
  const MeasurementLoadStatus status = LoadMeasurementInto(station, chamber, path, factors, hooks);
  // A file without a single sample row would leave the chamber empty; it is
  // refused, and the user is told why nothing changed.
  if (status == MeasurementLoadStatus::kNoSamples)
    prompts.ShowNotice("The file " + path +
                       " holds no measured values; the chamber keeps its data.");
  // The user started the chamber while its file was read; the run wins.
  if (status == MeasurementLoadStatus::kRunStarted)
    prompts.ShowNotice("The file " + path + " was not loaded: chamber " + ChamberNumeral(chamber) +
                       " started measuring meanwhile.");
  return status;
}

}  // namespace corvala
