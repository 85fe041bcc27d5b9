// The window and the serial adapters: the device indicator says which port and
// path the link uses and why it is not connected, the only USB adapter is
// offered for a port without a device, and the adapter chosen in the
// configuration view survives a restart.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QLabel>

#include <chrono>
#include <thread>

#include "app/control_ids.h"
#include "app/control_table.h"
#include "app/icons.h"
#include "app/measure_dlg.h"
#include "app/window_probe.h"
#include "devsim/device_simulator.h"
#include "test_support/temp_folder.h"
#include "test_support/window_app.h"
#include "util/file_io.h"

namespace corvala {
namespace {

class WindowPortsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::WindowTestApp();
    devsim::DeviceSimulator::Options options;
    options.periodMs = 50;
    device_ = std::make_unique<devsim::DeviceSimulator>(options);
    std::string error;
    ASSERT_TRUE(device_->Start(error)) << error;
  }
  void TearDown() override { device_->Stop(); }

  std::unique_ptr<CMeasureDlg> Open(PortNames ports, std::vector<SerialAdapter> adapters) {
    StationOptions options;
    options.dataFolder = folder_.Path().string();
    options.ports = std::move(ports);
    options.listAdapters = [adapters] { return adapters; };
    auto dlg = std::make_unique<CMeasureDlg>(options, &prompts_);
    dlg->show();
    return dlg;
  }
  std::string StatusLine(CMeasureDlg& dlg) {
    return static_cast<QLabel*>(dlg.Control(ctl::kLinkStatus))->text().toStdString();
  }
  std::string Tooltip(CMeasureDlg& dlg) {
    return dlg.Control(ctl::kDeviceConnection)->toolTip().toStdString();
  }
  // Waits up to 5 s for the indicator to say `part`.
  bool Says(CMeasureDlg& dlg, const std::string& part) {
    return testing::RunUntil([&] { return Tooltip(dlg).find(part) != std::string::npos; },
                             std::chrono::seconds(5));
  }
  std::string Stored(const std::string& name) {
    const Expected<std::string> bytes = ReadWholeFile(folder_ / name);
    EXPECT_TRUE(bytes.Ok()) << name;
    return bytes ? *bytes : std::string();
  }
  void Close(std::unique_ptr<CMeasureDlg>& dlg) {
    prompts_.answers.clear();
    dlg->close();
    dlg.reset();
  }
  SerialAdapter Adapter() const {
    return SerialAdapter{device_->Path(), device_->Path(), "Simulated USB UART", true};
  }

  testing::TempFolder folder_;
  ScriptedPrompts prompts_;
  std::unique_ptr<devsim::DeviceSimulator> device_;
};

TEST_F(WindowPortsTest, TheIndicatorNamesThePortItsPathAndWhyItIsNotConnected) {
  PortNames ports;
  const std::string missing = folder_ / "no-such-adapter";
  ports.SetOverride(1, missing);
  auto dlg = Open(ports, {});
  ASSERT_TRUE(Says(*dlg, "no such device"));
  EXPECT_EQ(Tooltip(*dlg), "COM1 (" + missing + "): no such device");
  EXPECT_EQ(dlg->Control(ctl::kDeviceConnection)->accessibleDescription().toStdString(),
            Tooltip(*dlg));
  // The status line says it too, with the next step, without the pointer on the indicator.
  EXPECT_EQ(StatusLine(*dlg), "COM1 (" + missing +
                                  "): no such device. Choose the adapter under Configuration > "
                                  "Adapter.");
  EXPECT_EQ(dlg->accessibleName().toStdString(), "Corvala3");
  // A run started without a device waits for it, and says so.
  static_cast<QAbstractButton*>(dlg->Control(ctl::kChamberSelect1))->click();
  static_cast<QAbstractButton*>(dlg->Control(ctl::kStart))->click();
  EXPECT_TRUE(testing::RunUntil(
      [&] { return StatusLine(*dlg).ends_with(" The run waits for the device."); },
      std::chrono::seconds(2)))
      << StatusLine(*dlg);
  Close(dlg);
}

