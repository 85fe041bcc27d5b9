#pragma once
// The measurement file (".cv3"): one chamber run as "key=value" header lines,
// the marker "Messwerte:" and one fixed-column row per sample, CR LF line ends.
// Also the save and load operations of the measurement view.

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "app/prompts.h"
#include "run/chamber_record.h"
#include "run/station.h"

namespace corvala {

inline constexpr const char* kMeasurementExtension = "cv3";

// The file's exact text for a record (its complete samples).
std::string FormatMeasurementFile(const ChamberRecord& record);
// Writes the file whole; false when it could not be written.
bool WriteMeasurementFile(const ChamberRecord& record, const std::string& path);

// Station values the reader falls back on and widens.
struct MeasurementReadContext {
  int32_t sampleInterval = 5;  // for a missing "Messabstand"
  int32_t temperature = 25;    // for a missing "Temperatur"
  int32_t displayUnit = 1;     // unit and factors the chart top is widened with
  float effFactor1 = 1.0f;
  float effFactor2 = 1.0f;
  int32_t maxPressure = 300;
};

struct MeasurementFileContent {
  int32_t announced = -1;  // "AnzahlMesswerte": rows minus one
  // Header values, program copy and the rows read (only when announced >= 1);
  // sampleCount is the number of rows actually there.
  ChamberRecord record;
  int32_t maxPressure = 300;  // the chart top after the rows were read
  bool HasSamples() const { return announced >= 1; }
};

// Reads a file's text. Counts in the file only bound the reading: a file ending
// early gives the rows it holds, all series of equal length.
MeasurementFileContent ParseMeasurementFile(std::string_view text,
                                            const MeasurementReadContext& context);

// The chart top after a loaded pressure: widened to the pressure's integer
// part + 10 (unit 1) or to the pressure converted by the effective factors
// + 10 (unit 2) when it reaches it. Pressures with integer part 0 and a factor
// pair with effFactor2 0 leave it unchanged.
int32_t WidenMaxPressure(int32_t maxPressure, float pressure, int32_t displayUnit, float effFactor1,
                         float effFactor2);

// The file name without folder and extension ("D/run.cv3" gives "run").
std::string FileTitle(const std::string& path);

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

enum class MeasurementLoadStatus { kNothing, kNotOpened, kNoSamples, kLoaded };

// Loads the file into chamber 0..2 (which must not be running) as button 1042
// does after its dialogs: reads the rows, replaces the record under its lock,
// then sets the display unit and effective factors and calls the hooks.
MeasurementLoadStatus LoadMeasurementInto(Station& station, int chamber, const std::string& path,
                                          const ConversionFactors& factors,
                                          const MeasurementLoadHooks& hooks);

// Button 1042: the first selected chamber that is not running, the open
// dialog, the question before unsaved data is replaced, then LoadMeasurementInto.
MeasurementLoadStatus LoadMeasurementFile(Station& station, const std::array<uint8_t, 3>& selected,
                                          Prompts& prompts, const ConversionFactors& factors,
                                          const MeasurementLoadHooks& hooks);

}  // namespace corvala
