// corvala3-analyze: the analysis row of each measurement file, computed as the
// station computes it when a run is added to the analysis table.

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "analysis/analysis_table.h"
#include "files/measurement_file.h"
#include "run/station.h"
#include "station/measurement_io.h"
#include "station/station_analysis.h"
#include "util/c_format.h"
#include "util/file_io.h"

namespace {

using namespace corvala;

constexpr const char* kUsage =
    "usage: corvala3-analyze [--chamber N] [--correction SECONDS] [--csv] FILE.cv3...\n"
    "Analyses each measurement file as the station does when a run is added to the\n"
    "analysis table and prints one row per file.\n"
    "  --chamber N            the chamber the files are read into, 1 to 3 (default 1)\n"
    "  --correction SECONDS   leave out the first SECONDS of each run, as the\n"
    "                         station's correction time does\n"
    "  --csv                  comma-separated values instead of tab-separated text\n"
    "  --help                 show this text\n"
    "  --version              show the version\n"
    "A file recorded from the built-in device simulator is marked: its text row ends\n"
    "with \"simulated\", its CSV row has 1 in the column \"simulated\".\n";

struct Options {
  int chamber = 0;  // index 0..2
  bool correctionOn = false;
  int32_t correctionTime = 0;
  bool csv = false;
  bool help = false;
  bool version = false;
  std::string error;  // why the arguments are not understood
  std::vector<std::string> files;
};

bool ParseWhole(const char* text, long min, long max, long& value) {
  char* end = nullptr;
  errno = 0;
  value = std::strtol(text, &end, 10);
  return *text != '\0' && *end == '\0' && errno == 0 && value >= min && value <= max;
}

bool Fail(Options& options, const std::string& error) {
  options.error = error;
  return false;
}

bool ParseOptions(int argc, char** argv, Options& options) {
  bool optionsEnded = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    long value = 0;
    if (!optionsEnded && arg == "--") {
      optionsEnded = true;
    } else if (!optionsEnded && (arg == "--help" || arg == "-h")) {
      options.help = true;
      return true;
    } else if (!optionsEnded && arg == "--version") {
      options.version = true;
      return true;
    } else if (!optionsEnded && arg == "--csv") {
      options.csv = true;
    } else if (!optionsEnded && arg == "--chamber") {
      if (i + 1 >= argc) return Fail(options, "--chamber needs a value");
      if (!ParseWhole(argv[++i], 1, 3, value))
        return Fail(options, "invalid chamber " + std::string(argv[i]) + ": expected 1, 2 or 3");
      options.chamber = static_cast<int>(value) - 1;
    } else if (!optionsEnded && arg == "--correction") {
      if (i + 1 >= argc) return Fail(options, "--correction needs a value");
      if (!ParseWhole(argv[++i], -2147483647L - 1, 2147483647L, value))
        return Fail(options, "invalid correction " + std::string(argv[i]) +
                                 ": expected a whole number of seconds");
      options.correctionOn = true;
      options.correctionTime = static_cast<int32_t>(value);
    } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
      return Fail(options, "unknown option: " + arg);
    } else {
      options.files.push_back(arg);
    }
  }
  if (options.files.empty()) return Fail(options, "no measurement file given");
  return true;
}

std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

std::string G9(float value) {
  return Format("%.9g", static_cast<double>(value));
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, options)) {
    std::fprintf(stderr, "corvala3-analyze: %s\n%s", options.error.c_str(), kUsage);
    return 2;
  }
  if (options.help) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (options.version) {
    std::puts("corvala3-analyze " CORVALA_VERSION);
    return 0;
  }
  if (options.csv)
    std::puts(
        "name,date,time,chamber,respiration,slope,delay1,delay2,maximum_a,maximum_m,kpha,"
        "simulated");
  else
    std::puts("Name\tDate\tTime\tChamber\tRespiration\tSlope\tDelay\tMaximum-a\tMaximum-m\tKphA");

  bool allRead = true;
  for (const std::string& path : options.files) {
    // Pipes and devices would block or never end, and no measurement file
    // comes near 1 GB: such files are refused before they are opened.
    if (const Result readable = CheckReadableFile(path); !readable) {
      std::fprintf(stderr, "corvala3-analyze: %s\n", readable.Message().c_str());
      allRead = false;
      continue;
    }
    Station station;
    const MeasurementLoadStatus status =
        LoadMeasurementInto(station, options.chamber, path, ConversionFactors{}, {});
    if (status != MeasurementLoadStatus::kLoaded) {
      std::fprintf(stderr, "corvala3-analyze: %s: %s\n", path.c_str(),
                   status == MeasurementLoadStatus::kNotOpened ? "cannot be opened"
                                                               : "holds no measurement values");
      allRead = false;
      continue;
    }
    // Simulated values are never passed off as measured ones.
    const bool simulated = station.m_chamber[options.chamber].Access(
        [](const ChamberRecord& r) { return r.simulated; });
    const char* const csvMark = simulated ? ",1" : ",0";
    const char* const textMark = simulated ? "\tsimulated" : "";
    AnalysisTable table;
    AnalysisRowOptions rowOptions;
    rowOptions.correctionOn = options.correctionOn;
    rowOptions.correctionTime = options.correctionTime;
    const std::string title = FileTitle(path);
    const AddRowOutcome outcome =
        AddAnalysisRow(table, station, options.chamber, title, rowOptions);
    if (outcome.rowAdded) {
      const AnalysisRow row = table.Row(0);
      if (options.csv) {
        std::printf("%s,%s,%s,%d,%s,%s,%d,%d,%s,%s,%s%s\n", CsvField(row.name).c_str(),
                    CsvField(row.date).c_str(), CsvField(row.time).c_str(), row.chamber,
                    G9(row.respiration).c_str(), G9(row.slope).c_str(), row.delay1, row.delay2,
                    G9(row.maximumA).c_str(), G9(row.maximumM).c_str(), G9(row.kphA).c_str(),
                    csvMark);
      } else {
        const AnalysisListTexts& texts = table.Texts(0);
        std::string line;
        for (int c = 0; c < kAnalysisListColumns - 1; ++c) line += (c ? "\t" : "") + texts[c];
        std::puts((line + textMark).c_str());
      }
      continue;
    }
    // No complete analysis (no Respiration/KphA or no Slope): name, date, time
    // and chamber only.
    const ChamberRecord record = station.m_chamber[options.chamber].Snapshot();
    const std::string date = RunDateText(record);
    const std::string time = RunTimeText(record);
    if (options.csv)
      std::printf("%s,%s,%s,%d,,,,,,,%s\n", CsvField(title).c_str(), date.c_str(), time.c_str(),
                  options.chamber + 1, csvMark);
    else
      std::printf("%s\t%s\t%s\t%d\tno complete analysis%s\n", title.c_str(), date.c_str(),
                  time.c_str(), options.chamber + 1, textMark);
  }
  return allRead ? 0 : 1;
}
