#include "util/file_io.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "test_support/temp_folder.h"

namespace corvala {
namespace {

TEST(FileIo, AtomicWriteReplacesTheWholeFileAndLeavesNoTemporaryFile) {
  const testing::TempFolder folder;
  const std::string path = folder / "file.txt";
  ASSERT_TRUE(WriteFileAtomically(path, "first version, longer\r\n").Ok());
  ASSERT_TRUE(WriteFileAtomically(path, "second\r\n").Ok());
  const Expected<std::string> bytes = ReadWholeFile(path);
  ASSERT_TRUE(bytes.Ok()) << bytes.Message();
  EXPECT_EQ(*bytes, "second\r\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 1);
}

TEST(FileIo, FailuresNameTheFileAndTheReason) {
  const testing::TempFolder folder;
  const std::string missing = folder / "missing/x.txt";
  const Result written = WriteFileAtomically(missing, "x");
  EXPECT_FALSE(written.Ok());
  EXPECT_EQ(written.Message(),
            "The file " + missing + " could not be written: No such file or directory.");
  EXPECT_FALSE(std::filesystem::exists(folder / "missing"));

  const Expected<std::string> absent = ReadWholeFile(missing);
  EXPECT_FALSE(absent.Ok());
  EXPECT_EQ(absent.Message(),
            "The file " + missing + " could not be read: No such file or directory.");
  const Expected<std::string> directory = ReadWholeFile(folder.Path().string());
  EXPECT_FALSE(directory.Ok());
  EXPECT_EQ(directory.Message(),
            "The file " + folder.Path().string() + " could not be read: it is a folder.");
}

TEST(FileIo, OnlyRegularFilesUpToTheLimitAreRead) {
  const testing::TempFolder folder;
  // A pipe would block the reader and a device never end: both are refused unopened.
  const std::string fifo = folder / "fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(ReadWholeFile(fifo).Message(),
            "The file " + fifo + " could not be read: it is not a regular file.");
  EXPECT_EQ(ReadWholeFile("/dev/zero").Message(),
            "The file /dev/zero could not be read: it is not a regular file.");
  const std::string big = folder / "big";
  ASSERT_TRUE(WriteFileAtomically(big, "12345").Ok());
  EXPECT_EQ(*ReadWholeFile(big, 5), "12345");
  EXPECT_EQ(ReadWholeFile(big, 4).Message(),
            "The file " + big + " could not be read: it is larger than 4 bytes.");
  std::filesystem::resize_file(big, kMaxReadBytes + 1);  // sparse
  EXPECT_EQ(ReadWholeFile(big).Message(),
            "The file " + big + " could not be read: it is larger than 1 GB.");
}

}  // namespace
}  // namespace corvala
