#include "files/port_map_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "test_support/temp_folder.h"
#include "util/file_io.h"
#include "util/file_names.h"

namespace corvala {
namespace {

TEST(PortMapFile, ReadsTheChoicesItWritesAndPassesOverAnythingElseOrMissing) {
  const std::map<int, std::string> chosen = {
      {1, "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0"}, {9, "/dev/ttyACM0"}};
  const std::string text = FormatPortMap(chosen);
  EXPECT_EQ(text,
            "COM1=/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0\r\n"
            "COM9=/dev/ttyACM0\r\n");
  EXPECT_EQ(ParsePortMap(text), chosen);
  // LF line ends, a missing last line end, and lines that are no choice.
  const auto parsed = ParsePortMap(
      "COM0=/dev/a\nCOM10=/dev/b\nCOM2=\ncom3=/dev/c\nCOM4 = /dev/d\nnonsense\nCOM5=/dev/e\tx\n"
      "COM6=/dev/ttyUSB6");
  ASSERT_EQ(parsed.size(), 1u);
  EXPECT_EQ(parsed.at(6), "/dev/ttyUSB6");

  // A missing file holds no choices, and a folder cannot be read.
  const testing::TempFolder folder;
  const auto missing = ReadPortMap(folder / "Ports.ini");
  ASSERT_TRUE(missing.Ok());
  EXPECT_TRUE(missing->empty());
  EXPECT_FALSE(ReadPortMap(folder.Path().string()).Ok());
  ASSERT_TRUE(WritePortMap(folder / "Ports.ini", {{3, "/dev/ttyUSB1"}}).Ok());
  EXPECT_EQ(ReadPortMap(folder / "Ports.ini")->at(3), "/dev/ttyUSB1");
}

// Declined adapters are kept after the choices; a reader of choices alone
// passes their lines over, and paths keep their bytes.
TEST(PortMapFile, DeclinedAdaptersAndOddBytesSurviveAndOlderReadersPassThemOver) {
  const std::string odd = "/dev/serial/by-id/usb-\xff\xfe-port0";
  const std::map<int, std::string> chosen = {{2, odd}};
  const std::set<std::string> declined = {"/dev/serial/by-id/usb-A", odd};
  const std::string text = FormatPortMap(chosen, declined);
  EXPECT_EQ(text,
            "COM2=" + odd + "\r\nDeclined=/dev/serial/by-id/usb-A\r\nDeclined=" + odd + "\r\n");
  EXPECT_EQ(ParsePortMap(text), chosen);
  EXPECT_EQ(ParseDeclinedAdapters(text), declined);
  EXPECT_TRUE(ParseDeclinedAdapters("declined=/dev/a\nDeclined=\nDeclined=/dev/b\tc\n").empty());

  const testing::TempFolder folder;
  ASSERT_TRUE(WritePortMap(folder / "Ports.ini", chosen, declined).Ok());
  EXPECT_EQ(ReadPortMap(folder / "Ports.ini")->at(2), odd);
  EXPECT_EQ(*ReadDeclinedAdapters(folder / "Ports.ini"), declined);
  EXPECT_TRUE(ReadDeclinedAdapters(folder / "missing.ini")->empty());
}

// The data folder may be named beyond ASCII (a user's name in it).
TEST(PortMapFile, IsReadFromAFolderNamedBeyondAscii) {
  const testing::TempFolder temp;
  const std::string folder = JoinPath(Utf8FromPath(temp.Path()), "Daten Jürgen");
  ASSERT_TRUE(std::filesystem::create_directory(PathFromUtf8(folder)));
  const std::string path = JoinPath(folder, "Ports.ini");
  ASSERT_TRUE(WritePortMap(path, {{3, "COM7"}}, {"COM8"}).Ok());
  const auto chosen = ReadPortMap(path);
  ASSERT_TRUE(chosen.Ok());
  EXPECT_EQ(*chosen, (std::map<int, std::string>{{3, "COM7"}}));
  EXPECT_EQ(*ReadDeclinedAdapters(path), std::set<std::string>{"COM8"});
}

}  // namespace
}  // namespace corvala
