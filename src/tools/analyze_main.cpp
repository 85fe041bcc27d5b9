// corvala3-analyze: the analysis row of each measurement file, computed as the
// station computes it when a run is added to the analysis table.

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "analysis/analysis_table.h"
#include "analysis/regression.h"
#include "analysis/run_analysis.h"
#include "files/measurement_file.h"
#include "run/station.h"
#include "station/measurement_io.h"
#include "station/station_analysis.h"
#include "util/c_format.h"
#include "util/file_io.h"
#include "util/program_args.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

using namespace corvala;

constexpr const char* kUsage =
    "usage: corvala3-analyze [--chamber N] [--correction SECONDS] [--csv] FILE.cv3...\n"
    "       corvala3-analyze --rates [--csv] [--range FIRST_S:LAST_S] [--window W]\n"
    "                        [--blank FILE.cv3] [--volume-ml V] [--amount A] FILE.cv3...\n"
    "Analyses each measurement file as the station does when a run is added to the\n"
    "analysis table and prints one row per file.\n"
    "  --chamber N            the chamber the files are read into, 1 to 3 (default 1)\n"
    "  --correction SECONDS   leave out the first SECONDS of each run, as the\n"
    "                         station's correction time does\n"
    "  --csv                  comma-separated values instead of tab-separated text\n"
    "  --rates                one row per range instead: least-squares rate over every\n"
    "                         rise and fall region, the most linear window of each\n"
    "                         light segment and the --range, with standard error,\n"
    "                         R2 and 95 % confidence interval\n"
    "  --range FIRST_S:LAST_S also the samples with FIRST_S <= elapsed <= LAST_S\n"
    "  --window W             samples per most linear window (default: a tenth of\n"
    "                         the segment's samples, at least 10)\n"
    "  --blank FILE.cv3       subtract the rate of this blank run over the same time\n"
    "  --volume-ml V          chamber volume in ml (gas for mbar runs, water for mg/l\n"
    "                         runs): rates as umol O2 per hour\n"
    "  --amount A             the sample's amount: umol O2 per hour and amount\n"
    "  --help                 show this text\n"
    "  --version              show the version\n"
    "A file recorded from the built-in device simulator is marked: its text row ends\n"
    "with \"simulated\", its CSV row has 1 in the column \"simulated\".\n";

struct Options {
  int chamber = 0;  // index 0..2
  bool correctionOn = false;
  int32_t correctionTime = 0;
  bool csv = false;
  bool rates = false;
  std::optional<std::pair<double, double>> range;  // elapsed seconds, both included
  int32_t window = 0;                              // 0: default per segment
  std::string blank;
  std::optional<double> volumeMl;
  std::optional<double> amount;
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

bool ParseNumber(const std::string& text, double& value) {
  char* end = nullptr;
  errno = 0;
  value = std::strtod(text.c_str(), &end);
  return !text.empty() && *end == '\0' && errno == 0 && std::isfinite(value);
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
    } else if (!optionsEnded && arg == "--rates") {
      options.rates = true;
    } else if (!optionsEnded && arg == "--range") {
      if (i + 1 >= argc) return Fail(options, "--range needs a value");
      const std::string text = argv[++i];
      const size_t colon = text.find(':');
      double first = 0.0;
      double last = 0.0;
      if (colon == std::string::npos || !ParseNumber(text.substr(0, colon), first) ||
          !ParseNumber(text.substr(colon + 1), last) || first > last)
        return Fail(options, "invalid range " + text + ": expected FIRST_S:LAST_S");
      options.range = std::pair{first, last};
    } else if (!optionsEnded && arg == "--window") {
      if (i + 1 >= argc) return Fail(options, "--window needs a value");
      if (!ParseWhole(argv[++i], 3, 2147483647L, value))
        return Fail(options, "invalid window " + std::string(argv[i]) +
                                 ": expected a whole number of samples, at least 3");
      options.window = static_cast<int32_t>(value);
    } else if (!optionsEnded && arg == "--blank") {
      if (i + 1 >= argc) return Fail(options, "--blank needs a value");
      options.blank = argv[++i];
    } else if (!optionsEnded && (arg == "--volume-ml" || arg == "--amount")) {
      if (i + 1 >= argc) return Fail(options, arg + " needs a value");
      double number = 0.0;
      if (!ParseNumber(argv[++i], number) || number <= 0.0)
        return Fail(options, "invalid " + arg.substr(2) + " " + std::string(argv[i]) +
                                 ": expected a number above 0");
      (arg == "--amount" ? options.amount : options.volumeMl) = number;
    } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
      return Fail(options, "unknown option: " + arg);
    } else {
      options.files.push_back(arg);
    }
  }
  if (options.files.empty()) return Fail(options, "no measurement file given");
  if (!options.rates && (options.range || options.window || !options.blank.empty() ||
                         options.volumeMl || options.amount))
    return Fail(options, "--range, --window, --blank, --volume-ml and --amount need --rates");
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