TEST_F(WindowPortsTest, TheSimulatorIsNamedInTheTitleTheIndicatorTheStatusLineAndTheChart) {
  PortNames ports;
  ports.SetSimulated(1, device_->Path());
  auto dlg = Open(ports, {});
  ASSERT_TRUE(Says(*dlg, "simulated device"));
  EXPECT_EQ(Tooltip(*dlg), "COM1 (" + device_->Path() + "): simulated device");
  EXPECT_EQ(dlg->accessibleName().toStdString(),
            "Corvala3 - simulated device, values not measured");
  EXPECT_EQ(dlg->windowTitle(), dlg->accessibleName());
  EXPECT_TRUE(StatusLine(*dlg).starts_with("COM1 (" + device_->Path() +
                                           "): simulated device - the values are not measured."))
      << StatusLine(*dlg);
  // The indicator shows the link alive with the first frames, not a whole
  // check period (12.5 s at 5 s intervals) after them.
  EXPECT_TRUE(
      testing::RunUntil([&] { return dlg->PictureOf(ctl::kDeviceConnection) == kPictureLinkAlive; },
                        std::chrono::seconds(4)));
  // The chart carries the mark in red at the top of its plot.
  const QImage shot = dlg->grab().toImage();
  const ChartArea area = LayoutChart(dlg->width(), dlg->height());
  int red = 0;
  for (int y = area.top; y < area.top + 60; ++y)
    for (int x = area.left; x < area.right; ++x) red += shot.pixelColor(x, y) == QColor(200, 0, 0);
  EXPECT_GT(red, 50);
  Close(dlg);
}

TEST_F(WindowPortsTest, TheStatusLineLiesOnNoOtherControlInAnyView) {
  PortNames ports;
  ports.SetOverride(1, folder_ / "no-such-adapter");
  auto dlg = Open(ports, {});
  const QWidget* line = dlg->Control(ctl::kLinkStatus);
  for (int view : {ctl::kMeasurementView, ctl::kAnalysisView, ctl::kConfigurationView}) {
    static_cast<QAbstractButton*>(dlg->Control(view))->click();
    ASSERT_TRUE(line->isVisible()) << view;
    for (const ControlSpec& control : AllControls()) {
      const QWidget* other = dlg->Control(control.id);
      if (other == line || !other->isVisible()) continue;
      EXPECT_FALSE(other->geometry().intersects(line->geometry()))
          << "control " << control.id << " in view " << view;
    }
    // The chart, which the window draws itself, starts below it.
    if (view == ctl::kMeasurementView) EXPECT_LE(line->geometry().bottom(), dlg->height() / 12);
  }
  Close(dlg);
}

TEST_F(WindowPortsTest, TheOnlyUsbAdapterIsOfferedForAPortWithoutADeviceAndRemembered) {
  // Declined: remembered for that adapter, and not asked again at the next start.
  PortNames ports;
  ports.SetChosen(1, folder_ / "unplugged");
  prompts_.answers = {false};
  auto dlg = Open(ports, {Adapter()});
  EXPECT_EQ(prompts_.asked.size(), 1u);
  EXPECT_EQ(Stored("Ports.ini"),
            "COM1=" + (folder_ / "unplugged") + "\r\nDeclined=" + device_->Path() + "\r\n");
  Close(dlg);
  prompts_.asked.clear();
  dlg = Open(ports, {Adapter()});
  EXPECT_TRUE(prompts_.asked.empty());
  Close(dlg);
  // Another adapter, the only one now, is offered.
  prompts_.answers = {false};
  SerialAdapter other = Adapter();
  other.path = "/dev/serial/by-id/usb-other";
  dlg = Open(ports, {other});
  EXPECT_EQ(prompts_.asked.size(), 1u);
  Close(dlg);
  // Two USB adapters: no offer.
  prompts_.asked.clear();
  SerialAdapter second = Adapter();
  second.path = "/dev/serial/by-id/usb-second";
  dlg = Open(ports, {Adapter(), second});
  EXPECT_TRUE(prompts_.asked.empty());
  Close(dlg);

  // COM1 stands for an adapter that is gone; the simulator is the only USB adapter.
  ASSERT_TRUE(
      WriteFileAtomically(folder_ / "Ports.ini", "COM1=" + (folder_ / "unplugged") + "\r\n").Ok());
  prompts_.answers = {true};
  dlg = Open(PortNames{}, {Adapter()});
  ASSERT_EQ(prompts_.asked.size(), 1u);
  EXPECT_NE(prompts_.asked[0].find("COM1 (" + (folder_ / "unplugged") + ") has no device"),
            std::string::npos);
  ASSERT_TRUE(Says(*dlg, "connected"));
  EXPECT_EQ(Stored("Ports.ini"), "COM1=" + device_->Path() + "\r\n");
  Close(dlg);
  // The next start uses it without asking.
  prompts_.asked.clear();
  dlg = Open(PortNames{}, {Adapter()});
  EXPECT_TRUE(prompts_.asked.empty());
  ASSERT_TRUE(Says(*dlg, "connected"));
  Close(dlg);
}

