// The analysis table's files, as the window drives them (its questions are
// exercised through the window in tests/app).

#include "station/analysis_store.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "analysis/curve_builder.h"
#include "test_support/temp_folder.h"
#include "test_support/test_data.h"
#include "util/file_io.h"

namespace corvala {
namespace {

namespace fs = std::filesystem;
using Texts = std::vector<std::string>;

struct Store : ::testing::Test {
  testing::TempFolder folder;
  ScriptedPrompts prompts;
  AnalysisStore store{folder / kWorkingFileName, prompts};

  bool Load(const std::string& path = testing::DataPath("analysis.cva")) {
    prompts.filePaths = {path};
    return store.LoadFile({}, DefaultWorkbookFactory());
  }
};

TEST_F(Store, TheWorkingFileMirrorsEveryChangeByteForByte) {
  // An analysis that passes its checks rewrites the file even when it adds no row.
  Station station;
  station.m_chamber[2].Access([](ChamberRecord& r) {
    r = testing::MakeCurve({9, 12, 6, 5, 8, 9}, {0, 0, 0, 0, 0, 0});
  });
  EXPECT_FALSE(store.AddRow(station, 0, "x", {}, 1).passed);
  EXPECT_FALSE(fs::exists(store.WorkingFile()));
  EXPECT_FALSE(store.AddRow(station, 2, "x", {}, 1).rowAdded);
  EXPECT_EQ(testing::FileBytes(store.WorkingFile()), "0\r\n1\r\n");

  // The rows of analysis.cva and one more, which is deleted.
  ASSERT_TRUE(Load());
  store.Table().Append({"c", "05.04.2024", "11:00:00", 1, 1, 2, 5, 5, 6, 7, 8, 0}, {});
  EXPECT_TRUE(store.DeleteRow(2, 2));
  EXPECT_EQ(testing::FileBytes(store.WorkingFile()), testing::DataBytes("analysis.cva"));
  prompts.filePaths = {folder / "t.cva"};
  EXPECT_TRUE(store.SaveFile(2));
  EXPECT_EQ(testing::FileBytes(folder / "t.cva"), testing::DataBytes("analysis.cva"));
  EXPECT_EQ(prompts.asked, Texts{"Delete the line?"});
}

TEST_F(Store, FilesThatCannotBeReadOrWrittenAreReported) {
  EXPECT_FALSE(Load(folder / "missing.cva"));
  ASSERT_EQ(prompts.asked.size(), 1u);
  EXPECT_TRUE(
      prompts.asked[0].starts_with("The file " + (folder / "missing.cva") + " could not be read"))
      << prompts.asked[0];

  // A working file that cannot be written is reported once, until it works again.
  const std::string blocked = folder / "missing/auswertung.tmp";
  AnalysisStore lost(blocked, prompts);
  prompts.asked.clear();
  EXPECT_FALSE(lost.SaveWorkingFile(1).Ok());
  EXPECT_FALSE(lost.SaveWorkingFile(1).Ok());
  EXPECT_EQ(prompts.asked,
            Texts{"The file " + blocked +
                  " could not be written: No such file or directory. The analysis table is not "
                  "protected against a crash until its working file can be written again."});
  fs::create_directories(folder / "missing");
  EXPECT_TRUE(lost.SaveWorkingFile(1).Ok());
  fs::remove_all(folder / "missing");
  EXPECT_FALSE(lost.SaveWorkingFile(1).Ok());
  EXPECT_EQ(prompts.asked.size(), 2u);
}

TEST_F(Store, AnEndByASignalKeepsAChangedTableInItsWorkingFile) {
  ASSERT_TRUE(Load());
  EXPECT_TRUE(store.DeleteRow(1, 2));
  const std::string mirrored = testing::FileBytes(store.WorkingFile());
  prompts.asked.clear();
  store.CloseWithoutAsking(2);
  EXPECT_TRUE(prompts.asked.empty());
  EXPECT_EQ(testing::FileBytes(store.WorkingFile()), mirrored);

  // The working file missed the last change: it is written at the end.
  fs::remove(store.WorkingFile());
  fs::create_directory(store.WorkingFile());
  EXPECT_TRUE(store.DeleteRow(0, 2));
  fs::remove(store.WorkingFile());
  prompts.asked.clear();
  store.CloseWithoutAsking(2);
  EXPECT_TRUE(prompts.asked.empty());
  EXPECT_EQ(testing::FileBytes(store.WorkingFile()), "0\r\n2\r\n");

  // An unchanged table leaves no working file behind.
  store.Table().MarkSaved();
  store.CloseWithoutAsking(2);
  EXPECT_FALSE(fs::exists(store.WorkingFile()));
}

TEST_F(Store, AnAnswerGotWhileASignalEndsTheProgramKeepsTheTable) {
  ASSERT_TRUE(Load());
  EXPECT_TRUE(store.DeleteRow(1, 2));
  SilenceablePrompts silenced(prompts);
  AnalysisStore ending{store.WorkingFile(), silenced};
  ASSERT_TRUE(ending.Restore());
  silenced.Silence();
  prompts.asked.clear();
  ending.Close({}, DefaultWorkbookFactory());
  EXPECT_TRUE(prompts.asked.empty());
  EXPECT_TRUE(fs::exists(store.WorkingFile()));
}

TEST_F(Store, RestoredRowsCountAsUnsavedUntilSavedOrLetGo) {
  fs::copy_file(testing::DataPath("analysis.cva"), store.WorkingFile());
  ASSERT_TRUE(store.Restore());
  EXPECT_TRUE(store.Table().Dirty());
  // Yes, then the save dialog cancelled: the rows stay in the working file ...
  prompts.answers = {true};
  store.Close({}, DefaultWorkbookFactory());
  EXPECT_EQ(prompts.asked, Texts{"Save the analysis?"});
  EXPECT_EQ(testing::FileBytes(store.WorkingFile()), testing::DataBytes("analysis.cva"));
  // ... and the next start asks again; No lets them go.
  AnalysisStore next{folder / kWorkingFileName, prompts};
  ASSERT_TRUE(next.Restore());
  prompts.answers = {false};
  next.Close({}, DefaultWorkbookFactory());
  EXPECT_EQ(prompts.asked, (Texts{"Save the analysis?", "Save the analysis?"}));
  EXPECT_FALSE(fs::exists(store.WorkingFile()));
  // A working file without rows holds nothing to ask about.
  std::ofstream(store.WorkingFile(), std::ios::binary) << "0\r\n1\r\n";
  AnalysisStore empty{folder / kWorkingFileName, prompts};
  ASSERT_TRUE(empty.Restore());
  EXPECT_FALSE(empty.Table().Dirty());
}

TEST_F(Store, RowsKeptAtTheEndAreInTheWorkingFileOrTheUserIsTold) {
  ASSERT_TRUE(Load());
  store.Table().MarkChanged();  // as rows added by runs would
  // A rewrite fails during the session (notice shown), then the problem goes.
  fs::remove(store.WorkingFile());
  fs::create_directory(store.WorkingFile());
  EXPECT_TRUE(store.CycleDiagramGroup(0, 2));
  fs::remove(store.WorkingFile());
  // Yes to saving, then the file dialog cancelled: the rows are kept for the next start.
  prompts.asked.clear();
  prompts.answers = {true};
  ExportOptions options;
  options.unit = 2;
  store.Close(options, DefaultWorkbookFactory());
  EXPECT_EQ(prompts.asked, Texts{"Save the analysis?"});
  AnalysisStore next{store.WorkingFile(), prompts};
  ASSERT_TRUE(next.Restore());
  EXPECT_EQ(next.Table().RowCount(), 2u);

  // Still unwritable at the end: the user is told where the table is not kept
  // and asked to save it elsewhere; the file dialog cancelled asks again, No lets go.
  fs::remove(store.WorkingFile());
  fs::create_directory(store.WorkingFile());
  EXPECT_TRUE(next.CycleDiagramGroup(0, 2));
  prompts.asked.clear();
  prompts.answers = {true, true, false};
  next.Close(options, DefaultWorkbookFactory());
  ASSERT_EQ(prompts.asked.size(), 3u);
  EXPECT_EQ(prompts.asked[1], "The file " + store.WorkingFile() +
                                  " could not be written: Is a directory. The analysis table is "
                                  "not kept in " +
                                  store.WorkingFile() + ". Save the analysis elsewhere?");
  EXPECT_EQ(prompts.asked[2], prompts.asked[1]);
}

TEST_F(Store, LoadingAFileOffersToSaveAChangedTableFirst) {
  store.Table().Append({"c", "05.04.2024", "11:00:00", 1, 1, 2, 5, 5, 6, 7, 8, 0}, {});
  store.Table().MarkChanged();
  // Yes, then the save dialog cancelled: the changed table is not replaced.
  prompts.answers = {true};
  prompts.filePaths = {"", testing::DataPath("analysis.cva")};
  EXPECT_FALSE(store.LoadFile({}, DefaultWorkbookFactory()));
  EXPECT_EQ(prompts.asked, Texts{"Save the analysis?"});
  EXPECT_EQ(store.Table().RowCount(), 1u);
  EXPECT_TRUE(store.Table().Dirty());
  // No: the file replaces the table.
  prompts.answers = {false};
  EXPECT_TRUE(Load());
  EXPECT_EQ(store.Table().RowCount(), 2u);
  EXPECT_FALSE(store.Table().Dirty());
  // Unchanged: no question.
  prompts.asked.clear();
  EXPECT_TRUE(Load());
  EXPECT_TRUE(prompts.asked.empty());
}

}  // namespace
}  // namespace corvala
