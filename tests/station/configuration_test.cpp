#include "station/configuration.h"

#include <gtest/gtest.h>

namespace corvala {
namespace {

class ConfigurationTest : public ::testing::Test {
 protected:
  void SetUp() override { configuration_.Start(display_); }
  ConfirmOutcome Confirm() { return configuration_.Confirm(entries_, station_, display_); }

  Station station_;
  DisplaySettings display_;
  ConfigurationEntries entries_;
  StationConfiguration configuration_;
};

TEST_F(ConfigurationTest, FirstConfirmationSendsTheSetPointAndTheUnitsPairOnce) {
  const ConfirmOutcome outcome = Confirm();
  CommandMailboxes& commands = station_.m_link.commands;
  EXPECT_EQ(commands.m_temperatureCommand, 25);
  EXPECT_EQ(commands.m_beepCommand, kBeepIdle);
  EXPECT_EQ(commands.m_calibrationChanged, 0);
  EXPECT_FALSE(outcome.restartLink);
  EXPECT_EQ(outcome.serviceCode, 0);
  EXPECT_EQ(commands.m_pairCommand.Take(), std::make_pair(1, 1));
  commands.m_temperatureCommand = kTemperatureIdle;
  const ConfirmOutcome again = Confirm();
  EXPECT_EQ(commands.m_temperatureCommand, kTemperatureIdle);  // unchanged set point
  EXPECT_FALSE(again.unitSwitched);
  EXPECT_FALSE(commands.m_pairCommand.Take().has_value());
}

TEST_F(ConfigurationTest, PortUnitCalibrationAndSignal) {
  entries_.comPortIndex = 2;
  entries_.unitIndex = 1;
  entries_.calibrationText = "250";
  entries_.signal = true;
  entries_.comma = false;
  const ConfirmOutcome outcome = Confirm();
  CommandMailboxes& commands = station_.m_link.commands;
  EXPECT_TRUE(outcome.restartLink);
  EXPECT_TRUE(outcome.unitSwitched);
  EXPECT_EQ(display_.comPort, 3);
  EXPECT_EQ(station_.m_units.Unit(), 2);
  EXPECT_EQ(commands.m_pairCommand.Peek(), std::make_pair(823, 21000));
  EXPECT_EQ(commands.m_calibrationValue, 250);
  EXPECT_EQ(commands.m_calibrationChanged, 1);
  EXPECT_EQ(commands.m_beepCommand, 1);
  EXPECT_EQ(display_.comma, 0);
  EXPECT_FLOAT_EQ(station_.m_units.Get().effFactor1, 210.0f);
  EXPECT_FLOAT_EQ(station_.m_units.Get().effFactor2, 8.23f);
}

TEST_F(ConfigurationTest, AComboBoxWithoutSelectionKeepsItsValue) {
  entries_.comPortIndex = -1;
  entries_.unitIndex = -1;
  display_.comPort = 7;
  Confirm();
  EXPECT_EQ(display_.comPort, 7);
  EXPECT_EQ(station_.m_units.Unit(), 1);
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

TEST_F(ConfigurationTest, TheDeviceUnitIsFollowedWithTheEnteredFactors) {
  const UnitSwitch change = configuration_.FollowDeviceUnit(station_, display_);
  EXPECT_TRUE(change.applied);
  EXPECT_EQ(station_.m_units.Unit(), 2);
  EXPECT_FALSE(change.pairToSend.has_value());  // the device switched itself
}

}  // namespace
}  // namespace corvala
