#include "util/file_io.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace corvala {
namespace {

constexpr std::string_view kTemporaryMark = ".tmp-";

// The process id of a temporary file's name "NAME.tmp-PID", or 0.
pid_t TemporaryFileOwner(const std::string& name) {
  const size_t mark = name.rfind(kTemporaryMark);
  if (mark == std::string::npos || mark == 0) return 0;
  const char* first = name.data() + mark + kTemporaryMark.size();
  const char* last = name.data() + name.size();
  if (first == last) return 0;
  pid_t pid = 0;
  const auto [end, error] = std::from_chars(first, last, pid);
  if (error != std::errc() || end != last || pid <= 0) return 0;
  return pid;
}

bool ProcessExists(pid_t pid) {
  return ::kill(pid, 0) == 0 || errno == EPERM;
}

std::string TooLarge(std::uintmax_t maxBytes) {
  return maxBytes == kMaxReadBytes ? std::string("it is larger than 1 GB")
                                   : "it is larger than " + std::to_string(maxBytes) + " bytes";
}

}  // namespace

std::string ErrorText(int error) {
  return error != 0 ? std::strerror(error) : "unknown error";
}

int WriteAllBytes(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (written == 0) return EIO;
    bytes.remove_prefix(static_cast<size_t>(written));
  }
  return 0;
}

Result WriteFileAtomically(const std::string& path, std::string_view bytes) {
  namespace fs = std::filesystem;
  const fs::path target(path);
  fs::path temp = target;
  temp += std::string(kTemporaryMark) + std::to_string(::getpid());
  auto failed = [&](const std::string& reason) {
    return Result::Failure("The file " + path + " could not be written: " + reason + ".");
  };
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return failed(ErrorText(errno));
  // The bytes reach the disk before the name points at them.
  int error = WriteAllBytes(fd, bytes);
  if (error == 0 && ::fsync(fd) != 0) error = errno;
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error != 0) {
    ::unlink(temp.c_str());
    return failed(ErrorText(error));
  }
  if (::rename(temp.c_str(), target.c_str()) != 0) {
    error = errno;
    ::unlink(temp.c_str());
    return failed(ErrorText(error));
  }
  const fs::path parent = target.has_parent_path() ? target.parent_path() : fs::path(".");
  if (Result synced = SyncFolder(parent.string()); !synced) return failed(synced.Message());
  return Result::Success();
}

Result SyncFolder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return Result::Failure(ErrorText(errno));
  const int error = ::fsync(fd) == 0 ? 0 : errno;
  ::close(fd);
  // Some file systems cannot sync a folder; their entries are as safe as they get.
  if (error != 0 && error != EINVAL && error != EROFS) return Result::Failure(ErrorText(error));
  return Result::Success();
}

std::vector<std::string> RemoveStaleTemporaryFiles(const std::string& folder) {
  std::vector<std::string> removed;
  std::error_code error;
  for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
       it.increment(error)) {
    const pid_t owner = TemporaryFileOwner(it->path().filename().string());
    if (owner == 0 || ProcessExists(owner)) continue;
    std::error_code ignored;
    if (!it->is_regular_file(ignored)) continue;
    if (std::filesystem::remove(it->path(), ignored)) removed.push_back(it->path().string());
  }
  return removed;
}

Result CheckReadableFile(const std::string& path, std::uintmax_t maxBytes) {
  namespace fs = std::filesystem;
  auto failed = [&](const std::string& reason) {
    return Result::Failure("The file " + path + " could not be read: " + reason + ".");
  };
  std::error_code error;
  const fs::file_status status = fs::status(path, error);
  if (error) return failed(error.message());
  if (fs::is_directory(status)) return failed("it is a folder");
  if (!fs::is_regular_file(status)) return failed("it is not a regular file");
  const std::uintmax_t size = fs::file_size(path, error);
  if (error) return failed(error.message());
  if (size > maxBytes) return failed(TooLarge(maxBytes));
  return Result::Success();
}

Expected<std::string> ReadWholeFile(const std::string& path, std::uintmax_t maxBytes) {
  if (Result readable = CheckReadableFile(path, maxBytes); !readable) return readable;
  errno = 0;
  std::ifstream in(path, std::ios::binary);
  if (!in)
    return Result::Failure("The file " + path + " could not be read: " + ErrorText(errno) + ".");
  // At most one byte past the limit is read, so a file that grew meanwhile is
  // still refused without being read whole.
  std::string bytes;
  char buffer[65536];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
    bytes.append(buffer, static_cast<size_t>(in.gcount()));
    if (bytes.size() > maxBytes)
      return Result::Failure("The file " + path + " could not be read: " + TooLarge(maxBytes) +
                             ".");
  }
  if (in.bad())
    return Result::Failure("The file " + path + " could not be read: " + ErrorText(errno) + ".");
  return bytes;
}

}  // namespace corvala
