#include "station/port_choice.h"

#include <gtest/gtest.h>

#include "test_support/temp_folder.h"
#include "util/file_io.h"

namespace corvala {
namespace {

const SerialAdapter kUsb{"/dev/serial/by-id/usb-FTDI-port0", "/dev/ttyUSB0", "FT232R USB UART",
                         true};
#ifdef _WIN32
const SerialAdapter kBuiltIn{"COM1", "COM1", "", false};
#else
const SerialAdapter kBuiltIn{"/dev/ttyS0", "/dev/ttyS0", "", false};
#endif

bool Nothing(const std::string&) {
  return false;
}

// The offer itself, declined or with two adapters, is driven through the window
// in tests/app; here the cases that must not offer and the question's text.
TEST(PortChoice, NoOfferForAPortWithADeviceAMappedPortOrNoUsbAdapter) {
  PortNames ports;
  EXPECT_EQ(AdapterToOffer(ports, 1, {kBuiltIn, kUsb}, Nothing), kUsb);
  EXPECT_FALSE(AdapterToOffer(ports, 1, {kUsb}, [](const std::string&) { return true; }));
  EXPECT_FALSE(AdapterToOffer(ports, 1, {kBuiltIn}, Nothing));
  ports.SetOverride(1, "/dev/pts/4");
  EXPECT_FALSE(AdapterToOffer(ports, 1, {kUsb}, Nothing));
  EXPECT_EQ(OfferQuestion(2, "/dev/ttyS1", kUsb),
            "COM2 (/dev/ttyS1) has no device behind it. Use the USB serial adapter FT232R USB "
            "UART - usb-FTDI-port0 (/dev/serial/by-id/usb-FTDI-port0) for COM2?");
}

PathState Missing(const std::string&) {
  return PathState::kMissing;
}

TEST(PortChoice, EntriesKeepAnUnpluggedChoiceVisible) {
  PortNames ports;
  size_t selected = 99;
  auto entries = AdapterEntries({kBuiltIn, kUsb}, ports, 1, selected, Missing);
  ASSERT_EQ(entries.size(), 2u);  // the port's own name is not listed twice
  EXPECT_EQ(entries[1], (AdapterEntry{"FT232R USB UART - usb-FTDI-port0", kUsb.path}));
  EXPECT_EQ(selected, 0u);
  ports.SetChosen(1, kUsb.path);
  entries = AdapterEntries({}, ports, 1, selected, Missing);  // unplugged
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[1], (AdapterEntry{"missing - " + kUsb.path, kUsb.path}));
  EXPECT_EQ(selected, 1u);
}

// A path the system's list does not hold (typed by hand, a udev alias) has
// its own state.
TEST(PortChoice, AnUnlistedChoiceShowsItsOwnState) {
  PortNames ports;
  ports.SetChosen(1, "/dev/my-respirometer");
  size_t selected = 0;
  const auto present = AdapterEntries({kUsb}, ports, 1, selected,
                                      [](const std::string&) { return PathState::kPresent; });
  ASSERT_EQ(present.size(), 3u);
  EXPECT_EQ(present[2].text, "present - /dev/my-respirometer");
  EXPECT_EQ(selected, 2u);
  const auto connected = AdapterEntries({kUsb}, ports, 1, selected, [](const std::string& path) {
    return path == "/dev/my-respirometer" ? PathState::kConnected : PathState::kMissing;
  });
  EXPECT_EQ(connected[2].text, "connected - /dev/my-respirometer");
}

// A declined adapter is not offered again, and storing a choice keeps what
// was declined.
TEST(PortChoice, ADeclinedAdapterIsNotOfferedAgainAndChoicesKeepTheDeclined) {
  PortNames ports;
  EXPECT_FALSE(AdapterToOffer(ports, 1, {kUsb}, Nothing, {kUsb.path}));
  EXPECT_EQ(AdapterToOffer(ports, 1, {kUsb}, Nothing, {"/dev/serial/by-id/usb-other"}), kUsb);

  const testing::TempFolder folder;
  const std::string file = folder / "Ports.ini";
  ASSERT_TRUE(StoreDeclinedAdapter(file, ports, kUsb.path).Ok());
  ASSERT_TRUE(StoreChosenAdapter(file, ports, 3, "/dev/ttyACM0").Ok());
  const Expected<std::string> stored = ReadWholeFile(file);
  ASSERT_TRUE(stored.Ok());
  EXPECT_EQ(*stored, "COM3=/dev/ttyACM0\r\nDeclined=" + kUsb.path + "\r\n");
}

TEST(PortChoice, StatusTextsSayWhatToDo) {
  EXPECT_EQ(PortStatusText({2, "/dev/ttyUSB0", PortState::kPermissionDenied,
                            PermissionReason({"root", "dialout", 0660})}),
            "COM2 (/dev/ttyUSB0): permission denied: owner root, group dialout, mode 660: the "
            "user must be in the dialout group");
  EXPECT_EQ(PortStatusText({3, "/dev/ttyUSB0", PortState::kBusy, ""}),
            "COM3 (/dev/ttyUSB0): busy: another program holds it");
}

}  // namespace
}  // namespace corvala
