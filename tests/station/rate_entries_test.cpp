#include "station/rate_entries.h"

#include <gtest/gtest.h>

#include <fstream>

#include "files/rate_settings_file.h"
#include "station/own_files.h"
#include "test_support/processes.h"
#include "test_support/temp_folder.h"
#include "util/file_io.h"

namespace corvala {
namespace {

TEST(RateEntries, TypedFieldsBecomeTheSettingsAndTheFileAndShowAsTaken) {
  const testing::TempFolder folder;
  const std::string file = folder / kRateSettingsFileName;
  ScriptedPrompts prompts;
  RateSettings settings;
  RateEntries typed;
  typed.blankIndex = 2;
  typed.chambers[0] = {" 1.5 ", "0.1", "\xC2\xB5g Chl"};
  typed.chambers[2] = {"", "3e2", ""};
  typed.window = "120";
  EXPECT_TRUE(ConfirmRateEntries(typed, settings, file, prompts).changed);
  EXPECT_TRUE(prompts.asked.empty());
  RateSettings expected;
  expected.blankChamber = 1;
  expected.chambers[0] = {{1.5, 0.1}, "\xC2\xB5g Chl"};
  expected.chambers[2].oxygen.amount = 300.0;
  expected.window = 120;
  EXPECT_EQ(settings, expected);
  EXPECT_EQ(ReadRateSettings(file).Value(), expected);
  EXPECT_EQ(RateEntriesOf(settings).chambers[2], (ChamberRateEntries{"", "300", ""}));

  // Emptied fields are none again; "0" is W's default as well. Unchanged
  // entries write nothing.
  typed = RateEntries{};
  typed.window = "0";
  ConfirmRateEntries(typed, settings, file, prompts);
  EXPECT_EQ(settings, RateSettings{});
  std::filesystem::remove(file);
  EXPECT_FALSE(ConfirmRateEntries(RateEntries{}, settings, file, prompts).changed);
  EXPECT_FALSE(std::filesystem::exists(file));
}

TEST(RateEntries, AFieldTypedWrongIsRefusedAloneAndKeepsItsValue) {
  RateSettings inForce;
  inForce.chambers[0] = {{2.0, 0.5}, "g FW"};
  inForce.window = 60;
  const std::pair<void (*)(RateEntries&), const char*> cases[] = {
      {[](RateEntries& e) { e.chambers[0].volume = "1,5"; }, "Volume (ml) of chamber I"},
      {[](RateEntries& e) { e.chambers[2].volume = "-2"; }, "Volume (ml) of chamber III"},
      {[](RateEntries& e) { e.chambers[1].amount = "0"; }, "Amount of chamber II"},
      {[](RateEntries& e) { e.chambers[0].amountUnit = "g\tFW"; }, "Amount unit of chamber I"},
      {[](RateEntries& e) { e.window = "2"; }, "Window W"},
      {[](RateEntries& e) { e.window = "12.5"; }, "Window W"},
  };
  for (const auto& [type, field] : cases) {
    ScriptedPrompts prompts;
    RateSettings settings = inForce;
    RateEntries typed = RateEntriesOf(settings);
    typed.blankIndex = 3;  // taken beside the field typed wrong
    type(typed);
    EXPECT_TRUE(ConfirmRateEntries(typed, settings, "/nonexistent/Rates.ini", prompts).refused);
    ASSERT_EQ(prompts.asked.size(), 2u) << field;  // the refusal, then the failed write
    EXPECT_EQ(prompts.asked[0].rfind(field, 0), 0u) << prompts.asked[0];
    EXPECT_NE(prompts.asked[1].find("Rates.ini"), std::string::npos);
    RateSettings expected = inForce;
    expected.blankChamber = 2;
    EXPECT_EQ(settings, expected) << field;
  }
  ScriptedPrompts prompts;
  RateSettings settings;
  RateEntries typed;
  typed.chambers[1].volume = "abc";
  ConfirmRateEntries(typed, settings, "unused", prompts);
  EXPECT_EQ(prompts.asked.at(0),
            "Volume (ml) of chamber II \"abc\" is not taken: enter a number of ml with a decimal "
            "point, above 0 and up to 1000000 (the gas volume for mbar runs, the water volume for "
            "mg/l runs), or nothing.");
}

// What a station killed while writing "Rates.ini" left is removed at start.
TEST(RateEntries, AnInterruptedWriteOfTheFileIsClearedAway) {
  const testing::TempFolder folder;
  const auto child = testing::EndedProcess();
  const std::string left = "Rates.ini.tmp-" + HostTag() + "-" + std::to_string(child);
  std::ofstream(folder / left) << "Blank=1";
  EXPECT_EQ(RemoveStaleDataFolderFiles(folder.Path().string()).size(), 1u);
}

}  // namespace
}  // namespace corvala
