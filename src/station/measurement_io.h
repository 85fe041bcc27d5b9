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

namespace corvala {

// What the window does around saving.
struct MeasurementSaveHooks {
  // AddAnalysisRow for a saved chamber whose hasRun is set.
  std::function<void(int chamber, const std::string& name)> addAnalysisRow;
  // Rewrite the working file "auswertung.tmp" after each written chamber file.
  std::function<void()> rewriteWorkingFile;
};

struct MeasurementSaveResult {
  std::vector<std::string> written;  // files written, in chamber order
  std::vector<std::string> failed;   // files that could not be written (skipped)
  // For each failed file the notice naming it and the reason:
  // "The file PATH could not be written: REASON."
  std::vector<std::string> failures;
};

// Button 1041: saves every selected chamber that is not running, one file per
// chamber ("%s_%d.cv3" beside the chosen file when 2 or 3 chambers are
// selected), asking before existing files are replaced.
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

enum class MeasurementLoadStatus { kNothing, kNotOpened, kNoSamples, kLoaded };

// Loads the file into chamber 0..2 (which must not be running) as button 1042
// does after its dialogs: reads the rows, replaces the record under its lock,
// then sets the display unit and effective factors and calls the hooks.
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
