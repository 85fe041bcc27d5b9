// files_writer OUT_DIR SETTINGS.ini FILE.cv3...: the station's own files written
// from fixed data, so that two builds (Linux and Windows) can be compared byte
// for byte. Into OUT_DIR go each measurement file loaded as the station loads it
// and saved again under its name, the analysis file with a row per measurement
// file (Auswertung.cva) and the settings read from SETTINGS.ini and written
// again (Corvala.ini). Exits 1 when a file cannot be read or written.

#include <cstdio>
#include <string>

#include "analysis/analysis_table.h"
#include "files/analysis_file.h"
#include "files/measurement_file.h"
#include "files/settings_file.h"
#include "run/station.h"
#include "station/measurement_io.h"
#include "station/station_analysis.h"
#include "station/station_settings.h"
#include "util/program_args.h"

using namespace corvala;

namespace {

bool Written(const Result& result, const std::string& path) {
  if (result) return true;
  std::fprintf(stderr, "files_writer: %s: %s\n", path.c_str(), result.Message().c_str());
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  ProgramArguments arguments(argc, argv);
  const std::vector<std::string>& args = arguments.All();
  if (args.size() < 3) {
    std::fputs("usage: files_writer OUT_DIR SETTINGS.ini FILE.cv3...\n", stderr);
    return 2;
  }
  const std::string out = args[1] + "/";
  bool ok = true;

  const SettingsReadResult settings = ReadSettings(args[2]);
  ok &= Written(
      WriteSettings(out + "Corvala.ini", settings.settings, ProgramFromStoredRows(settings.rows)),
      out + "Corvala.ini");

  AnalysisTable table;
  for (size_t i = 3; i < args.size(); ++i) {
    Station station;
    if (LoadMeasurementInto(station, 0, args[i], ConversionFactors{}, {}) !=
        MeasurementLoadStatus::kLoaded) {
      std::fprintf(stderr, "files_writer: %s: not loaded\n", args[i].c_str());
      ok = false;
      continue;
    }
    const std::string title = FileTitle(args[i]);
    ok &= Written(WriteMeasurementFile(station.m_chamber[0].Snapshot(), out + title + ".cv3"),
                  out + title + ".cv3");
    AddAnalysisRow(table, station, 0, title, AnalysisRowOptions{});
  }
  ok &= Written(WriteAnalysisFile(table, out + "Auswertung.cva", settings.settings.m_unit),
                out + "Auswertung.cva");
  return ok ? 0 : 1;
}
