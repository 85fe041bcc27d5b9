// One station per data folder: the lock refuses a second holder, names the
// first, goes with its holder and never follows a planted link.

#include "util/folder_lock.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <unistd.h>
#endif

#include <filesystem>
#include <string>

#include "test_support/temp_folder.h"
#include "util/file_io.h"

namespace corvala {
namespace {

std::string ThisHost() {
#ifdef _WIN32
  return ComputerName();
#else
  char name[256] = {};
  EXPECT_EQ(::gethostname(name, sizeof name - 1), 0);
  return name;
#endif
}

TEST(FolderLock, ASecondHolderIsRefusedAndToldWhoHoldsTheFolder) {
  const testing::TempFolder temp;
  const std::string folder = temp.Path().string();
  std::string heldText;
  {
    const FolderLock first = FolderLock::Acquire(folder);
    ASSERT_EQ(first.outcome(), FolderLock::Outcome::kHeld) << first.message();
    heldText = *ReadWholeFile(temp / kFolderLockName);

    const FolderLock second = FolderLock::Acquire(folder);
    EXPECT_EQ(second.outcome(), FolderLock::Outcome::kTaken);
    const std::string holder =
        "process " + std::to_string(CurrentProcessId()) + " on computer " + ThisHost();
    EXPECT_NE(second.message().find(holder), std::string::npos) << second.message();
    EXPECT_NE(second.message().find("--data-dir"), std::string::npos);
    // The refused station leaves the holder's file as it was.
    EXPECT_EQ(*ReadWholeFile(temp / kFolderLockName), heldText);
  }
  // Released with its holder: the next station takes the folder.
  const FolderLock again = FolderLock::Acquire(folder);
  EXPECT_EQ(again.outcome(), FolderLock::Outcome::kHeld);
}

TEST(FolderLock, APlantedLinkIsNotFollowed) {
  const testing::TempFolder temp;
  const std::string target = temp / "someone_elses.txt";
  ASSERT_TRUE(WriteFileAtomically(target, "keep me\r\n").Ok());
  std::error_code linked;
  std::filesystem::create_symlink(target, temp.Path() / kFolderLockName, linked);
  // Windows makes symbolic links only with a privilege most users lack.
  if (linked) GTEST_SKIP() << "no symbolic link could be made: " << linked.message();

  const FolderLock lock = FolderLock::Acquire(temp.Path().string());
  EXPECT_EQ(lock.outcome(), FolderLock::Outcome::kUnavailable);
  EXPECT_EQ(*ReadWholeFile(target), "keep me\r\n");
}

TEST(FolderLock, HolderTextNamesProcessAndComputerOnlyWhenTheFileDoes) {
  EXPECT_EQ(LockHolderText("pid=42\r\nhost=lab-pc\r\n"), "process 42 on computer lab-pc");
  EXPECT_EQ(LockHolderText("pid=42\n"), "another station");
  EXPECT_EQ(LockHolderText(""), "another station");
}

}  // namespace
}  // namespace corvala
