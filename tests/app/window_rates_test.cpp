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

class WindowRatesTest : public ::testing::Test {
 protected:
  void SetUp() override { testing::WindowTestApp(); }

  std::unique_ptr<CMeasureDlg> Open() {
    auto dlg = std::make_unique<CMeasureDlg>(testing::WindowAloneIn(folder_.Path()), &prompts_);
    dlg->show();
    return dlg;
  }
  std::string Stored(const std::string& name) {
    const Expected<std::string> bytes = ReadWholeFile(folder_ / name);
    return bytes ? *bytes : std::string();
  }
  static void Click(CMeasureDlg& dlg, int id) {
    static_cast<QAbstractButton*>(dlg.Control(id))->click();
  }
  static QLineEdit* Edit(CMeasureDlg& dlg, int id) {
    return static_cast<QLineEdit*>(dlg.Control(id));
  }
  static QComboBox* Combo(CMeasureDlg& dlg, int id) {
    return static_cast<QComboBox*>(dlg.Control(id));
  }

  testing::TempFolder folder_;
  ScriptedPrompts prompts_;
};

TEST_F(WindowRatesTest, TheFieldsShowTheFileAndLeavingTheViewKeepsWhatWasTyped) {
  std::ofstream(folder_ / "Rates.ini", std::ios::binary)
      << "Blank=3\r\nVolume1=2.5\r\nAmountUnit2=\xC2\xB5g Chl\r\nWindow=40\r\n";
  auto dlg = Open();
  Click(*dlg, ctl::kConfigurationView);
  EXPECT_EQ(Combo(*dlg, ctl::kBlankChamber)->currentText().toStdString(), "III");
  EXPECT_EQ(Edit(*dlg, ctl::kVolume1)->text().toStdString(), "2.5");
  EXPECT_EQ(Edit(*dlg, ctl::kAmountUnit2)->text().toStdString(), "\xC2\xB5g Chl");
  EXPECT_EQ(Edit(*dlg, ctl::kRateWindow)->text().toStdString(), "40");
  EXPECT_TRUE(Edit(*dlg, ctl::kVolume2)->isVisible());

  Combo(*dlg, ctl::kBlankChamber)->setCurrentIndex(0);
  Edit(*dlg, ctl::kVolume2)->setText("1.75");
  Edit(*dlg, ctl::kAmount2)->setText("0.3");
  Edit(*dlg, ctl::kRateWindow)->setText("");
  Click(*dlg, ctl::kAnalysisView);
  EXPECT_TRUE(prompts_.asked.empty());
  EXPECT_EQ(Stored("Rates.ini"),
            "Blank=0\r\nVolume1=2.5\r\nAmount1=\r\nAmountUnit1=\r\n"
            "Volume2=1.75\r\nAmount2=0.3\r\nAmountUnit2=\xC2\xB5g Chl\r\n"
            "Volume3=\r\nAmount3=\r\nAmountUnit3=\r\nWindow=0\r\n");
  dlg->close();
  dlg.reset();

  // The next start shows them again.
  dlg = Open();
  EXPECT_EQ(Combo(*dlg, ctl::kBlankChamber)->currentIndex(), 0);
  EXPECT_EQ(Edit(*dlg, ctl::kVolume2)->text().toStdString(), "1.75");
  EXPECT_EQ(Edit(*dlg, ctl::kRateWindow)->text().toStdString(), "");
}

// A rate field typed wrong is named, shows its value in force again and
// changes nothing else: the other rate fields and the device's configuration
// typed with it are taken, and "Corvala.ini" keeps its own bytes.
TEST_F(WindowRatesTest, AFieldTypedWrongIsRefusedAloneAndCorvalaIniKeepsItsBytes) {
  auto dlg = Open();
  dlg->close();
  dlg.reset();
  const std::string settingsBefore = Stored("Corvala.ini");
  ASSERT_FALSE(settingsBefore.empty());

  dlg = Open();
  WindowProbe probe(*dlg);
  Click(*dlg, ctl::kConfigurationView);
  Edit(*dlg, ctl::kVolume1)->setText("3");
  Edit(*dlg, ctl::kAmount1)->setText("1,5");  // a comma is not taken
  Edit(*dlg, ctl::kAmountUnit1)->setText("g FW");
  Edit(*dlg, ctl::kRateWindow)->setText("2");  // below three samples
  Edit(*dlg, ctl::kFactor2)->setText("9.00");
  Click(*dlg, ctl::kMeasurementView);
  ASSERT_EQ(prompts_.asked.size(), 2u);
  EXPECT_EQ(prompts_.asked[0].rfind("Amount of chamber I \"1,5\" is not taken", 0), 0u);
  EXPECT_EQ(prompts_.asked[1].rfind("Window W \"2\" is not taken", 0), 0u);
  EXPECT_EQ(Edit(*dlg, ctl::kAmount1)->text().toStdString(), "");
  EXPECT_EQ(Edit(*dlg, ctl::kRateWindow)->text().toStdString(), "");
  EXPECT_EQ(probe.settings().factors.factor2, 9.0f);
  const std::string rates = Stored("Rates.ini");
  EXPECT_NE(rates.find("Volume1=3\r\nAmount1=\r\nAmountUnit1=g FW\r\n"), std::string::npos);
  EXPECT_NE(rates.find("Window=0\r\n"), std::string::npos);

  // Leaving the view again with nothing typed asks nothing.
  prompts_.asked.clear();
  Click(*dlg, ctl::kConfigurationView);
  Click(*dlg, ctl::kMeasurementView);
  EXPECT_TRUE(prompts_.asked.empty());
  Click(*dlg, ctl::kConfigurationView);
  Edit(*dlg, ctl::kFactor2)->setText("8.23");
  Click(*dlg, ctl::kMeasurementView);
  dlg->close();
  dlg.reset();
  EXPECT_EQ(Stored("Corvala.ini"), settingsBefore);
}

}  // namespace
}  // namespace corvala
