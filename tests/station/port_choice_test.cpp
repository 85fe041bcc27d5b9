#include "station/port_choice.h"

#include <gtest/gtest.h>

namespace corvala {
namespace {

const SerialAdapter kUsb{"/dev/serial/by-id/usb-FTDI-port0", "/dev/ttyUSB0", "FT232R USB UART",
                         true};
const SerialAdapter kBuiltIn{"/dev/ttyS0", "/dev/ttyS0", "", false};

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

TEST(PortChoice, EntriesKeepAnUnpluggedChoiceVisible) {
  PortNames ports;
  size_t selected = 99;
  auto entries = AdapterEntries({kBuiltIn, kUsb}, ports, 1, selected);
  ASSERT_EQ(entries.size(), 2u);  // the port's own name is not listed twice
  EXPECT_EQ(entries[1], (AdapterEntry{"FT232R USB UART - usb-FTDI-port0", kUsb.path}));
  EXPECT_EQ(selected, 0u);
  ports.SetChosen(1, kUsb.path);
  entries = AdapterEntries({}, ports, 1, selected);  // unplugged
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[1], (AdapterEntry{"not connected - " + kUsb.path, kUsb.path}));
  EXPECT_EQ(selected, 1u);
}

TEST(PortChoice, StatusTextsSayWhatToDo) {
  EXPECT_EQ(PortStatusText({2, "/dev/ttyUSB0", PortState::kPermissionDenied, ""}),
            "COM2 (/dev/ttyUSB0): permission denied: the user must be in the dialout group");
  EXPECT_EQ(PortStatusText({3, "/dev/ttyUSB0", PortState::kBusy, ""}),
            "COM3 (/dev/ttyUSB0): busy: another program holds it");
}

}  // namespace
}  // namespace corvala