TEST_F(WindowPortsTest, TheAdapterChosenInTheConfigurationIsUsedAndSurvivesARestart) {
  PortNames ports;
  ports.SetChosen(2, folder_ / "elsewhere");  // another port's choice stays as it is
  prompts_.answers = {false};                 // no offer taken for COM1
  auto dlg = Open(ports, {Adapter()});
  static_cast<QAbstractButton*>(dlg->Control(ctl::kConfigurationView))->click();
  auto* adapters = static_cast<QComboBox*>(dlg->Control(ctl::kAdapter));
  ASSERT_EQ(adapters->count(), 2);  // the port's own name and the simulator
  EXPECT_EQ(adapters->itemText(0).toStdString(), "standard - /dev/ttyS0");
  adapters->setCurrentIndex(1);
  static_cast<QAbstractButton*>(dlg->Control(ctl::kMeasurementView))->click();
  // The link on the port's own path may still report before it is replaced.
  const std::string connected = "COM1 (" + device_->Path() + "): connected";
  testing::RunUntil([&] { return Tooltip(*dlg) == connected; }, std::chrono::seconds(5));
  EXPECT_EQ(Tooltip(*dlg), connected);
  Close(dlg);
  EXPECT_EQ(Stored("Ports.ini"),
            "COM1=" + device_->Path() + "\r\nCOM2=" + (folder_ / "elsewhere") + "\r\n");
  // Corvala.ini keeps its own bytes for the port.
  EXPECT_NE(Stored("Corvala.ini").find("\r\nCOM=1\r\n"), std::string::npos);
}

// The chosen path is shown with its own state, also when the system's list
// does not hold it (a hand-written path, an alias).
TEST_F(WindowPortsTest, TheAdapterBoxShowsTheChosenPathsOwnState) {
  PortNames ports;
  ports.SetChosen(1, device_->Path());
  ports.SetChosen(2, folder_ / "unplugged");
  auto dlg = Open(ports, {});
  ASSERT_TRUE(Says(*dlg, "): connected"));
  static_cast<QAbstractButton*>(dlg->Control(ctl::kConfigurationView))->click();
  auto* adapters = static_cast<QComboBox*>(dlg->Control(ctl::kAdapter));
  EXPECT_EQ(adapters->currentText().toStdString(), "connected - " + device_->Path());
  auto* portList = static_cast<QComboBox*>(dlg->Control(ctl::kPort));
  portList->setCurrentIndex(1);
  EXPECT_EQ(adapters->currentText().toStdString(), "missing - " + (folder_ / "unplugged"));
  Close(dlg);
}

TEST_F(WindowPortsTest, TheAdapterBoxTooltipFollowsTheChoice) {
  PortNames ports;
  ports.SetOverride(2, device_->Path());
  auto dlg = Open(ports, {Adapter()});
  static_cast<QAbstractButton*>(dlg->Control(ctl::kConfigurationView))->click();
  auto* adapters = static_cast<QComboBox*>(dlg->Control(ctl::kAdapter));
  auto* portList = static_cast<QComboBox*>(dlg->Control(ctl::kPort));
  EXPECT_EQ(adapters->toolTip().toStdString(), "/dev/ttyS0");
  adapters->setCurrentIndex(1);  // the simulator, not yet confirmed
  EXPECT_EQ(adapters->toolTip().toStdString(), device_->Path());
  portList->setCurrentIndex(1);  // COM2, mapped by "--port" for this session
  EXPECT_EQ(adapters->toolTip().toStdString(), device_->Path());
  portList->setCurrentIndex(2);
  EXPECT_EQ(adapters->toolTip().toStdString(), "/dev/ttyS2");
  Close(dlg);
}

// A path that is not UTF-8 keeps its bytes through the configuration view:
// leaving the view neither rewrites Ports.ini nor moves the link elsewhere.
TEST_F(WindowPortsTest, AChosenPathThatIsNotUtf8KeepsItsBytes) {
  const std::string odd = folder_ / "adapter-\xff\xfe";
  const std::string stored = "COM1=" + odd + "\r\n";
  ASSERT_TRUE(WriteFileAtomically(folder_ / "Ports.ini", stored).Ok());
  auto dlg = Open(PortNames{}, {});
  ASSERT_TRUE(Says(*dlg, "no such device"));
  static_cast<QAbstractButton*>(dlg->Control(ctl::kConfigurationView))->click();
  static_cast<QAbstractButton*>(dlg->Control(ctl::kMeasurementView))->click();
  EXPECT_EQ(Stored("Ports.ini"), stored);
  Close(dlg);
  EXPECT_EQ(Stored("Ports.ini"), stored);
}

}  // namespace
}  // namespace corvala
