// Buttons 1041 and 1042 driven through the core with scripted prompts.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "files/measurement_file.h"
#include "util/c_format.h"

namespace corvala {
namespace {

namespace fs = std::filesystem;

ChamberRecord RecordedRun(float base, int32_t samples = 3) {
  ChamberRecord r;
  r.startYear = 2024;
  r.runUnit = 1;
  for (int32_t k = 0; k < samples; ++k)
    AppendSample(r, base + static_cast<float>(k), 25.0f, 0, LocalTime{}, k * 5);
  return r;
}

class SaveLoad : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("corvala_saveload_" +
            std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    for (int c = 0; c < 3; ++c)
      station_.m_chamber[c].Access([&](ChamberRecord& r) {
        const int index = r.chamberIndex;
        r = RecordedRun(100.0f * static_cast<float>(c + 1));
        r.chamberIndex = index;
        r.hasRun = 1;
      });
    hooks_.addAnalysisRow = [this](int c, const std::string& name) {
      rows_.push_back(std::to_string(c) + ":" + name);
    };
    hooks_.rewriteWorkingFile = [this] { ++rewrites_; };
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string Path(const char* name) { return (dir_ / name).string(); }

  fs::path dir_;
  Station station_;
  ScriptedPrompts prompts_;
  MeasurementSaveHooks hooks_;
  std::vector<std::string> rows_;
  int rewrites_ = 0;
};

TEST_F(SaveLoad, OneChamberIsSavedUnderTheChosenPath) {
  prompts_.filePaths = {Path("run.cv3")};
  const auto result = SaveMeasurementFiles(station_, {0, 1, 0}, prompts_, hooks_);
  EXPECT_EQ(result.written, (std::vector<std::string>{Path("run.cv3")}));
  EXPECT_TRUE(prompts_.asked.empty());
  const ChamberRecord r = station_.m_chamber[1].Snapshot();
  EXPECT_EQ(r.measurementName, Path("run.cv3"));
  EXPECT_EQ(r.saved, 1);
  EXPECT_EQ(rows_, (std::vector<std::string>{"1:run"}));
  EXPECT_EQ(rewrites_, 1);
  std::string bytes;
  ASSERT_TRUE(ReadWholeFile(Path("run.cv3"), bytes));
  EXPECT_EQ(bytes, FormatMeasurementFile(r));

  // Saving again asks; Cancel leaves everything alone.
  station_.m_chamber[1].Access([](ChamberRecord& rec) { rec.saved = 0; });
  prompts_.filePaths = {Path("run.cv3")};
  prompts_.answers = {false};
  EXPECT_TRUE(SaveMeasurementFiles(station_, {0, 1, 0}, prompts_, hooks_).written.empty());
  EXPECT_EQ(prompts_.asked, (std::vector<std::string>{"Existing file will be overwritten!"}));
  EXPECT_EQ(station_.m_chamber[1].Snapshot().saved, 0);
}

TEST_F(SaveLoad, SeveralChambersGetNumberedFilesAndOneQuestion) {
  { std::ofstream(Path("run_3.cv3")) << "old"; }
  station_.m_chamber[0].Access([](ChamberRecord& r) { r.hasRun = 0; });
  prompts_.filePaths = {Path("run.cv3")};
  const auto result = SaveMeasurementFiles(station_, {1, 0, 1}, prompts_, hooks_);
  EXPECT_EQ(prompts_.asked, (std::vector<std::string>{"Existing files will be overwritten!"}));
  EXPECT_EQ(result.written, (std::vector<std::string>{Path("run_1.cv3"), Path("run_3.cv3")}));
  EXPECT_FALSE(fs::exists(Path("run.cv3")));
  EXPECT_EQ(station_.m_chamber[0].Snapshot().measurementName, "run_1.cv3");
  EXPECT_EQ(station_.m_chamber[2].Snapshot().measurementName, "run_3.cv3");
  EXPECT_EQ(rows_, (std::vector<std::string>{"2:run_3.cv3"}));
  EXPECT_EQ(rewrites_, 2);
}

TEST_F(SaveLoad, RunningUnselectedAndUnwritableChambersAreLeftAlone) {
  station_.m_running[0] = 1;
  prompts_.filePaths = {Path("a.cv3")};
  EXPECT_TRUE(SaveMeasurementFiles(station_, {1, 0, 0}, prompts_, hooks_).written.empty());
  EXPECT_FALSE(fs::exists(Path("a.cv3")));
  EXPECT_EQ(prompts_.filePaths.size(), 0u);  // the dialog was shown
  // Nothing selected: no dialog at all.
  prompts_.filePaths = {Path("a.cv3")};
  SaveMeasurementFiles(station_, {0, 0, 0}, prompts_, hooks_);
  EXPECT_EQ(prompts_.filePaths.size(), 1u);
  // A folder that does not exist: skipped, nothing marked saved.
  station_.m_chamber[1].Access([](ChamberRecord& r) { r.saved = 0; });
  prompts_.filePaths = {Path("missing/run.cv3")};
  const auto result = SaveMeasurementFiles(station_, {0, 1, 0}, prompts_, hooks_);
  EXPECT_EQ(result.failed.size(), 1u);
  EXPECT_EQ(station_.m_chamber[1].Snapshot().saved, 0);
  EXPECT_TRUE(rows_.empty());
  // Load into a running chamber: nothing.
  prompts_.filePaths = {Path("a.cv3")};
  EXPECT_EQ(LoadMeasurementFile(station_, {1, 0, 0}, prompts_, {}, {}),
            MeasurementLoadStatus::kNothing);
}

TEST_F(SaveLoad, LoadReplacesTheFirstFreeSelectedChamberAndSwitchesTheUnit) {
  ChamberRecord file = RecordedRun(20.0f, 4);
  file.runUnit = 2;
  file.stepTime = {60};
  file.stepLight = {1};
  ASSERT_TRUE(WriteMeasurementFile(file, Path("mg.cv3")));
  station_.m_running[0] = 1;
  station_.m_normOffset[1] = 5.0f;
  station_.m_chamber[1].Access([](ChamberRecord& r) {
    r.saved = 0;
    r.analysis.m_kphA = {1.0f};
  });
  std::vector<std::string> calls;
  MeasurementLoadHooks hooks;
  hooks.beforeReplace = [&](int c) { calls.push_back("reset" + std::to_string(c)); };
  hooks.confirmConfiguration = [&] {
    calls.push_back("confirm unit " + std::to_string(station_.m_unit.load()));
  };
  hooks.refreshViews = [&](int c) {
    calls.push_back("refresh" + std::to_string(c) + " factor " +
                    Format("%g", static_cast<double>(station_.m_effFactor2.load())));
  };
  prompts_.filePaths = {Path("mg.cv3")};
  EXPECT_EQ(LoadMeasurementFile(station_, {1, 1, 1}, prompts_, {210.0f, 8.23f}, hooks),
            MeasurementLoadStatus::kLoaded);
  EXPECT_EQ(prompts_.asked,
            (std::vector<std::string>{"Existing measurements will be overwritten!"}));
  EXPECT_EQ(calls, (std::vector<std::string>{"reset1", "confirm unit 2", "refresh1 factor 8.23"}));
  ChamberRecord r = station_.m_chamber[1].Snapshot();
  EXPECT_EQ(r.measurementName, "mg");
  EXPECT_EQ(r.saved, 1);
  EXPECT_EQ(r.chamberIndex, 1);
  EXPECT_EQ(r.analysis, AnalysisBlock{});
  EXPECT_EQ(station_.m_normOffset[1].load(), 0.0f);
  EXPECT_EQ(station_.m_effFactor1.load(), 210.0f);
  r.measurementName.clear();
  r.chamberIndex = 0;
  r.hasRun = 0;
  file.saved = 1;
  EXPECT_EQ(r, file);

  // Cancelled question: nothing changes.
  station_.m_chamber[1].Access([](ChamberRecord& rec) { rec.saved = 0; });
  prompts_.filePaths = {Path("mg.cv3")};
  prompts_.answers = {false};
  calls.clear();
  EXPECT_EQ(LoadMeasurementFile(station_, {0, 1, 0}, prompts_, {}, hooks),
            MeasurementLoadStatus::kNothing);
  EXPECT_TRUE(calls.empty());
}

TEST_F(SaveLoad, FilesWithoutSamplesKeepTheDataButStillSwitchTheUnit) {
  ASSERT_TRUE(WriteFileAtomically(Path("empty.cv3"), FormatMeasurementFile(ChamberRecord{})));
  const ChamberRecord before = station_.m_chamber[2].Snapshot();
  station_.m_unit = 2;
  EXPECT_EQ(LoadMeasurementInto(station_, 2, Path("empty.cv3"), {}, {}),
            MeasurementLoadStatus::kNoSamples);
  EXPECT_EQ(station_.m_chamber[2].Snapshot(), before);
  EXPECT_EQ(station_.m_unit.load(), 1);
  EXPECT_EQ(LoadMeasurementInto(station_, 2, Path("none.cv3"), {}, {}),
            MeasurementLoadStatus::kNotOpened);
  EXPECT_EQ(LoadMeasurementInto(station_, 2, dir_.string(), {}, {}),
            MeasurementLoadStatus::kNotOpened);
}

TEST_F(SaveLoad, TruncatedFileLoadsTheRowsThatAreThere) {
  std::string text = FormatMeasurementFile(RecordedRun(50.0f, 10));
  text.resize(text.size() - 100);  // cuts into the last rows
  ASSERT_TRUE(WriteFileAtomically(Path("cut.cv3"), text));
  ASSERT_EQ(LoadMeasurementInto(station_, 0, Path("cut.cv3"), {}, {}),
            MeasurementLoadStatus::kLoaded);
  const ChamberRecord r = station_.m_chamber[0].Snapshot();
  EXPECT_EQ(r.sampleCount, 8);
  EXPECT_EQ(r.Samples(), 8);
  EXPECT_EQ(r.sampleElapsed.size(), 8u);
  EXPECT_EQ(r.sampleTemperature.size(), 8u);
}

}  // namespace
}  // namespace corvala
