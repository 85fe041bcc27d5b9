#include "app/settings_file.h"

#include <gtest/gtest.h>

#include <chrono>
#include <clocale>

#include "util/c_format.h"

namespace corvala {
namespace {

const char* const kDefaultFile =
    "Temperatur=25\r\nMaxDruck=300\r\nMessabstand=5\r\nZeitanzeige=450\r\nKalibrierwert=210\r\n"
    "Korrekturwert=0\r\nKorrekturan=0\r\nKomma=1\r\nBeep=0\r\nCOM=1\r\nEinheit=1\r\nDemomodus=0\r\n"
    "Interpolation=0\r\nUmreFaktor1=210.000000\r\nUmreFaktor2=8.230000\r\nAnzProg=0\r\n";

TEST(SettingsFile, DefaultsAreWrittenByteForByte) {
  EXPECT_EQ(FormatSettings(Settings{}, {}), kDefaultFile);
  // A missing file gives the same defaults back.
  const SettingsReadResult missing = ReadSettings("/nonexistent/Corvala.ini");
  EXPECT_EQ(missing.settings, Settings{});
  EXPECT_TRUE(missing.rows.empty());
  EXPECT_EQ(ParseSettings(kDefaultFile).settings, Settings{});
}

TEST(SettingsFile, ProgramRowsAreNumberedFromTheirListPosition) {
  MeasurementProgram program;
  program.AppendProgramStep(0, 10, 0, 1, kStepLightOn);
  program.AppendProgramStep(1, 2, 3, 6, kStepLightOff);
  program.AppendProgramStep(150, 0, 0, 7, kStepEnd);
  program.RemoveProgramStep(1);  // the second row goes; the third closes up to "0001"
  const std::string text = FormatSettings(Settings{}, program.Steps());
  EXPECT_NE(
      text.find(
          "AnzProg=2\r\nStunde0000=0\r\nMinute0000=10\r\nSekunde0000=0\r\n"
          "Kammer1-0000=1\r\nKammer2-0000=0\r\nKammer3-0000=0\r\nLicht0000=1\r\nEnde0000=0\r\n"
          "Stunde0001=150\r\nMinute0001=0\r\nSekunde0001=0\r\nKammer1-0001=1\r\n"
          "Kammer2-0001=1\r\nKammer3-0001=1\r\nLicht0001=0\r\nEnde0001=1\r\n"),
      std::string::npos)
      << text;
  EXPECT_TRUE(text.ends_with("Ende0001=1\r\n"));
}

TEST(SettingsFile, RowNumbersHaveAtLeastFourDigits) {
  EXPECT_EQ(FormatRowNumber(0), "0000");
  EXPECT_EQ(FormatRowNumber(9), "0009");
  EXPECT_EQ(FormatRowNumber(10), "0010");
  EXPECT_EQ(FormatRowNumber(999), "0999");
  EXPECT_EQ(FormatRowNumber(1000), "1000");
  EXPECT_EQ(FormatRowNumber(10000), "10000");
}

TEST(SettingsFile, ReadingRulesOfSingleKeys) {
  Settings onlyComma = ParseSettings("Komma=0\r\n").settings;
  Settings expected;
  expected.m_comma = 0;
  EXPECT_EQ(onlyComma, expected);

  const Settings s = ParseSettings(
                         "COM=12\nUmreFaktor1=-1\nUmreFaktor2=-1.5\nBeep=2\nKorrekturan=5\n"
                         "Demomodus=1\nInterpolation=1\nTemperatur=-1\nMessabstand=7.9\n")
                         .settings;
  EXPECT_EQ(s.m_comPort, 12);            // taken unchanged; the writer leaves it out
  EXPECT_FLOAT_EQ(s.m_factor1, 210.0f);  // exactly -1 means "absent"
  EXPECT_FLOAT_EQ(s.m_factor2, -1.5f);
  EXPECT_EQ(s.m_beep, 0);
  EXPECT_EQ(s.m_correctionOn, 0);
  EXPECT_EQ(s.m_demoMode, 1);
  EXPECT_EQ(s.m_interpolation, 1);
  EXPECT_EQ(s.m_temperature, 25);
  EXPECT_EQ(s.m_sampleInterval, 7);
  EXPECT_EQ(FormatSettings(s, {}).find("COM="), std::string::npos);
}

TEST(SettingsFile, KeysMatchAsSubstringsOfTokensAndTheFirstWins) {
  const KeyValueText file("XTemperaturY=30 Temperatur=40 noequals7 a=b=3.5 ");
  EXPECT_DOUBLE_EQ(file.LookupSetting("Temperatur"), 30.0);
  EXPECT_DOUBLE_EQ(file.LookupSetting("a=b"), 3.5);       // the value follows the last "="
  EXPECT_DOUBLE_EQ(file.LookupSetting("noequals"), 0.0);  // no "=": text after the first character
  EXPECT_DOUBLE_EQ(file.LookupSetting("Missing"), -1.0);
  // A key that is a prefix of another key still finds the longer one first.
  EXPECT_EQ(ParseSettings("Temperaturwert=33\nTemperatur=20\n").settings.m_temperature, 33);
}

TEST(SettingsFile, StoredRowsComeBackInFileOrder) {
  const std::string text = FormatSettings(Settings{}, [] {
    MeasurementProgram p;
    p.AppendProgramStep(0, 10, 0, 1, kStepLightOn);
    p.AppendProgramStep(0, 5, 0, 2, kStepLightOff);
    p.AppendProgramStep(2, 0, 30, 5, kStepEnd);
    return p.Steps();
  }());
  const SettingsReadResult read = ParseSettings(text);
  ASSERT_EQ(read.rows.size(), 3u);
  EXPECT_EQ(read.rows[0].minutes, 10);
  EXPECT_EQ(read.rows[0].chamber, (std::array<uint8_t, 3>{1, 0, 0}));
  EXPECT_EQ(read.rows[0].light, 1);
  EXPECT_EQ(read.rows[1].minutes, 5);
  EXPECT_EQ(read.rows[1].light, 0);
  EXPECT_EQ(read.rows[2].hours, 2);
  EXPECT_EQ(read.rows[2].seconds, 30);
  EXPECT_EQ(read.rows[2].chamber, (std::array<uint8_t, 3>{1, 0, 1}));
  EXPECT_EQ(read.rows[2].stop, 1);

  // Without "AnzProg" the rows are not read; with a smaller count only the first ones.
  std::string withoutCount = text;
  withoutCount.replace(withoutCount.find("AnzProg=3"), 9, "");
  EXPECT_TRUE(ParseSettings(withoutCount).rows.empty());
  std::string two = text;
  two.replace(two.find("AnzProg=3"), 9, "AnzProg=2");
  EXPECT_EQ(ParseSettings(two).rows.size(), 2u);
}

TEST(SettingsFile, HugeRowCountAndLongTokensDoNotStallOrOverrun) {
  std::string text = "AnzProg=2000000000\r\nStunde0000=1\r\nKammer1-0000=1\r\n" +
                     std::string(5000, 'x') + "=1\r\nStunde99999=3\r\nKammer2-99999=1\r\n";
  const auto start = std::chrono::steady_clock::now();
  const SettingsReadResult read = ParseSettings(text);
  const auto seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_LT(seconds, 1.0);  // a guard against a loop over two billion rows, not a speed figure
  // Keys match as substrings, so the keys of row 99999 also serve row 9999.
  ASSERT_EQ(read.rows.size(), 3u);
  EXPECT_EQ(read.rows[0].hours, 1);
  EXPECT_EQ(read.rows[1].index, 9999);
  EXPECT_EQ(read.rows[2].index, 99999);
  EXPECT_EQ(read.rows[2].hours, 3);
  EXPECT_EQ(read.rows[2].chamber[1], 1);
}

TEST(SettingsFile, GermanDesktopLocaleKeepsThePoint) {
  const std::string saved = std::setlocale(LC_ALL, nullptr);
  if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr)
    GTEST_SKIP() << "de_DE.UTF-8 is not installed";
  Settings s;
  s.m_factor1 = 12.5f;
  const std::string text = FormatSettings(s, {});
  EXPECT_NE(text.find("UmreFaktor1=12.500000\r\n"), std::string::npos);
  EXPECT_FLOAT_EQ(ParseSettings(text).settings.m_factor1, 12.5f);
  std::setlocale(LC_ALL, saved.c_str());
}

}  // namespace
}  // namespace corvala
