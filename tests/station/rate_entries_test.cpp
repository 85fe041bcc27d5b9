#include "station/rate_entries.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include "files/rate_settings_file.h"
#include "station/own_files.h"
#include "test_support/temp_folder.h"
#include "util/file_io.h"

namespace corvala {
namespace {

RateSettings InForce() {
  RateSettings settings;
  settings.blankChamber = 0;
  settings.chambers[0].oxygen = {2.0, 0.5};
  settings.chambers[0].amountUnit = "g FW";
  settings.chambers[2].oxygen.volumeMl = 1.25;
  settings.window = 60;
  return settings;
}

TEST(RateEntries, TypedFieldsBecomeTheSettingsAndAreKeptInTheFile) {
  const testing::TempFolder folder;
  const std::string file = folder / kRateSettingsFileName;
  ScriptedPrompts prompts;
  RateSettings settings;
  RateEntries typed;
  typed.blankIndex = 2;
  typed.chambers[0] = {" 1.5 ", "0.1", "\xC2\xB5g Chl"};
  typed.chambers[2] = {"", "3e2", ""};
  typed.window = "120";

  const RateConfirmOutcome outcome = ConfirmRateEntries(typed, settings, file, prompts);
  EXPECT_TRUE(outcome.changed);
  EXPECT_FALSE(outcome.refused);
  EXPECT_TRUE(prompts.asked.empty());
  EXPECT_EQ(settings.blankChamber, 1);
  EXPECT_EQ(settings.chambers[0].oxygen.volumeMl, 1.5);
  EXPECT_EQ(settings.chambers[0].oxygen.amount, 0.1);
  EXPECT_EQ(settings.chambers[0].amountUnit, "\xC2\xB5g Chl");
  EXPECT_EQ(settings.chambers[1], ChamberOxygen{});
  EXPECT_EQ(settings.chambers[2].oxygen.amount, 300.0);
  EXPECT_EQ(settings.window, 120);
  const Expected<RateSettings> stored = ReadRateSettings(file);
  ASSERT_TRUE(stored.Ok());
  EXPECT_EQ(*stored, settings);
  // The fields then show the values in force.
  const RateEntries shown = RateEntriesOf(settings);
  EXPECT_EQ(shown.blankIndex, 2);
  EXPECT_EQ(shown.chambers[0], (ChamberRateEntries{"1.5", "0.1", "\xC2\xB5g Chl"}));
  EXPECT_EQ(shown.chambers[2], (ChamberRateEntries{"", "300", ""}));
  EXPECT_EQ(shown.window, "120");

  // Emptied fields are none again, and W its default; 0 is the default too.
  typed = RateEntries{};
  typed.window = "0";
  ConfirmRateEntries(typed, settings, file, prompts);
  EXPECT_EQ(settings, RateSettings{});
  EXPECT_EQ(RateEntriesOf(settings), RateEntries{});
}

TEST(RateEntries, AFieldTypedWrongIsRefusedAloneAndKeepsItsValue) {
  struct Case {
    const char* name;
    void (*type)(RateEntries&);
    const char* field;  // named in the notice
  };
  const Case cases[] = {
      {"comma", [](RateEntries& e) { e.chambers[0].volume = "1,5"; }, "Volume (ml) of chamber I"},
      {"zero", [](RateEntries& e) { e.chambers[0].volume = "0"; }, "Volume (ml) of chamber I"},
      {"negative", [](RateEntries& e) { e.chambers[2].volume = "-2"; },
       "Volume (ml) of chamber III"},
      {"huge", [](RateEntries& e) { e.chambers[0].volume = "1e7"; }, "Volume (ml) of chamber I"},
      {"word", [](RateEntries& e) { e.chambers[0].amount = "half"; }, "Amount of chamber I"},
      {"no amount", [](RateEntries& e) { e.chambers[1].amount = "0"; }, "Amount of chamber II"},
      {"infinite", [](RateEntries& e) { e.chambers[1].amount = "inf"; }, "Amount of chamber II"},
      {"tab", [](RateEntries& e) { e.chambers[0].amountUnit = "g\tFW"; },
       "Amount unit of chamber I"},
      {"long", [](RateEntries& e) { e.chambers[0].amountUnit = std::string(65, 'g'); },
       "Amount unit of chamber I"},
      {"short window", [](RateEntries& e) { e.window = "2"; }, "Window W"},
      {"part window", [](RateEntries& e) { e.window = "12.5"; }, "Window W"},
      {"long window", [](RateEntries& e) { e.window = "100001"; }, "Window W"},
  };
  for (const Case& c : cases) {
    const testing::TempFolder folder;
    ScriptedPrompts prompts;
    RateSettings settings = InForce();
    RateEntries typed = RateEntriesOf(settings);
    typed.blankIndex = 3;  // taken beside the field typed wrong
    c.type(typed);
    const RateConfirmOutcome outcome =
        ConfirmRateEntries(typed, settings, folder / kRateSettingsFileName, prompts);
    EXPECT_TRUE(outcome.refused) << c.name;
    ASSERT_EQ(prompts.asked.size(), 1u) << c.name;
    EXPECT_EQ(prompts.asked[0].rfind(c.field, 0), 0u) << c.name << ": " << prompts.asked[0];
    RateSettings expected = InForce();
    expected.blankChamber = 2;
    EXPECT_EQ(settings, expected) << c.name;
    const Expected<RateSettings> stored = ReadRateSettings(folder / kRateSettingsFileName);
    ASSERT_TRUE(stored.Ok());
    EXPECT_EQ(*stored, expected) << c.name;
  }
  ScriptedPrompts prompts;
  RateSettings settings = InForce();
  RateEntries typed = RateEntriesOf(settings);
  typed.chambers[1].volume = "abc";
  ConfirmRateEntries(typed, settings, "unused", prompts);
  ASSERT_EQ(prompts.asked.size(), 1u);
  EXPECT_EQ(prompts.asked[0],
            "Volume (ml) of chamber II \"abc\" is not taken: enter a number of ml with a decimal "
            "point, above 0 and up to 1000000 (the gas volume for mbar runs, the water volume for "
            "mg/l runs), or "
            "nothing.");
}

TEST(RateEntries, UnchangedEntriesWriteNothingAndAFailedWriteIsShown) {
  const testing::TempFolder folder;
  ScriptedPrompts prompts;
  RateSettings settings = InForce();
  RateEntries typed = RateEntriesOf(settings);
  typed.blankIndex = -1;  // no selection keeps the blank in force
  const RateConfirmOutcome same =
      ConfirmRateEntries(typed, settings, folder / kRateSettingsFileName, prompts);
  EXPECT_FALSE(same.changed);
  EXPECT_EQ(settings, InForce());
  EXPECT_FALSE(std::filesystem::exists(folder / kRateSettingsFileName));

  typed.window = "";
  const RateConfirmOutcome unwritten =
      ConfirmRateEntries(typed, settings, folder / "no/such/Rates.ini", prompts);
  EXPECT_TRUE(unwritten.changed);
  EXPECT_EQ(settings.window, 0);  // in force for this session
  ASSERT_EQ(prompts.asked.size(), 1u);
  EXPECT_NE(prompts.asked[0].find("Rates.ini"), std::string::npos);
}

// What a station killed while writing "Rates.ini" left is removed at start.
TEST(RateEntries, AnInterruptedWriteOfTheFileIsClearedAway) {
  const testing::TempFolder folder;
  const pid_t child = fork();
  if (child == 0) _exit(0);
  int status = 0;
  waitpid(child, &status, 0);
  const std::string left =
      std::string(kRateSettingsFileName) + ".tmp-" + HostTag() + "-" + std::to_string(child);
  std::ofstream(folder / left) << "Blank=1";
  EXPECT_EQ(RemoveStaleDataFolderFiles(folder.Path().string()).size(), 1u);
  EXPECT_FALSE(std::filesystem::exists(folder / left));
}

}  // namespace
}  // namespace corvala
