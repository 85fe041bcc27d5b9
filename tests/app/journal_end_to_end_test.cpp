// No lost run: the station runs chambers I and II against the simulated device
// in a program of its own, which is killed with SIGKILL after some samples.
// The next start offers each run back; Yes restores exactly the samples that
// were taken, light flags and times included; No removes the journal.

#include <gtest/gtest.h>

#include <QApplication>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <thread>

#include "app/control_ids.h"
#include "app/measure_dlg.h"
#include "app/window_probe.h"
#include "test_support/temp_folder.h"
#include "test_support/window_app.h"
#include "util/c_format.h"
#include "util/file_io.h"

namespace corvala {
namespace {

namespace fs = std::filesystem;

// The samples the killed program held, from its exact dump.
SampleSeries Recorded(const std::string& path) {
  SampleSeries series;
  const Expected<std::string> text = ReadWholeFile(path);
  EXPECT_TRUE(text.Ok()) << text.Message();
  std::istringstream lines(text ? *text : "");
  std::string line;
  while (std::getline(lines, line)) {
    Sample s;
    EXPECT_EQ(std::sscanf(line.c_str(), "%d %d %d %d %a %a %hhu", &s.hour, &s.minute, &s.second,
                          &s.elapsed, &s.pressure, &s.temperature, &s.light),
              7)
        << line;
    series.Append(s);
  }
  return series;
}

std::string Question(int chamber, const SampleSeries& s) {
  // The manual clock of the writer shows 14.11.2023 in UTC.
  const char* const names[4] = {"", "I", "II", "III"};
  return Format(
      "The measurement of Chamber %s (%d samples, started 14.11.2023 %02d:%02d:%02d) "
      "was not saved. Restore it?",
      names[chamber], s.Size(), s.Hour()[0], s.Minute()[0], s.Second()[0]);
}

TEST(JournalEndToEnd, RunsOfAKilledProgramComeBackExactly) {
  testing::WindowTestApp();
  const testing::TempFolder folder;
  const std::string data = folder.Path().string();
  const pid_t writer = fork();
  ASSERT_GE(writer, 0);
  if (writer == 0) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    execl(CORVALA_JOURNAL_WRITER, CORVALA_JOURNAL_WRITER, data.c_str(), "8",
          static_cast<char*>(nullptr));
    _exit(127);
  }
  const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(90);
  int status = 0;
  while (!fs::exists(folder.Path() / "ready") && std::chrono::steady_clock::now() < limit &&
         waitpid(writer, &status, WNOHANG) == 0)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  ASSERT_EQ(kill(writer, SIGKILL), 0);
  waitpid(writer, &status, 0);
  ASSERT_TRUE(WIFSIGNALED(status)) << "the writer ended by itself with " << WEXITSTATUS(status);
  ASSERT_TRUE(fs::exists(folder.Path() / "ready")) << "the writer did not get its samples";
  EXPECT_TRUE(fs::exists(folder.Path() / "Kammer1.journal"));
  EXPECT_TRUE(fs::exists(folder.Path() / "Kammer2.journal"));
  EXPECT_FALSE(fs::exists(folder.Path() / "Kammer3.journal"));

  const SampleSeries recorded1 = Recorded(folder / "recorded_1.txt");
  const SampleSeries recorded2 = Recorded(folder / "recorded_2.txt");
  ASSERT_GE(recorded1.Size(), 8);
  ASSERT_GE(recorded2.Size(), 8);
  // The light step at 3 s shows in the flags.
  EXPECT_EQ(recorded1.Light().front(), 0);
  EXPECT_EQ(recorded1.Light().back(), 1);

  ScriptedPrompts prompts;
  prompts.answers = {true, true};
  StationOptions options = testing::WindowAloneIn(data);
  auto dlg = std::make_unique<CMeasureDlg>(options, &prompts);
  WindowProbe probe(*dlg);
  EXPECT_EQ(prompts.asked,
            (std::vector<std::string>{Question(1, recorded1), Question(2, recorded2)}));
  const ChamberRecord restored1 = probe.station().m_chamber[0].Snapshot();
  const ChamberRecord restored2 = probe.station().m_chamber[1].Snapshot();
  EXPECT_EQ(restored1.series, recorded1);
  EXPECT_EQ(restored2.series, recorded2);
  EXPECT_EQ(restored1.saved, 0);
  EXPECT_EQ(probe.station().m_run[0].m_running, 0);
  EXPECT_EQ(probe.List(ctl::kValues1)->rowCount(), recorded1.Size());
  EXPECT_EQ(probe.List(ctl::kValues2)->rowCount(), recorded2.Size());
  prompts.answers = {false};  // nothing to save in the analysis table
  dlg->close();
  dlg.reset();

  // Closed without saving: the runs are offered again; No lets them go.
  prompts.asked.clear();
  prompts.answers = {false, false};
  dlg = std::make_unique<CMeasureDlg>(options, &prompts);
  EXPECT_EQ(prompts.asked.size(), 2u);
  EXPECT_FALSE(fs::exists(folder.Path() / "Kammer1.journal"));
  EXPECT_FALSE(fs::exists(folder.Path() / "Kammer2.journal"));
  EXPECT_TRUE(WindowProbe(*dlg).station().m_chamber[0].Snapshot().series.Empty());
  dlg->close();
}

}  // namespace
}  // namespace corvala
