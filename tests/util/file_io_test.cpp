#include "util/file_io.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace corvala
