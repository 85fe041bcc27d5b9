#include "util/file_io.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <vector>

#include "test_support/processes.h"
#include "test_support/temp_folder.h"

// The file system calls of this test program pass through here, so a test can
// see in which order a writer syncs and renames.
namespace {
std::mutex g_callsMutex;
std::vector<std::string> g_calls;
bool g_recording = false;

[[maybe_unused]] void Record(const std::string& call) {
  std::lock_guard lock(g_callsMutex);
  if (g_recording) g_calls.push_back(call);
}
}  // namespace

#ifndef _WIN32
extern "C" int fsync(int fd) {
  struct stat info {};
  if (::fstat(fd, &info) == 0) Record(S_ISDIR(info.st_mode) ? "sync folder" : "sync file");
  using Fn = int (*)(int);
  static const auto real = reinterpret_cast<Fn>(::dlsym(RTLD_NEXT, "fsync"));
  return real(fd);
}

extern "C" int rename(const char* from, const char* to) {
  Record("rename");
  using Fn = int (*)(const char*, const char*);
  static const auto real = reinterpret_cast<Fn>(::dlsym(RTLD_NEXT, "rename"));
  return real(from, to);
}
#endif

namespace corvala {
namespace {

class RecordCalls {
 public:
  RecordCalls() {
    std::lock_guard lock(g_callsMutex);
    g_calls.clear();
    g_recording = true;
  }
  ~RecordCalls() {
    std::lock_guard lock(g_callsMutex);
    g_recording = false;
  }
  std::vector<std::string> Calls() {
    std::lock_guard lock(g_callsMutex);
    return g_calls;
  }
};

// A power cut after the write must find either the old file or the whole new
// one: the bytes are synced before the rename, and the rename before it counts.
TEST(FileIo, AtomicWriteSyncsTheFileBeforeTheRenameAndTheFolderAfterIt) {
#ifdef _WIN32
  GTEST_SKIP() << "the calls are seen by interposing fsync and rename, which Windows' loader "
                  "does not offer";
#endif
  const testing::TempFolder folder;
  RecordCalls calls;
  ASSERT_TRUE(WriteFileAtomically(folder / "file.txt", "bytes\r\n").Ok());
  EXPECT_EQ(calls.Calls(), (std::vector<std::string>{"sync file", "rename", "sync folder"}));
}

TEST(FileIo, AtomicWriteReplacesTheWholeFileOrNamesTheFileAndTheReason) {
  const testing::TempFolder folder;
  const std::string path = folder / "file.txt";
  ASSERT_TRUE(WriteFileAtomically(path, "first version, longer\r\n").Ok());
  ASSERT_TRUE(WriteFileAtomically(path, "second\r\n").Ok());
  const Expected<std::string> bytes = ReadWholeFile(path);
  ASSERT_TRUE(bytes.Ok()) << bytes.Message();
  EXPECT_EQ(*bytes, "second\r\n");
  std::filesystem::remove(path);

  const std::string missing = folder / "missing/x.txt";
  const Result written = WriteFileAtomically(missing, "x");
  EXPECT_FALSE(written.Ok());
  EXPECT_EQ(written.Message(),
            "The file " + missing + " could not be written: No such file or directory.");
  EXPECT_FALSE(std::filesystem::exists(folder / "missing"));

  // A folder standing where the file belongs is left alone, and no temporary
  // file of any write above stays behind.
  std::filesystem::create_directory(folder / "Corvala.ini");
  const Result overFolder = WriteFileAtomically(folder / "Corvala.ini", "x");
  EXPECT_FALSE(overFolder.Ok());
#ifdef _WIN32
  // Windows refuses to move a file over a folder without saying why.
  const char* overFolderReason = "Permission denied";
#else
  const char* overFolderReason = "Is a directory";
#endif
  EXPECT_EQ(overFolder.Message(), "The file " + (folder / "Corvala.ini") +
                                      " could not be written: " + overFolderReason + ".");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 1);

  const Expected<std::string> absent = ReadWholeFile(missing);
  EXPECT_FALSE(absent.Ok());
  EXPECT_EQ(absent.Message(),
            "The file " + missing + " could not be read: No such file or directory.");
  const Expected<std::string> directory = ReadWholeFile(folder.Path().string());
  EXPECT_FALSE(directory.Ok());
  EXPECT_EQ(directory.Message(),
            "The file " + folder.Path().string() + " could not be read: it is a folder.");
}

// Only the temporary files this computer's station writes for its own files
// go, once their process has ended; a user's file, another computer's file
// being written and names of the old form without a computer stay.
TEST(FileIo, StaleTemporaryFilesOfOwnFilesOfThisComputerAreRemovedOthersStay) {
  const testing::TempFolder folder;
  const std::string ended = std::to_string(testing::EndedProcess());
  const std::string host = HostTag();
  const std::string mine = host + "-" + ended;
#ifdef _WIN32
  const testing::ChildProcess writer;
  const std::string living = std::to_string(writer.Id());
#else
  const std::string living = std::to_string(::getppid());
#endif
  const std::pair<std::string, bool> stays[] = {
      {"Corvala.ini.tmp-" + mine, false},
      {"Kammer1.journal.tmp-" + mine, false},
      {"Corvala.ini.tmp-" + host + "-" + living, true},  // still writing
      {"Corvala.ini.tmp-50000", true},                   // of no known computer
      {"Corvala.ini.tmp-other-pc-" + ended, true},       // another computer's
      {"Messung.tmp-" + ended, true},                    // a user's file
      {"Messung.tmp-" + mine, true}};
  for (const auto& [name, _] : stays) std::ofstream(folder / name) << "x";
  std::filesystem::create_directory(folder / ("Ports.ini.tmp-" + mine));
  const std::vector<std::string> own = {"Corvala.ini", "Ports.ini", "Kammer1.journal"};

  EXPECT_EQ(RemoveStaleTemporaryFiles(folder.Path().string(), own).size(), 2u);
  for (const auto& [name, stay] : stays)
    EXPECT_EQ(std::filesystem::exists(folder / name), stay) << name;
  EXPECT_TRUE(std::filesystem::is_directory(folder / ("Ports.ini.tmp-" + mine)));
  EXPECT_TRUE(RemoveStaleTemporaryFiles(folder / "no such folder", own).empty());
}

// The temporary file is always a new one: a link planted under its name is
// removed, not written through, and the target becomes a file of its own.
TEST(FileIo, AtomicWriteNeverWritesThroughALinkUnderTheTemporaryName) {
  const testing::TempFolder folder;
  const std::string path = folder / "Corvala.ini";
  const std::string other = folder / "other.txt";
  std::ofstream(other) << "someone else's bytes\n";
  std::error_code linked;
  std::filesystem::create_symlink(other, TemporaryNameFor(path), linked);
  // Windows makes symbolic links only with a privilege most users lack.
  if (linked) GTEST_SKIP() << "no symbolic link could be made: " << linked.message();

  ASSERT_TRUE(WriteFileAtomically(path, "settings\r\n").Ok());
  EXPECT_EQ(*ReadWholeFile(other), "someone else's bytes\n");
  EXPECT_FALSE(std::filesystem::is_symlink(path));
  EXPECT_EQ(*ReadWholeFile(path), "settings\r\n");
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(TemporaryNameFor(path))));
}

