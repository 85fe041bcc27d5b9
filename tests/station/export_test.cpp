// The spreadsheet exports as the user starts them, driven through a connection
// that records what it is given.

#include "station/export.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "test_support/temp_folder.h"
#include "test_support/test_data.h"

namespace corvala {
namespace {

// Logs "OPEN <connection>", each statement and "CLOSE"; rejects statement number failAt.
struct Recorded : WorkbookConnection {
  std::vector<std::string>* log;
  int* failAt;
  Recorded(std::vector<std::string>* l, int* f) : log(l), failAt(f) {}
  Result OpenEx(const std::string& c) override { return Log("OPEN " + c); }
  Result ExecuteSQL(const std::string& statement) override {
    if ((*failAt)-- == 0) return Result::Failure("near \"X\": syntax error");
    return Log(statement);
  }
  Result Close() override { return Log("CLOSE"); }
  Expected<std::string> CloseToBytes(const std::atomic<bool>*) override {
    if (Result logged = Log("CLOSE"); !logged) return logged;
    return std::string("workbook");
  }
  Result Log(const std::string& text) {
    log->push_back(text);
    return Result::Success();
  }
};

class Export : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int c = 0; c < 3; ++c)
      station_.m_chamber[c].Access([&](ChamberRecord& r) {
        r.startDay = 5, r.startMonth = 12, r.startYear = 2026;
        const float pressures[] = {1015.0f, 1010.0f + static_cast<float>(c), 1020.0f};
        for (int k = 0; k < 3; ++k) r.series.Append(Sample{0, 0, 0, 5 * k, pressures[k], 0, 23.5f});
      });
  }
  std::string Path(const std::string& name) const { return folder_ / name; }
  WorkbookFactory Factory() {
    return [this] { return std::make_unique<Recorded>(&log_, &failAt_); };
  }
  ExportResult ExportChambers(std::array<uint8_t, 3> selected, const std::string& chosen) {
    prompts_.filePaths = {chosen};
    return ExportMeasurement(station_, selected, options_, prompts_, Factory());
  }

  testing::TempFolder folder_;
  Station station_;
  ScriptedPrompts prompts_;
  std::vector<std::string> log_;
  int failAt_ = -1;
  ExportOptions options_;
};

TEST_F(Export, TwoChambersGiveNumberedWorkbooksWithBothSheets) {
  station_.m_run[2].m_running = 1;
  std::ofstream(Path("day1_2.xls")) << "old";
  prompts_.answers = {false};
  EXPECT_TRUE(ExportChambers({1, 1, 1}, Path("day1.xls")).written.empty());
  EXPECT_EQ(prompts_.asked, std::vector<std::string>{"Existing files will be overwritten!"});
  EXPECT_TRUE(log_.empty());

  const ExportResult result = ExportChambers({1, 1, 1}, Path("day1.xls"));
  EXPECT_FALSE(result.Failed());
  EXPECT_EQ(result.written, (std::vector<std::string>{Path("day1_1.xls"), Path("day1_2.xls")}));
  ASSERT_EQ(log_.size(), 2u * (1 + 12 + 1 + 3 + 1));
  EXPECT_EQ(log_[0], "OPEN " + WorkbookConnectionString(Path("day1_1.xls")));
  EXPECT_EQ(log_[13], MessdatenCreateStatement());
  EXPECT_EQ(log_[17], "CLOSE");
  EXPECT_EQ(log_[18], "OPEN " + WorkbookConnectionString(Path("day1_2.xls")));
  // Comma mode leaves the Parameter sheet alone (its date keeps the points).
  EXPECT_NE(log_[3].find("'5.12.2026'"), std::string::npos);
  // Normalisation was off: the baseline is the lowest pressure, and it is off again.
  EXPECT_NE(log_[14].find("'1015,00','5,00'"), std::string::npos);
  EXPECT_NE(log_[18 + 14].find("'1015,00','4,00'"), std::string::npos);
  EXPECT_EQ(station_.m_run[0].m_normOffset.load(), 0.0f);
  EXPECT_TRUE(result.selectionSlopeReset);
  // No chamber selected, or the dialog cancelled: nothing is written.
  EXPECT_TRUE(ExportChambers({0, 0, 0}, Path("x.xls")).written.empty());
  EXPECT_TRUE(ExportChambers({1, 0, 0}, "").written.empty());
  EXPECT_EQ(log_.size(), 36u);
}

