// The corvala3 program as a user starts it: options, and SIGTERM closing the
// window in order so that the settings are written.

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <thread>

#include "app/data_folder.h"
#include "test_support/temp_folder.h"
#include "util/file_io.h"
#include "util/folder_lock.h"

namespace corvala {
namespace {

namespace fs = std::filesystem;

int RunProgram(const std::string& arguments) {
  const int status =
      std::system((std::string(CORVALA_PROGRAM) + " " + arguments + " >/dev/null 2>&1").c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(Program, OptionsAndUsageErrors) {
  EXPECT_EQ(RunProgram("--help"), 0);
  EXPECT_EQ(RunProgram("--version"), 0);
  EXPECT_EQ(RunProgram("--no-such-option"), 2);
  EXPECT_EQ(RunProgram("--port COM12=/dev/null"), 2);
  EXPECT_EQ(RunProgram("--port nonsense"), 2);
  EXPECT_EQ(RunProgram("--data-dir"), 2);
}

// Starts the program on `folder` (a port that does not exist: the link keeps
// trying quietly), sends SIGTERM after 1.5 s and waits up to `limit` for its end.
// Standard error goes to `errors` when one is given.
std::optional<int> StatusAfterSigterm(const fs::path& folder, std::chrono::milliseconds limit,
                                      const std::string& errors = {}) {
  const pid_t child = fork();
  if (child < 0) return std::nullopt;
  if (child == 0) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    if (!errors.empty() && !freopen(errors.c_str(), "w", stderr)) _exit(126);
    const std::string dir = folder.string();
    execl(CORVALA_PROGRAM, CORVALA_PROGRAM, "--data-dir", dir.c_str(), "--port",
          "COM1=/nonexistent/tty", static_cast<char*>(nullptr));
    _exit(127);
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  kill(child, SIGTERM);
  const auto signalled = std::chrono::steady_clock::now();
  int status = 0;
  while (waitpid(child, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() - signalled > limit) {
      kill(child, SIGKILL);
      waitpid(child, &status, 0);
      return std::nullopt;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return status;
}

TEST(Program, TerminationSignalWritesTheSettings) {
  const corvala::testing::TempFolder temp;
  const std::optional<int> status = StatusAfterSigterm(temp.Path(), std::chrono::seconds(5));
  ASSERT_TRUE(status.has_value()) << "the program did not end within 5 s of SIGTERM";
  EXPECT_TRUE(WIFEXITED(*status));
  EXPECT_EQ(WEXITSTATUS(*status), 0);
  const Expected<std::string> ini = ReadWholeFile(temp / "Corvala.ini");
  ASSERT_TRUE(ini.Ok());
  EXPECT_TRUE(ini->starts_with("Temperatur=25\r\n"));
}

// Today's defect: a settings file that cannot be written opened a notice that
// no one could answer, and the program never ended.
TEST(Program, TerminationSignalNeverWaitsOnADialog) {
  const corvala::testing::TempFolder temp;
  fs::create_directory(temp.Path() / "Corvala.ini");
  const std::optional<int> status =
      StatusAfterSigterm(temp.Path(), std::chrono::seconds(2), temp / "stderr.txt");
  ASSERT_TRUE(status.has_value()) << "the program did not end within 2 s of SIGTERM";
  EXPECT_TRUE(WIFEXITED(*status));
  const Expected<std::string> stderrText = ReadWholeFile(temp / "stderr.txt");
  ASSERT_TRUE(stderrText.Ok());
  EXPECT_NE(stderrText->find("corvala3: The file " + (temp / "Corvala.ini") +
                             " could not be written: Is a directory."),
            std::string::npos)
      << *stderrText;
}

// Starts a station on folder with standard error into errorsPath.
pid_t StartStation(const fs::path& folder, const std::string& errorsPath) {
  const pid_t child = fork();
  if (child == 0) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    if (!freopen(errorsPath.c_str(), "w", stderr)) _exit(126);
    const std::string dir = folder.string();
    execl(CORVALA_PROGRAM, CORVALA_PROGRAM, "--data-dir", dir.c_str(), "--port",
          "COM1=/nonexistent/tty", static_cast<char*>(nullptr));
    _exit(127);
  }
  return child;
}

std::map<std::string, std::string> FolderBytes(const fs::path& folder) {
  std::map<std::string, std::string> files;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
    const Expected<std::string> bytes = ReadWholeFile(entry.path().string());
    files[entry.path().filename().string()] = bytes.Ok() ? *bytes : "(unreadable)";
  }
  return files;
}

TEST(Program, ASecondStationOnTheSameFolderSaysWhoHoldsItAndTouchesNothing) {
  const corvala::testing::TempFolder temp;
  const corvala::testing::TempFolder logs;
  ASSERT_TRUE(WriteFileAtomically(temp / "Corvala.ini", "Temperatur=30\r\n").Ok());
  ASSERT_TRUE(WriteFileAtomically(temp / "Kammer1.journal", "not yet a journal").Ok());
  const pid_t first = StartStation(temp.Path(), logs / "first.txt");
  ASSERT_GT(first, 0);
  // The first station has taken the folder once its lock names it.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!ReadWholeFile(temp / kFolderLockName).Ok() && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  std::this_thread::sleep_for(std::chrono::milliseconds(1000));
  const std::map<std::string, std::string> before = FolderBytes(temp.Path());

  const pid_t second = StartStation(temp.Path(), logs / "second.txt");
  ASSERT_GT(second, 0);
  const std::string expected = "is in use by process " + std::to_string(first) + " on computer";
  std::string said;
  while (said.find(expected) == std::string::npos && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const Expected<std::string> text = ReadWholeFile(logs / "second.txt");
    if (text.Ok()) said = *text;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  EXPECT_EQ(FolderBytes(temp.Path()), before);
  kill(second, SIGKILL);
  waitpid(second, nullptr, 0);
  kill(first, SIGTERM);
  waitpid(first, nullptr, 0);
  EXPECT_NE(said.find(expected), std::string::npos) << said;
}

TEST(DataFolder, FallsBackToTheUserFolderWhenNotWritable) {
  const corvala::testing::TempFolder temp;
  const fs::path base = temp.Path();
  // A folder below a plain file can never be created or written.
  ASSERT_TRUE(WriteFileAtomically((base / "file").string(), "x").Ok());
  fs::create_directories(base / "usr" / "bin");
  struct Case {
    fs::path chosen, program, user, expected;
    bool notice;
  };
  const Case cases[] = {
      {"", base / "program", base / "user", base / "program", false},
      {base / "file" / "sub", "", base / "user", base / "user", true},
      // Installed in a bin folder: the user's own folder, even where bin is writable.
      {"", base / "usr" / "bin", base / "home", base / "home", false},
      {base / "chosen", base / "usr" / "bin", base / "home", base / "chosen", false}};
  for (const Case& c : cases) {
    std::string notice;
    EXPECT_EQ(ChooseDataFolder(c.chosen.string(), c.program.string(), c.user.string(), notice),
              c.expected.string())
        << c.chosen << " " << c.program;
    EXPECT_EQ(notice.empty(), !c.notice) << c.chosen << " " << c.program;
  }
  EXPECT_TRUE(fs::is_directory(base / "user"));
}

}  // namespace
}  // namespace corvala
