#include "station/configuration.h"

#include <gtest/gtest.h>

namespace corvala {
namespace {

class ConfigurationTest : public ::testing::Test {
 protected:
  void SetUp() override { configuration_.Start(display_); }
  ConfirmOutcome Confirm() {
    return configuration_.Confirm(entries_, station_, display_, prompts_);
  }

  Station station_;
  ScriptedPrompts prompts_;
  DisplaySettings display_;
  ConfigurationEntries entries_;
  StationConfiguration configuration_;
};

TEST_F(ConfigurationTest, FirstConfirmationSendsTheSetPointAndTheUnitsPairOnce) {
  const ConfirmOutcome outcome = Confirm();
  CommandMailboxes& commands = station_.m_link.commands;
  EXPECT_EQ(commands.m_beepCommand, kBeepIdle);
  EXPECT_EQ(commands.m_calibrationChanged, 0);
  EXPECT_FALSE(outcome.restartLink);
  EXPECT_EQ(outcome.serviceCode, 0);
  EXPECT_EQ(commands.m_pairCommand.Take(), std::make_pair(1, 1));
  EXPECT_EQ(commands.m_temperatureCommand, 25);
  commands.m_temperatureCommand = kTemperatureIdle;
  const ConfirmOutcome again = Confirm();
  EXPECT_EQ(commands.m_temperatureCommand, kTemperatureIdle);  // unchanged set point
  EXPECT_FALSE(again.unitSwitched);
  EXPECT_FALSE(commands.m_pairCommand.Take().has_value());
}

TEST_F(ConfigurationTest, EntriesTheDeviceCannotCarryAreRefusedWithANoticeEach) {
  Confirm();
  CommandMailboxes& commands = station_.m_link.commands;
  commands.m_pairCommand.Take();
  commands.m_pairCommand.Delivered();
  const char* const kFactorRange = "is not taken: enter a number from 0.01 to 423.00.";
  struct Case {
    const char *factor1, *factor2, *calibration;
    std::string notice;
  };
  const Case cases[] = {
      {"0", "8.23", "210", std::string("Conversion factor (mbar equal to) \"0\" ") + kFactorRange},
      {"abc", "8.23", "210",
       std::string("Conversion factor (mbar equal to) \"abc\" ") + kFactorRange},
      {"210", "", "210", std::string("Conversion factor (mg/l) \"\" ") + kFactorRange},
      {"210", "8.23", "2.5",
       "Calibration value \"2.5\" is not taken: enter a whole number from 0 to 23499."},
  };
  for (const Case& c : cases) {
    entries_.factor1Text = c.factor1;
    entries_.factor2Text = c.factor2;
    entries_.calibrationText = c.calibration;
    prompts_.asked.clear();
    const ConfirmOutcome outcome = Confirm();
    EXPECT_EQ(prompts_.asked, std::vector<std::string>{c.notice});
    EXPECT_EQ(outcome.factor1Refused, c.factor1 != std::string("210")) << c.notice;
    EXPECT_EQ(outcome.calibrationRefused, c.calibration != std::string("210")) << c.notice;
    EXPECT_FALSE(commands.m_pairCommand.Busy()) << c.notice;
    EXPECT_EQ(commands.m_calibrationChanged, 0) << c.notice;
    EXPECT_EQ(commands.m_calibrationValue, 210) << c.notice;
    EXPECT_EQ(display_.factors.factor1, 210.0f) << c.notice;
    EXPECT_EQ(display_.factors.factor2, 8.23f) << c.notice;
  }

  // The largest factor the pair block carries goes out, and the rest is taken
  // beside a refused entry.
  entries_.unitIndex = 1;
  entries_.factor1Text = "423.00";
  entries_.factor2Text = "8.23";
  entries_.calibrationText = "23499";
  Confirm();
  EXPECT_EQ(commands.m_pairCommand.Peek(), std::make_pair(823, 42300));
  EXPECT_EQ(commands.m_calibrationValue, 23499);
  EXPECT_FLOAT_EQ(station_.m_units.Get().effFactor1, 423.0f);
}

TEST_F(ConfigurationTest, AComboBoxWithoutSelectionKeepsItsValue) {
  entries_.comPortIndex = -1;
  entries_.unitIndex = -1;
  entries_.comma = false;
  display_.comPort = 7;
  Confirm();
  EXPECT_EQ(display_.comPort, 7);
  EXPECT_EQ(station_.m_units.Unit(), 1);
  EXPECT_EQ(display_.comma, 0);  // the check box beside them is taken
}

TEST_F(ConfigurationTest, NegativeFirstFactorsAreServiceCommands) {
  struct Case {
    const char* factor;
    int32_t command;
    int32_t channels;
    int32_t demo;
  };
  const Case cases[] = {{"-1", 92, 1, 0}, {"-2.7", 93, 2, 0}, {"-3", 94, 3, 0},
                        {"-4", 90, 3, 1}, {"-5", 91, 3, 0},   {"-6", 95, 1, 0}};
  for (const Case& c : cases) {
    station_.m_link.report.m_serviceArg = 3;
    display_.demoMode = c.command == 91 ? 1 : 0;
    entries_.factor1Text = c.factor;
    entries_.comPortIndex = 5;
    const ConfirmOutcome outcome = Confirm();
    EXPECT_EQ(outcome.serviceCode, c.command) << c.factor;
    EXPECT_EQ(station_.m_link.commands.m_serviceCommand, c.command) << c.factor;
    EXPECT_EQ(station_.m_link.report.m_serviceArg, c.channels) << c.factor;
    EXPECT_EQ(display_.demoMode, c.demo) << c.factor;
    EXPECT_EQ(display_.comPort, 1) << c.factor;  // the port is not taken
  }
  entries_.factor1Text = "-7";
  station_.m_link.commands.m_serviceCommand = kServiceIdle;
  EXPECT_EQ(Confirm().serviceCode, 0);
  EXPECT_EQ(station_.m_link.commands.m_serviceCommand, kServiceIdle);
}

// A negative first factor that is no service code was dropped without a word,
// and with it the unit and the calibration value typed in the same visit.
TEST_F(ConfigurationTest, ANegativeFactorThatIsNoServiceCodeIsRefusedAndTheRestTaken) {
  for (const char* factor : {"-8", "-0.5"}) {
    entries_.factor1Text = factor;
    entries_.unitIndex = 1;
    entries_.calibrationText = "300";
    prompts_.asked.clear();
    const ConfirmOutcome outcome = Confirm();
    EXPECT_EQ(outcome.serviceCode, 0) << factor;
    EXPECT_TRUE(outcome.factor1Refused) << factor;
    EXPECT_EQ(prompts_.asked, std::vector<std::string>{"Conversion factor (mbar equal to) \"" +
                                                       std::string(factor) +
                                                       "\" is not taken: enter a number from "
                                                       "0.01 to 423.00."});
    EXPECT_EQ(station_.m_link.commands.m_serviceCommand, kServiceIdle) << factor;
    EXPECT_EQ(station_.m_units.Unit(), kUnitMgl) << factor;
    EXPECT_EQ(station_.m_link.commands.m_calibrationValue, 300) << factor;
    EXPECT_FLOAT_EQ(display_.factors.factor1, 210.0f) << factor;  // the factor in force stays
    entries_.unitIndex = 0;
    Confirm();
  }
}

TEST_F(ConfigurationTest, TheUnitStaysWhileAChamberMeasures) {
  Confirm();
  station_.m_link.commands.m_pairCommand.Take();
  station_.m_link.commands.m_pairCommand.Delivered();
  station_.m_run[1].m_running = 1;
  entries_.unitIndex = 1;
  entries_.calibrationText = "250";
  const ConfirmOutcome outcome = Confirm();
  EXPECT_TRUE(outcome.unitRefused);
  EXPECT_EQ(prompts_.asked,
            std::vector<std::string>{"The unit stays mbar while a chamber measures."});
  EXPECT_EQ(station_.m_units.Unit(), kUnitMbar);
  EXPECT_FALSE(station_.m_link.commands.m_pairCommand.Busy());
  EXPECT_EQ(station_.m_link.commands.m_calibrationValue, 250);
}

// Power-cycled in mg/l during a run, the device came back in mbar and the
// display followed it: the run went on in mbar. While a chamber measures the
// unit stays and the device is given the pair in force again.
TEST_F(ConfigurationTest, ADeviceInAnotherUnitIsSentThePairInForceWhileAChamberMeasures) {
  entries_.unitIndex = 1;
  Confirm();
  PairMailbox& pair = station_.m_link.commands.m_pairCommand;
  ASSERT_EQ(pair.Take(), std::make_pair(823, 21000));
  pair.Delivered();
  station_.m_run[0].m_running = 1;
  const UnitSwitch kept = configuration_.FollowDeviceUnit(station_, display_);
  EXPECT_FALSE(kept.applied);
  EXPECT_EQ(station_.m_units.Unit(), kUnitMgl);
  EXPECT_EQ(pair.Peek(), std::make_pair(823, 21000));
  EXPECT_TRUE(pair.Busy());
  // With no chamber measuring the display follows the device, as before.
  pair.Take();
  pair.Delivered();
  station_.m_run[0].m_running = 0;
  EXPECT_TRUE(configuration_.FollowDeviceUnit(station_, display_).applied);
  EXPECT_EQ(station_.m_units.Unit(), kUnitMbar);
  EXPECT_EQ(pair.InForce(), std::make_pair(1, 1));
}

// The settings' unit decides the pair the greeting gives the device at start,
// so a device that was left in another unit (or switched off) is not followed.
TEST(StationSettings, TheStoredUnitsPairIsInForceAtStartAndAnIntervalOutOfRangeKeepsTheDefault) {
  for (int32_t interval : {0, -8, 100, 100000}) {
    Station station;
    DisplaySettings display;
    Settings settings;
    settings.m_unit = kUnitMgl;
    settings.m_sampleInterval = interval;
    ApplySettings(settings, station, display);
    EffectiveFactorsAtStart(station, display);
    EXPECT_EQ(station.m_settings.m_sampleInterval.load(), 5) << interval;
    EXPECT_EQ(station.m_link.commands.m_pairCommand.InForce(), std::make_pair(823, 21000));
  }
  Station station;
  DisplaySettings display;
  Settings settings;
  settings.m_sampleInterval = 99;
  ApplySettings(settings, station, display);
  EffectiveFactorsAtStart(station, display);
  EXPECT_EQ(station.m_settings.m_sampleInterval.load(), 99);
  EXPECT_EQ(station.m_link.commands.m_pairCommand.InForce(), std::make_pair(1, 1));
}

}  // namespace
}  // namespace corvala