TEST_F(Export, NormalisationOnIsUsedAndKeptAndCorrectionLimitsTheBaseline) {
  station_.m_run[0].m_normOffset = 1000.0f;
  options_.comma = 0;
  std::ofstream(Path("one")) << "old export";
  ExportResult result = ExportChambers({1, 0, 0}, Path("one"));
  EXPECT_EQ(result.written, std::vector<std::string>{Path("one.xls")});
  EXPECT_NE(log_[14].find("'1015.00','15.00'"), std::string::npos);
  EXPECT_EQ(station_.m_run[0].m_normOffset.load(), 1000.0f);
  EXPECT_FALSE(result.selectionSlopeReset);

  // Correction marker at 5 s: the 900 at 0 s takes no part in the baseline.
  station_.m_run[0].m_normOffset = 0.0f;
  station_.m_chamber[0].Access([](ChamberRecord& r) {
    r.series.Replace(0, Sample{0, 0, 0, 0, 900.0f, 0, 23.5f});
  });
  options_.correctionOn = true;
  options_.correctionTime = 5;
  log_.clear();
  ExportChambers({1, 0, 0}, Path("two.xls"));
  EXPECT_NE(log_[14].find("'900.00','-110.00'"), std::string::npos);
  EXPECT_EQ(station_.m_run[0].m_normOffset.load(), 0.0f);
}

TEST_F(Export, ChambersWithoutSamplesAreRefusedAndALateCorrectionGivesNoBaseline) {
  station_.m_chamber[1].Access([](ChamberRecord& r) { r = ChamberRecord{}; });
  prompts_.filePaths = {Path("empty.xls")};
  EXPECT_TRUE(
      ExportMeasurement(station_, {0, 1, 0}, options_, prompts_, Factory()).written.empty());
  EXPECT_EQ(prompts_.asked,
            std::vector<std::string>{"Chamber II holds no measured values and is not exported."});
  EXPECT_TRUE(log_.empty());

  // With chamber I beside it, chamber I is exported; no sample lies after the
  // correction time, so there is no baseline to subtract.
  options_.correctionOn = true;
  options_.correctionTime = 1000;
  const ExportResult result = ExportChambers({1, 1, 0}, Path("d.xls"));
  EXPECT_EQ(result.written, std::vector<std::string>{Path("d_1.xls")});
  EXPECT_NE(log_[14].find("'1015,00','1015,00'"), std::string::npos) << log_[14];
  EXPECT_EQ(station_.m_run[0].m_normOffset.load(), 0.0f);
}

TEST_F(Export, RejectedStatementEndsTheExportAndRestoresNormalisation) {
  failAt_ = 14;  // second Messdaten row of chamber I
  const ExportResult result = ExportChambers({1, 1, 0}, Path("e.xls"));
  EXPECT_TRUE(result.Failed());
  EXPECT_EQ(result.status.Message(), "near \"X\": syntax error");
  EXPECT_TRUE(result.written.empty());
  EXPECT_EQ(log_.size(), 15u);  // no CLOSE, no second workbook
  EXPECT_EQ(station_.m_run[0].m_normOffset.load(), 0.0f);
}

TEST_F(Export, AnalysisExportAsksBeforeReplacingAndClearsTheChangeMark) {
  AnalysisTable table;
  AnalysisRow row{"a.cv3", "05.12.2026", "09:00:00", 1, 1.0f, 2.0f, 3, 4, 5.0f, 6.0f, 7.0f, 0};
  table.Append(row, {});
  row.name = "b";
  table.Append(row, {});
  table.MarkChanged();
  options_.unit = 2;
  prompts_.filePaths = {Path("t.xls")};
  ExportResult result = SaveAnalysisToSpreadsheet(table, options_, prompts_, Factory());
  EXPECT_EQ(result.written, std::vector<std::string>{Path("t.xls")});
  ASSERT_EQ(log_.size(), 5u);
  EXPECT_EQ(log_[1], AuswertungCreateStatement(2));
  EXPECT_EQ(log_[3], AuswertungInsertStatement(table.Row(1), 2, true));
  EXPECT_FALSE(table.Dirty());

  // A failed export leaves the table marked as changed.
  table.MarkChanged();
  failAt_ = 1;
  prompts_.filePaths = {Path("u.xls")};
  EXPECT_TRUE(SaveAnalysisToSpreadsheet(table, options_, prompts_, Factory()).Failed());
  EXPECT_TRUE(table.Dirty());

  // An existing file is replaced only after OK.
  std::ofstream(Path("t.xls")) << "old";
  prompts_.filePaths = {Path("t.xls")};
  prompts_.answers = {false};
  EXPECT_TRUE(SaveAnalysisToSpreadsheet(table, options_, prompts_, Factory()).written.empty());
  EXPECT_EQ(prompts_.asked.back(), "Existing file will be overwritten!");
}