// A file written chunk by chunk is written as whole as one written at once; a
// failing chunk leaves the old file and names the reason.
TEST(FileIo, ChunkedWriteSyncsAndRenamesOnceAndAFailedChunkKeepsTheOldFile) {
  const testing::TempFolder folder;
  const std::string path = folder / "file.txt";
  const std::vector<std::string> chunks = {"first ", "second ", "third\r\n"};
  size_t next = 0;
  {
    RecordCalls calls;
    ASSERT_TRUE(WriteFileAtomicallyInChunks(path, [&](std::string& chunk) {
                  if (next < chunks.size()) chunk = chunks[next++];
                  return Result::Success();
                }).Ok());
#ifndef _WIN32
    EXPECT_EQ(calls.Calls(), (std::vector<std::string>{"sync file", "rename", "sync folder"}));
#endif
  }
  EXPECT_EQ(ReadWholeFile(path).Value(), "first second third\r\n");

  next = 0;
  const Result failed = WriteFileAtomicallyInChunks(path, [&](std::string& chunk) {
    if (next++ == 1) return Result::Failure("the source went away");
    chunk = "new ";
    return Result::Success();
  });
  EXPECT_EQ(failed.Message(), "The file " + path + " could not be written: the source went away.");
  EXPECT_EQ(ReadWholeFile(path).Value(), "first second third\r\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()),
                          std::filesystem::directory_iterator()),
            1);
}

// A big file is read into room made for it at once, not grown while read
// (which held up to twice its size).
TEST(FileIo, AWholeFileIsReadIntoRoomOfItsOwnSize) {
  const testing::TempFolder folder;
  const std::string path = folder / "big.txt";
  const std::string bytes(200000, 'x');
  ASSERT_TRUE(WriteFileAtomically(path, bytes).Ok());
  const Expected<std::string> read = ReadWholeFile(path);
  ASSERT_TRUE(read.Ok());
  EXPECT_EQ(*read, bytes);
  EXPECT_LE(read->capacity(), bytes.size() + 64);
}

// A process that lives but may not be signalled (another user's) is still
// writing: its temporary file stays. Only an ordinary user sees this case, so
// as root the check runs in a child that has become "nobody", against this
// (root) process.
TEST(FileIo, StaleTemporaryFileOfALiveProcessOfAnotherUserStays) {
#ifdef _WIN32
  GTEST_SKIP() << "another user's process is made by dropping root's privileges, a Linux way";
#else
  const testing::TempFolder folder;
  pid_t writer = 1;
  if (::geteuid() == 0) {
    if (::getpwnam("nobody") == nullptr) GTEST_SKIP() << "no user nobody to drop privileges to";
    writer = ::getpid();
  } else if (::kill(writer, 0) == 0 || errno != EPERM) {
    GTEST_SKIP() << "no live process of another user to check against";
  }
  // Open to everyone, so that only the process check can keep the file.
  std::filesystem::permissions(folder.Path(), std::filesystem::perms::all);
  const std::string name = "Corvala.ini.tmp-" + HostTag() + "-" + std::to_string(writer);
  std::ofstream(folder / name) << "x";
  const std::vector<std::string> own = {"Corvala.ini"};

  if (::geteuid() != 0) {
    EXPECT_TRUE(RemoveStaleTemporaryFiles(folder.Path().string(), own).empty());
  } else {
    const uid_t nobody = ::getpwnam("nobody")->pw_uid;
    const gid_t nogroup = ::getpwnam("nobody")->pw_gid;
    const pid_t child = fork();
    if (child == 0) {
      if (::setgid(nogroup) != 0 || ::setuid(nobody) != 0) _exit(2);
      _exit(RemoveStaleTemporaryFiles(folder.Path().string(), own).empty() ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 2) GTEST_SKIP() << "could not become the user nobody";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the child removed the file";
  }
  EXPECT_TRUE(std::filesystem::exists(folder / name));
#endif
}

}  // namespace
}  // namespace corvala