// Reads a measurement file into a record as the station loads it; says why on
// standard error when it cannot.
bool LoadRecord(const std::string& path, int chamber, ChamberRecord& record) {
  // Pipes and devices would block or never end, and no measurement file
  // comes near 1 GB: such files are refused before they are opened.
  if (const Result readable = CheckReadableFile(path); !readable) {
    std::fprintf(stderr, "corvala3-analyze: %s\n", readable.Message().c_str());
    return false;
  }
  Station station;
  const MeasurementLoadStatus status =
      LoadMeasurementInto(station, chamber, path, ConversionFactors{}, {});
  if (status != MeasurementLoadStatus::kLoaded) {
    std::fprintf(stderr, "corvala3-analyze: %s: %s\n", path.c_str(),
                 status == MeasurementLoadStatus::kNotOpened ? "cannot be opened"
                                                             : "holds no measurement values");
    return false;
  }
  record = station.m_chamber[chamber].Snapshot();
  return true;
}

std::string Number(const std::optional<double>& value) {
  return value ? Format("%.9g", *value) : std::string();
}

// --rates: one row per range of each file.
int PrintRates(const Options& options) {
  const char* const separator = options.csv ? "," : "\t";
  std::string header;
  for (const char* column :
       {"name", "chamber", "kind", "index", "first_s", "last_s", "n", "slope_per_s", "se_per_s",
        "r2", "ci95_low_per_s", "ci95_high_per_s", "blank_slope_per_s", "corrected_slope_per_s",
        "corrected_se_per_s", "umol_per_h", "umol_per_h_per_amount"})
    header += (header.empty() ? "" : separator) + std::string(column);
  std::puts(header.c_str());

  std::optional<RateSeries> blank;
  if (!options.blank.empty()) {
    ChamberRecord blankRecord;
    if (!LoadRecord(options.blank, options.chamber, blankRecord)) return 1;
    blank = RateSeriesOf(blankRecord);
  }
  bool allRead = true;
  for (const std::string& path : options.files) {
    ChamberRecord record;
    if (!LoadRecord(path, options.chamber, record)) {
      allRead = false;
      continue;
    }
    const RateSeries series = RateSeriesOf(record);
    const AnalysisBlock analysis =
        AnalyseChamber(record, options.correctionOn, options.correctionTime);
    std::vector<RangeRate> rates = RatesOfAnalysis(series, analysis, options.window);
    if (options.range) {
      RangeRate selected;
      selected.kind = RateKind::kRange;
      if (const auto positions =
              PositionsInTime(series, options.range->first, options.range->second)) {
        selected.first = positions->first;
        selected.last = positions->second;
        selected.fit = FitRate(series, selected.first, selected.last);
      } else {
        selected.last = -1;  // no sample in the range
      }
      rates.push_back(selected);
    }
    const std::string name = options.csv ? CsvField(FileTitle(path)) : FileTitle(path);
    for (const RangeRate& rate : rates) {
      std::vector<std::string> fields = {name, std::to_string(options.chamber + 1),
                                         RateKindName(rate.kind), std::to_string(rate.index)};
      if (!rate.fit) {
        fields.insert(fields.end(),
                      {"", "", std::to_string(UsableSamples(series, rate.first, rate.last))});
        fields.resize(17);
      } else {
        const RateFit& fit = *rate.fit;
        const RateFigures figures = FiguresOf(fit, blank ? &*blank : nullptr, record.runUnit,
                                              OxygenSettings{options.volumeMl, options.amount});
        fields.insert(fields.end(),
                      {Number(fit.firstSeconds), Number(fit.lastSeconds), std::to_string(fit.n),
                       Number(fit.slope), Number(fit.standardError), Number(fit.r2),
                       Number(fit.ciLow), Number(fit.ciHigh), Number(figures.blankSlope),
                       Number(figures.correctedSlope), Number(figures.correctedStandardError),
                       Number(figures.micromolPerHour), Number(figures.micromolPerHourPerAmount)});
      }
      std::string line;
      for (size_t i = 0; i < fields.size(); ++i) line += (i ? separator : "") + fields[i];
      std::puts(line.c_str());
    }
  }
  return allRead ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  // File names in UTF-8 on every system (on Windows from the wide command line).
  ProgramArguments arguments(argc, argv);
  argc = arguments.Count();
  argv = arguments.Argv();
#ifdef _WIN32
  // The rows go out byte for byte as on Linux: no LF to CR LF translation.
  _setmode(_fileno(stdout), _O_BINARY);
#endif
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
  if (options.rates) return PrintRates(options);
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
