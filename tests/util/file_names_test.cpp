// Names in UTF-8 reach the system whole (umlauts in files and folders, made
// wide on Windows), the folders an installed program uses, the program's
// arguments and whether a process lives.

#include "util/file_names.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "test_support/temp_folder.h"
#include "util/file_io.h"
#include "util/folder_lock.h"
#include "util/program_args.h"
#include "util/user_folders.h"

namespace corvala {
namespace {

// "Meßwerte Größe" and "Kammer ä.cv3" in UTF-8, whatever the source's encoding.
const std::string kFolderName =
    "Me\xC3\x9Fwerte Gr\xC3\xB6\xC3\x9F"
    "e";
const std::string kFileName = "Kammer \xC3\xA4.cv3";

TEST(FileNames, UmlautsInFolderAndFileNamesAreWrittenReadReplacedAndRemoved) {
  const testing::TempFolder temp;
  const std::string folder = temp / kFolderName;
  ASSERT_TRUE(MakeWritableFolder(folder));
  const std::string path = JoinPath(folder, kFileName);
  ASSERT_TRUE(WriteFileAtomically(path, "first version, longer\r\n").Ok());
  // Replaced whole over the existing file.
  ASSERT_TRUE(WriteFileAtomically(path, "second\r\n").Ok());
  EXPECT_EQ(ReadWholeFile(path).Value(), "second\r\n");
  EXPECT_TRUE(IsRegularFile(path));
  EXPECT_EQ(FileNameOf(path), kFileName);
  EXPECT_EQ(StemOf(path), "Kammer \xC3\xA4");
  EXPECT_EQ(ParentOf(path), folder);

  // The system holds the names as they are meant, not as ANSI bytes.
  // (u8string is the system's own conversion, not the program's.)
  std::vector<std::string> names;
  for (const auto& entry :
       std::filesystem::directory_iterator(temp.Path() / PathFromUtf8(kFolderName))) {
    const std::u8string name = entry.path().filename().u8string();
    names.emplace_back(name.begin(), name.end());
  }
  ASSERT_EQ(names.size(), 1u);
  EXPECT_EQ(names[0], kFileName);
  EXPECT_TRUE(std::filesystem::is_directory(temp.Path() / u8"Me\u00dfwerte Gr\u00f6\u00dfe"));

  // The lock and the journal's calls take the same names.
  {
    const FolderLock lock = FolderLock::Acquire(folder);
    EXPECT_EQ(lock.outcome(), FolderLock::Outcome::kHeld) << lock.message();
    EXPECT_EQ(FolderLock::Acquire(folder).outcome(), FolderLock::Outcome::kTaken);
  }
  EXPECT_TRUE(IsRegularFile(JoinPath(folder, kFolderLockName)));
  const std::string other = JoinPath(folder,
                                     "\xC3\x9C"
                                     "bertrag.txt");
  std::error_code error;
  RenamePath(path, other, error);
  EXPECT_FALSE(error) << error.message();
  EXPECT_FALSE(PathExists(path));
  EXPECT_EQ(RemoveFile(other), 0);
  EXPECT_EQ(RemoveFile(other), ENOENT);
}

TEST(FileNames, AnOpenFileIsNamedUntilItIsMovedAwayOrReplaced) {
  const testing::TempFolder temp;
  const std::string path = temp / kFileName;
  const std::string moved = temp / "moved.txt";
  const Expected<int> open = WriteFileAtomicallyAndKeepOpen(path, "a\r\n");
  ASSERT_TRUE(open.Ok()) << open.Message();
  EXPECT_TRUE(OpenFileIsNamed(*open, path));
  // Moved away while open, and another file put in its place.
  std::error_code error;
  RenamePath(path, moved, error);
  ASSERT_FALSE(error) << error.message();
  EXPECT_FALSE(OpenFileIsNamed(*open, path));
  ASSERT_TRUE(WriteFileAtomically(path, "b\r\n").Ok());
  EXPECT_FALSE(OpenFileIsNamed(*open, path));
  EXPECT_TRUE(OpenFileIsNamed(*open, moved));
  EXPECT_EQ(WriteAllBytes(*open, "c\r\n"), 0);
  EXPECT_EQ(SyncFileData(*open), 0);
  EXPECT_EQ(CloseFile(*open), 0);
  EXPECT_EQ(ReadWholeFile(path).Value(), "b\r\n");
  EXPECT_EQ(ReadWholeFile(moved).Value(), "a\r\nc\r\n");
}

TEST(FileNames, ThisProcessLivesAndOneThatEndedDoesNot) {
  EXPECT_TRUE(ProcessIsAlive(CurrentProcessId()));
  // Process ids are below 2^22 on Linux and multiples of 4 on Windows.
  EXPECT_FALSE(ProcessIsAlive(2147483645L));
}

TEST(UserFolders, AProgramInABinFolderOrBelowProgramFilesIsInstalled) {
#ifdef _WIN32
  const std::vector<std::string> roots = {"C:\\Program Files", "C:\\Program Files (x86)\\"};
  EXPECT_TRUE(IsInstalledProgramFolder("C:\\Program Files\\Corvala3", roots));
  EXPECT_TRUE(IsInstalledProgramFolder("c:\\program files (x86)\\Corvala3\\", roots));
  EXPECT_TRUE(IsInstalledProgramFolder("C:\\Tools\\bin", roots));
  EXPECT_FALSE(IsInstalledProgramFolder("C:\\Program Files", roots));
  EXPECT_FALSE(IsInstalledProgramFolder("C:\\Program Files Old\\Corvala3", roots));
  EXPECT_FALSE(IsInstalledProgramFolder("D:\\Corvala3", roots));
#else
  const std::vector<std::string> roots = {"/opt/programs"};
  EXPECT_TRUE(IsInstalledProgramFolder("/opt/programs/corvala3", roots));
  EXPECT_TRUE(IsInstalledProgramFolder("/usr/bin", {}));
  EXPECT_FALSE(IsInstalledProgramFolder("/opt/programs", roots));
  EXPECT_FALSE(IsInstalledProgramFolder("/opt/programs-old/corvala3", roots));
  EXPECT_FALSE(IsInstalledProgramFolder("/home/lab/corvala3", {}));
  // Elsewhere the caller's per-user folder is the one.
  EXPECT_EQ(UserDataFolder("/home/lab/.config/Corvala3"), "/home/lab/.config/Corvala3");
  EXPECT_TRUE(ProgramFilesFolders().empty());
#endif
}

#ifdef _WIN32
TEST(UserFolders, AnInstalledProgramKeepsEachUsersFilesInTheRoamingAppData) {
  const wchar_t* appData = ::_wgetenv(L"APPDATA");
  ASSERT_NE(appData, nullptr);
  const std::string expected = Utf8FromPath(std::filesystem::path(appData) / L"Corvala3");
  EXPECT_EQ(UserDataFolder("C:\\elsewhere"), expected);
  EXPECT_FALSE(ProgramFilesFolders().empty());
}

TEST(ProgramArgs, TheWideCommandLineIsSplitIntoUtf8Arguments) {
  const std::vector<std::string> arguments =
      SplitWideCommandLine(L"corvala3-analyze.exe --csv \"C:\\Me\u00dfwerte\\Kammer \u00e4.cv3\"");
  ASSERT_EQ(arguments.size(), 3u);
  EXPECT_EQ(arguments[1], "--csv");
  EXPECT_EQ(arguments[2], "C:\\Me\xC3\x9Fwerte\\Kammer \xC3\xA4.cv3");
}

// A device name would block or never end: it is refused before it is opened.
TEST(FileNames, ADeviceIsNoFileToRead) {
  // (Windows reports the device as missing or as no regular file, by version.)
  const Expected<std::string> device = ReadWholeFile("NUL");
  ASSERT_FALSE(device.Ok());
  EXPECT_TRUE(device.Message().starts_with("The file NUL could not be read: ")) << device.Message();
}

TEST(FileNames, AnInvalidUtf8NameOpensNoFile) {
  EXPECT_TRUE(WideFromUtf8("Kammer \xE4.cv3").empty());
  EXPECT_FALSE(ReadWholeFile("Kammer \xE4.cv3").Ok());
}
#else
TEST(ProgramArgs, ArgumentsAreTakenAsTheyAre) {
  char first[] = "corvala3-analyze";
  char second[] = "Kammer \xC3\xA4.cv3";
  char* argv[] = {first, second, nullptr};
  ProgramArguments arguments(2, argv);
  ASSERT_EQ(arguments.Count(), 2);
  EXPECT_STREQ(arguments.Argv()[1], second);
  EXPECT_EQ(arguments.Argv()[2], nullptr);
}
#endif

}  // namespace
}  // namespace corvala
