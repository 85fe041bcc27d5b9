#pragma once
// Saving and loading measurements in the measurement view: the file dialogs,
// the questions before files or unsaved data are replaced, and what the
// station does around them.

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "files/measurement_file.h"
#include "run/station.h"
#include "station/prompts.h"
#include "util/progress.h"

namespace corvala {

// A slow step of a save or a load (writing the files, reading one): it counts
// its progress in the Progress it is given and stops early when a cancel is
// asked for there.
using SlowStep = std::function<void(Progress& progress)>;
// Runs a slow step and returns when it is done. The window runs it on a thread
// of its own while it shows the progress; without a runner the step runs on
// the caller's thread.
using SlowStepRunner = std::function<void(const SlowStep& step)>;

// What the window does around saving.
struct MeasurementSaveHooks {
  // AddAnalysisRow for a saved chamber whose hasRun is set.
  std::function<void(int chamber, const std::string& name)> addAnalysisRow;
  // Rewrite the working file "auswertung.tmp" after each written chamber file.
  std::function<void()> rewriteWorkingFile;
  // Runs the writing of the files; the questions before it and the changes
  // after it stay on the caller's thread.
  SlowStepRunner runSlow;
};

struct MeasurementSaveResult {
  std::vector<std::string> written;  // files written, in chamber order
  std::vector<std::string> failed;   // files that could not be written (skipped)
  // For each failed file the notice naming it and the reason:
  // "The file PATH could not be written: REASON.", or for a file that a cancel
  // kept from being written "The file PATH was not saved: saving was cancelled."
  std::vector<std::string> failures;
};

// Button 1041: saves every selected chamber that is not running, one file per
// chamber ("%s_%d.cv3" beside the chosen file when 2 or 3 chambers are
// selected), asking before existing files are replaced. A cancel while the
// files are written leaves the file being written and those after it as they
// were (no part of them is written) and their chambers unsaved; the files
// finished before it are saved.
MeasurementSaveResult SaveMeasurementFiles(Station& station, const std::array<uint8_t, 3>& selected,
                                           Prompts& prompts, const MeasurementSaveHooks& hooks);

// What the window does around loading.
struct MeasurementLoadHooks {
  // The chamber's data is about to be replaced: reset the selected-range slope
  // and switch the five marker toggles off.
  std::function<void(int chamber)> beforeReplace;
  // m_unit has been set to the run's unit: select it in the unit combo box,
  // push the values to the controls and confirm the configuration.
  std::function<void()> confirmConfiguration;
  // The effective factors are set: refill the chamber's value list, refresh the
  // measurement view and show the view's controls again.
  std::function<void(int chamber)> refreshViews;
  // Runs the reading of the file into a record of its own; the chamber's record
  // is replaced afterwards on the caller's thread.
  SlowStepRunner runSlow;
};

// The configured conversion factors (m_factor1, m_factor2) used for unit 2.
struct ConversionFactors {
  float factor1 = 210.0f;
  float factor2 = 8.23f;
};

// The station's values a file reader falls back on and widens the chart top with.
MeasurementReadContext StationReadContext(const Station& station, const ConversionFactors& factors);

// The display unit becomes the run unit of chamber 0..2 and the effective
// factors follow it; hooks.confirmConfiguration and hooks.refreshViews are
// called as after a load. While any chamber measures, the unit in force stays
// (the device must not switch under a run) and only the views are refreshed.
void ShowInRunUnit(Station& station, int chamber, const ConversionFactors& factors,
                   const MeasurementLoadHooks& hooks);

enum class MeasurementLoadStatus { kNothing, kNotOpened, kNoSamples, kLoaded, kRunStarted };

// Loads the file into chamber 0..2 (which must not be running) as button 1042
// does after its dialogs: reads the rows into a record of their own (through
// hooks.runSlow), replaces the record under its lock, then sets the display
// unit and effective factors and calls the hooks. A cancel of the reading
// changes nothing (kNothing), nor does a run started in the chamber meanwhile
// (kRunStarted).
MeasurementLoadStatus LoadMeasurementInto(Station& station, int chamber, const std::string& path,
                                          const ConversionFactors& factors,
                                          const MeasurementLoadHooks& hooks);

// Button 1042: the first selected chamber that is not running, the open
// dialog, the question before unsaved data is replaced, then LoadMeasurementInto.
// A file without sample rows is refused with a notice naming it.
MeasurementLoadStatus LoadMeasurementFile(Station& station, const std::array<uint8_t, 3>& selected,
                                          Prompts& prompts, const ConversionFactors& factors,
                                          const MeasurementLoadHooks& hooks);

}  // namespace corvala