TEST_F(Export, TheTypedExtensionIsKeptAndIsTheOneCheckedForOverwriting) {
  // Several chambers keep ".xlsx"; the existing file of the final name is asked about.
  std::ofstream(Path("run_2.xlsx")) << "old";
  prompts_.answers = {false};
  EXPECT_TRUE(ExportChambers({1, 1, 0}, Path("run.xlsx")).written.empty());
  EXPECT_EQ(prompts_.asked, std::vector<std::string>{"Existing files will be overwritten!"});
  const ExportResult several = ExportChambers({1, 1, 0}, Path("run.xlsx"));
  EXPECT_EQ(several.written, (std::vector<std::string>{Path("run_1.xlsx"), Path("run_2.xlsx")}));
  EXPECT_EQ(log_[0], "OPEN " + WorkbookConnectionString(Path("run_1.xlsx")));

  // A typed extension stays, and another file beside it is not touched.
  std::ofstream(Path("old.dat.xls")) << "keep";
  prompts_.asked.clear();
  EXPECT_EQ(ExportChambers({1, 0, 0}, Path("old.dat")).written,
            std::vector<std::string>{Path("old.dat")});
  EXPECT_TRUE(prompts_.asked.empty());
  EXPECT_EQ(testing::FileBytes(Path("old.dat.xls")), "keep");

  // ".xls" is added only when no extension was typed; the typed name's file stays.
  std::ofstream(Path("two")) << "keep";
  EXPECT_EQ(ExportChambers({0, 1, 1}, Path("two")).written,
            (std::vector<std::string>{Path("two_2.xls"), Path("two_3.xls")}));
  EXPECT_EQ(testing::FileBytes(Path("two")), "keep");
}

// Real workbooks; step sees each statement and the close, and may reject a statement.
struct Watched : SqliteWorkbookConnection {
  std::function<bool(const std::string&)> step;
  Result ExecuteSQL(const std::string& s) override {
    return step(s) ? SqliteWorkbookConnection::ExecuteSQL(s) : Result::Failure("rejected");
  }
  Expected<std::string> CloseToBytes(const std::atomic<bool>* cancel) override {
    step("CLOSE");
    return SqliteWorkbookConnection::CloseToBytes(cancel);
  }
};

TEST_F(Export, WorkbooksAreLeftOnlyWhenTheWholeExportFinished) {
  // At the first step of workbook `workbook` that starts with `step`: cancel, or reject it.
  struct Case {
    int workbook;
    std::string step;
    bool reject;
  };
  for (const Case& c : {Case{1, "CREATE TABLE Parameter", false}, Case{2, "CLOSE", false},
                        Case{1, "INSERT INTO Messdaten", true}, Case{-1, "", false}}) {
    testing::TempFolder folder;
    std::ofstream(folder / "days_2.xls") << "old";
    Progress progress;
    int workbooks = 0;
    const WorkbookFactory factory = [&] {
      auto connection = std::make_unique<Watched>();
      connection->step = [&, w = workbooks++](const std::string& s) {
        if (w != c.workbook || !s.starts_with(c.step)) return true;
        if (!c.reject) progress.cancel = true;
        return !c.reject;
      };
      return connection;
    };
    prompts_.filePaths = {folder / "days.xls"};
    const ExportResult result =
        WriteMeasurementWorkbooks(PlanMeasurementExport(station_, {1, 1, 1}, options_, prompts_),
                                  options_, factory, &progress);
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder.Path()))
      files.push_back(entry.path().filename().string());
    std::sort(files.begin(), files.end());
    const bool finished = c.workbook < 0;
    const std::vector<std::string> all{"days_1.xls", "days_2.xls", "days_3.xls"};
    EXPECT_EQ(result.cancelled, !finished && !c.reject) << c.step;
    EXPECT_EQ(files, finished ? all : std::vector<std::string>{"days_2.xls"}) << c.step;
    EXPECT_EQ(testing::FileBytes(folder / "days_2.xls") == "old", !finished) << c.step;
  }
}

}  // namespace
}  // namespace corvala
