// The rate settings in the configuration view: read from "Rates.ini" at
// start, taken when the view is left, a field typed wrong refused alone.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>

#include <fstream>

#include "app/control_ids.h"
#include "app/measure_dlg.h"
#include "app/window_probe.h"
#include "test_support/temp_folder.h"
#include "test_support/window_app.h"
#include "util/file_io.h"

namespace corvala {
namespace {

TEST(WindowRates, TheFileIsShownTypedFieldsAreKeptAndAWrongOneChangesNothingElse) {
  testing::WindowTestApp();
  const testing::TempFolder folder;
  ScriptedPrompts prompts;
  auto open = [&] {
    auto dlg = std::make_unique<CMeasureDlg>(testing::WindowAloneIn(folder.Path()), &prompts);
    dlg->show();
    return dlg;
  };
  auto stored = [&](const char* name) { return ReadWholeFile(folder / name).Value(); };
  auto click = [](CMeasureDlg& dlg, int id) {
    static_cast<QAbstractButton*>(dlg.Control(id))->click();
  };
  auto edit = [](CMeasureDlg& dlg, int id) { return static_cast<QLineEdit*>(dlg.Control(id)); };
  auto blank = [](CMeasureDlg& dlg) {
    return static_cast<QComboBox*>(dlg.Control(ctl::kBlankChamber));
  };

  std::ofstream(folder / "Rates.ini", std::ios::binary)
      << "Blank=3\r\nVolume1=2.5\r\nAmountUnit2=\xC2\xB5g Chl\r\nWindow=40\r\n";
  auto dlg = open();
  dlg->close();  // Corvala.ini as a session without rate changes leaves it
  dlg.reset();
  dlg = open();
  const std::string settingsBefore = stored("Corvala.ini");
  WindowProbe probe(*dlg);
  click(*dlg, ctl::kConfigurationView);
  EXPECT_EQ(blank(*dlg)->currentText().toStdString(), "III");
  EXPECT_EQ(edit(*dlg, ctl::kAmountUnit2)->text().toStdString(), "\xC2\xB5g Chl");
  EXPECT_EQ(edit(*dlg, ctl::kRateWindow)->text().toStdString(), "40");

  blank(*dlg)->setCurrentIndex(0);
  edit(*dlg, ctl::kVolume2)->setText("1.75");
  edit(*dlg, ctl::kAmount2)->setText("1,5");  // a comma is not taken
  edit(*dlg, ctl::kRateWindow)->setText("");
  edit(*dlg, ctl::kFactor2)->setText("9.00");
  click(*dlg, ctl::kMeasurementView);
  ASSERT_EQ(prompts.asked.size(), 1u);
  EXPECT_EQ(prompts.asked[0].rfind("Amount of chamber II \"1,5\" is not taken", 0), 0u);
  EXPECT_EQ(edit(*dlg, ctl::kAmount2)->text().toStdString(), "");
  EXPECT_EQ(probe.settings().factors.factor2, 9.0f);
  EXPECT_EQ(stored("Rates.ini"),
            "Blank=0\r\nVolume1=2.5\r\nAmount1=\r\nAmountUnit1=\r\n"
            "Volume2=1.75\r\nAmount2=\r\nAmountUnit2=\xC2\xB5g Chl\r\n"
            "Volume3=\r\nAmount3=\r\nAmountUnit3=\r\nWindow=0\r\n");

  // Corvala.ini keeps its bytes; the next start shows the rates kept.
  click(*dlg, ctl::kConfigurationView);
  edit(*dlg, ctl::kFactor2)->setText("8.23");
  click(*dlg, ctl::kMeasurementView);
  dlg->close();
  dlg.reset();
  EXPECT_EQ(stored("Corvala.ini"), settingsBefore);
  dlg = open();
  EXPECT_EQ(edit(*dlg, ctl::kVolume2)->text().toStdString(), "1.75");
  EXPECT_EQ(prompts.asked.size(), 1u);
}

}  // namespace
}  // namespace corvala
