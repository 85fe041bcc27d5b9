#include "util/folder_lock.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <filesystem>
#include <string_view>

#include "util/c_format.h"
#include "util/file_io.h"
#include "util/file_names.h"

namespace corvala {
namespace {

std::string HostName() {
  const std::string name = ComputerName();
  return name.empty() ? std::string("unknown") : name;
}

#ifdef _WIN32

// The byte locked: far past any text, since a locked range on Windows can be
// neither read nor written through another handle, and the next station reads
// who holds the folder.
constexpr DWORD kLockOffsetHigh = 0x40000000;

HANDLE HandleOf(int fd) {
  return reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
}

// Opens the lock file, creating it when it is missing; a reparse point (a
// link, a junction) under its name is refused, never followed. The failure
// sets errno; reason says it in words where errno has none.
int OpenLockFile(const std::string& path, std::string& reason) {
  const std::wstring wide = WideFromUtf8(path);
  const HANDLE handle =
      ::CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    errno = ErrnoFromWindowsError(::GetLastError());
    return -1;
  }
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(handle, &info) ||
      (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) != 0) {
    ::CloseHandle(handle);
    reason = "it is a link or a folder, not a file";
    errno = EACCES;
    return -1;
  }
  return DescriptorOfHandle(handle, 0);
}

std::string ReadHolder(int fd) {
  std::string text(512, '\0');
  OVERLAPPED at{};
  DWORD got = 0;
  if (!::ReadFile(HandleOf(fd), text.data(), static_cast<DWORD>(text.size()), &got, &at)) got = 0;
  text.resize(got);
  return text;
}

// 0, EAGAIN when another handle holds the lock, or the errno of the failure.
int LockWhole(int fd) {
  OVERLAPPED at{};
  at.OffsetHigh = kLockOffsetHigh;
  if (::LockFileEx(HandleOf(fd), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at))
    return 0;
  const DWORD error = ::GetLastError();
  return error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING ? EAGAIN
                                                                    : ErrnoFromWindowsError(error);
}

// Replaces the file's text; false when that fails.
bool WriteHolder(int fd, const std::string& text) {
  const HANDLE handle = HandleOf(fd);
  LARGE_INTEGER start{};
  if (!::SetFilePointerEx(handle, start, nullptr, FILE_BEGIN) || !::SetEndOfFile(handle))
    return false;
  return WriteAllBytes(fd, text) == 0;
}

#else

// Opens the lock file, creating it when it is missing; never through a link.
int OpenLockFile(const std::string& path, std::string& /*reason*/) {
  for (int attempt = 0; attempt < 2; ++attempt) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC);
    if (fd >= 0 || errno != ENOENT) return fd;
    const int created =
        ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (created >= 0 || errno != EEXIST) return created;
  }
  return -1;
}

std::string ReadHolder(int fd) {
  std::string text(512, '\0');
  const ssize_t got = ::pread(fd, text.data(), text.size(), 0);
  text.resize(got > 0 ? static_cast<size_t>(got) : 0);
  return text;
}

// An open-file-description lock: it belongs to this descriptor, so it holds
// against every other opening, in this process too, and goes with the process.
// 0, EAGAIN or EACCES when another opening holds it, or the errno of the failure.
int LockWhole(int fd) {
  struct flock whole {};
  whole.l_type = F_WRLCK;
  whole.l_whence = SEEK_SET;
  return ::fcntl(fd, F_OFD_SETLK, &whole) == 0 ? 0 : errno;
}

bool WriteHolder(int fd, const std::string& text) {
  return ::ftruncate(fd, 0) == 0 && WriteAllBytes(fd, text) == 0;
}

#endif

}  // namespace

std::string LockHolderText(const std::string& lockFileText) {
  std::string pid, host;
  size_t start = 0;
  while (start < lockFileText.size()) {
    size_t end = lockFileText.find('\n', start);
    if (end == std::string::npos) end = lockFileText.size();
    std::string_view line(lockFileText.data() + start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.starts_with("pid=")) pid = std::string(line.substr(4));
    if (line.starts_with("host=")) host = std::string(line.substr(5));
    start = end + 1;
  }
  if (pid.empty() || host.empty()) return "another station";
  return "process " + pid + " on computer " + host;
}

FolderLock FolderLock::Acquire(const std::string& folder) {
  const std::string path = JoinPath(folder, kFolderLockName);
  std::string reason;
  const int fd = OpenLockFile(path, reason);
  if (fd < 0) {
    if (reason.empty()) reason = ErrorText(errno);
    return FolderLock(Outcome::kUnavailable, "The data folder " + folder +
                                                 " could not be locked (" + path + ": " + reason +
                                                 "); a second station could use it too.");
  }
  // The lock holds against every other opening, in this process too, and goes
  // with the process.
  if (const int error = LockWhole(fd); error != 0) {
    if (error == EAGAIN || error == EACCES) {
      const std::string holder = LockHolderText(ReadHolder(fd));
      CloseFile(fd);
      return FolderLock(Outcome::kTaken,
                        "The data folder " + folder + " is in use by " + holder +
                            ". Only one station can use a data folder at a time. Close that "
                            "station, or start this one with another folder: corvala3 "
                            "--data-dir FOLDER");
    }
    CloseFile(fd);
    return FolderLock(Outcome::kUnavailable,
                      "The data folder " + folder + " could not be locked (" + path + ": " +
                          ErrorText(error) + "); a second station could use it too.");
  }
  const std::string text = Format("pid=%ld\r\nhost=%s\r\n", CurrentProcessId(), HostName().c_str());
  // Who holds the folder is only a courtesy to the next station: the lock
  // itself holds whatever becomes of the text.
  (void)WriteHolder(fd, text);
  return FolderLock(Outcome::kHeld, "", fd);
}

FolderLock::FolderLock(FolderLock&& other) noexcept
    : outcome_(other.outcome_), message_(std::move(other.message_)), fd_(other.fd_) {
  other.fd_ = -1;
}

FolderLock& FolderLock::operator=(FolderLock&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) CloseFile(fd_);
    outcome_ = other.outcome_;
    message_ = std::move(other.message_);
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

FolderLock::~FolderLock() {
  if (fd_ >= 0) CloseFile(fd_);
}

}  // namespace corvala
