#include "util/folder_lock.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string_view>

#include "util/c_format.h"
#include "util/file_io.h"

namespace corvala {
namespace {

std::string HostName() {
  char name[256] = {};
  if (::gethostname(name, sizeof name - 1) != 0) return "unknown";
  return name;
}

// Opens the lock file, creating it when it is missing; never through a link.
int OpenLockFile(const std::string& path) {
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
  const std::string path = (std::filesystem::path(folder) / kFolderLockName).string();
  const int fd = OpenLockFile(path);
  if (fd < 0) {
    return FolderLock(Outcome::kUnavailable,
                      "The data folder " + folder + " could not be locked (" + path + ": " +
                          ErrorText(errno) + "); a second station could use it too.");
  }
  // An open-file-description lock: it belongs to this descriptor, so it holds
  // against every other opening, in this process too, and goes with the process.
  struct flock whole {};
  whole.l_type = F_WRLCK;
  whole.l_whence = SEEK_SET;
  if (::fcntl(fd, F_OFD_SETLK, &whole) != 0) {
    const int error = errno;
    if (error == EAGAIN || error == EACCES) {
      const std::string holder = LockHolderText(ReadHolder(fd));
      ::close(fd);
      return FolderLock(Outcome::kTaken,
                        "The data folder " + folder + " is in use by " + holder +
                            ". Only one station can use a data folder at a time. Close that "
                            "station, or start this one with another folder: corvala3 "
                            "--data-dir FOLDER");
    }
    ::close(fd);
    return FolderLock(Outcome::kUnavailable,
                      "The data folder " + folder + " could not be locked (" + path + ": " +
                          ErrorText(error) + "); a second station could use it too.");
  }
  const std::string text =
      Format("pid=%ld\r\nhost=%s\r\n", static_cast<long>(::getpid()), HostName().c_str());
  // Who holds the folder is only a courtesy to the next station: the lock
  // itself holds whatever becomes of the text.
  if (::ftruncate(fd, 0) == 0) (void)WriteAllBytes(fd, text);
  return FolderLock(Outcome::kHeld, "", fd);
}

FolderLock::FolderLock(FolderLock&& other) noexcept
    : outcome_(other.outcome_), message_(std::move(other.message_)), fd_(other.fd_) {
  other.fd_ = -1;
}

FolderLock& FolderLock::operator=(FolderLock&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    outcome_ = other.outcome_;
    message_ = std::move(other.message_);
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

FolderLock::~FolderLock() {
  if (fd_ >= 0) ::close(fd_);
}

}  // namespace corvala
