#include "util/file_io.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>

#include "util/file_names.h"

namespace corvala {
namespace {

constexpr std::string_view kTemporaryMark = ".tmp-";

// The parts of a temporary name "NAME.tmp-HOST-PID"; empty when name is none.
struct TemporaryName {
  std::string target;
  std::string host;
  int pid = 0;
};

std::optional<TemporaryName> SplitTemporaryName(const std::string& name) {
  const size_t mark = name.rfind(kTemporaryMark);
  if (mark == std::string::npos || mark == 0) return std::nullopt;
  const size_t dash = name.rfind('-');
  const size_t hostStart = mark + kTemporaryMark.size();
  if (dash == std::string::npos || dash <= hostStart) return std::nullopt;
  const char* first = name.data() + dash + 1;
  const char* last = name.data() + name.size();
  if (first == last) return std::nullopt;
  TemporaryName parts;
  const auto [end, error] = std::from_chars(first, last, parts.pid);
  if (error != std::errc() || end != last || parts.pid <= 0) return std::nullopt;
  parts.target = name.substr(0, mark);
  parts.host = name.substr(hostStart, dash - hostStart);
  return parts;
}

#ifdef _WIN32

// A new file of this process under path, opened for writing (appending when
// append): never an existing file or reparse point reused. Others may read,
// and rename or remove it, as on Linux (the journal is replaced while open).
int CreateNew(const std::string& path, bool append) {
  const std::wstring wide = WideFromUtf8(path);
  const HANDLE handle = ::CreateFileW(
      wide.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
      CREATE_NEW, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    errno = ErrnoFromWindowsError(::GetLastError());
    return -1;
  }
  return DescriptorOfHandle(handle, append ? _O_APPEND : 0);
}

// 0 or the errno: from moved over to by a move that is on the disk when it returns.
int RenameOver(const std::string& from, const std::string& to) {
  std::error_code error;
  RenamePath(from, to, error);
  return error.value();
}

#else

// A new file of this process under path, opened for writing (appending when
// append): never a link followed, never an existing file reused.
int CreateNew(const std::string& path, bool append) {
  return ::open(path.c_str(),
                O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | (append ? O_APPEND : 0),
                0644);
}

int RenameOver(const std::string& from, const std::string& to) {
  return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

#endif

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
#ifdef _WIN32
    const int written =
        ::_write(fd, bytes.data(), static_cast<unsigned>(std::min<size_t>(bytes.size(), 1u << 30)));
#else
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
#endif
    if (written < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (written == 0) return EIO;
    bytes.remove_prefix(static_cast<size_t>(written));
  }
  return 0;
}

int CloseFile(int fd) {
#ifdef _WIN32
  return ::_close(fd) == 0 ? 0 : errno;
#else
  return ::close(fd) == 0 ? 0 : errno;
#endif
}

int DuplicateFile(int fd) {
#ifdef _WIN32
  return ::_dup(fd);
#else
  return ::dup(fd);
#endif
}

int SyncFileData(int fd) {
#ifdef _WIN32
  const HANDLE handle = reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
  if (handle == INVALID_HANDLE_VALUE) return EBADF;
  return ::FlushFileBuffers(handle) ? 0 : ErrnoFromWindowsError(::GetLastError());
#else
  return ::fdatasync(fd) == 0 ? 0 : errno;
#endif
}

bool OpenFileIsNamed(int fd, const std::string& path) {
#ifdef _WIN32
  const HANDLE open = reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
  if (open == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION openInfo{};
  if (!::GetFileInformationByHandle(open, &openInfo)) return false;
  const std::wstring wide = WideFromUtf8(path);
  const HANDLE named =
      ::CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (named == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION namedInfo{};
  const bool known = ::GetFileInformationByHandle(named, &namedInfo);
  ::CloseHandle(named);
  // A serial of 0 is one the system did not tell (Wine, for a file renamed
  // while open); the file's index still tells it apart.
  const bool sameVolume = openInfo.dwVolumeSerialNumber == namedInfo.dwVolumeSerialNumber ||
                          openInfo.dwVolumeSerialNumber == 0 || namedInfo.dwVolumeSerialNumber == 0;
  return known && sameVolume && openInfo.nFileIndexHigh == namedInfo.nFileIndexHigh &&
         openInfo.nFileIndexLow == namedInfo.nFileIndexLow && openInfo.nNumberOfLinks > 0;
#else
  struct stat open {};
  struct stat named {};
  if (::fstat(fd, &open) != 0 || ::stat(path.c_str(), &named) != 0) return false;
  return open.st_dev == named.st_dev && open.st_ino == named.st_ino && open.st_nlink > 0;
#endif
}

int RemoveFile(const std::string& path) {
#ifdef _WIN32
  const std::wstring wide = WideFromUtf8(path);
  return ::DeleteFileW(wide.c_str()) ? 0 : ErrnoFromWindowsError(::GetLastError());
#else
  return ::unlink(path.c_str()) == 0 ? 0 : errno;
#endif
}

long CurrentProcessId() {
#ifdef _WIN32
  return static_cast<long>(::GetCurrentProcessId());
#else
  return static_cast<long>(::getpid());
#endif
}

bool ProcessIsAlive(long pid) {
#ifdef _WIN32
  const HANDLE process = ::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE,
                                       static_cast<DWORD>(pid));
  // A process that may not be looked at (another user's, a system one) lives.
  if (process == nullptr) return ::GetLastError() == ERROR_ACCESS_DENIED;
  // A handle also opens on a process that has ended while others still hold it.
  const bool alive = ::WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
  ::CloseHandle(process);
  return alive;
#else
  return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
#endif
}

std::string ComputerName() {
#ifdef _WIN32
  wchar_t name[256] = {};
  DWORD size = 255;
  if (!::GetComputerNameExW(ComputerNameDnsHostname, name, &size)) return {};
  return Utf8FromWide(std::wstring_view(name, size));
#else
  char name[256] = {};
  if (::gethostname(name, sizeof name - 1) != 0) name[0] = '\0';
  return name;
#endif
}

std::string HostTag() {
  const std::string name = ComputerName();
  std::string tag;
  for (const char* c = name.c_str(); *c != '\0' && *c != '.' && tag.size() < 32; ++c) {
    const bool plain = (*c >= 'a' && *c <= 'z') || (*c >= 'A' && *c <= 'Z') ||
                       (*c >= '0' && *c <= '9') || *c == '-' || *c == '_';
    tag += plain ? *c : '_';
  }
  return tag.empty() ? std::string("host") : tag;
}

std::string TemporaryNameFor(const std::string& target) {
  static const std::string host = HostTag();
  return target + std::string(kTemporaryMark) + host + "-" + std::to_string(CurrentProcessId());
}

Expected<int> CreateFreshFile(const std::string& path) {
  // Whatever stands under the name goes; a link is removed, not its target.
  if (const int removed = RemoveFile(path); removed != 0 && removed != ENOENT)
    return Result::Failure(ErrorText(removed));
  const int fd = CreateNew(path, false);
  if (fd < 0) return Result::Failure(ErrorText(errno));
  return fd;
}

namespace {

// Writes the bytes of the file to fd: an empty text or the reason it failed.
using BodyWriter = std::function<std::string(int fd)>;

// Writes path whole through a new temporary file that body fills; on success
// the file now under path stays open (for appending) when keepOpen, and its
// descriptor is returned (-1 when not kept).
Expected<int> WriteWhole(const std::string& path, const BodyWriter& body, bool keepOpen) {
  namespace fs = std::filesystem;
  const fs::path target = PathFromUtf8(path);
  const std::string temp = TemporaryNameFor(path);
  auto failed = [&](const std::string& reason) {
    return Result::Failure("The file " + path + " could not be written: " + reason + ".");
  };
  int fd = CreateNew(temp, keepOpen);
  // The name is this process's own: whatever stands there is a leftover or
  // was planted, and goes (a link is removed, not its target).
  if (fd < 0 && errno == EEXIST && RemoveFile(temp) == 0) fd = CreateNew(temp, keepOpen);
  if (fd < 0) return failed(ErrorText(errno));
  // The bytes reach the disk before the name points at them.
  std::string reason = body(fd);
  int error = 0;
#ifdef _WIN32
  if (reason.empty()) error = SyncFileData(fd);
#else
  if (reason.empty() && ::fsync(fd) != 0) error = errno;
#endif
  // A file that reports an error as it closes never takes the target's place.
  if (!keepOpen) {
    if (const int closed = CloseFile(fd); closed != 0 && reason.empty() && error == 0)
      error = closed;
    fd = -1;
  }
  if (reason.empty() && error == 0) error = RenameOver(temp, path);
  if (reason.empty() && error != 0) reason = ErrorText(error);
  if (!reason.empty()) {
    if (fd >= 0) CloseFile(fd);
    RemoveFile(temp);
    return failed(reason);
  }
  const fs::path parent = target.has_parent_path() ? target.parent_path() : fs::path(".");
  if (Result synced = SyncFolder(Utf8FromPath(parent)); !synced) {
    if (fd >= 0) CloseFile(fd);
    return failed(synced.Message());
  }
  return fd;
}

BodyWriter AllBytes(std::string_view bytes) {
  return [bytes](int fd) {
    const int error = WriteAllBytes(fd, bytes);
    return error == 0 ? std::string() : ErrorText(error);
  };
}

}  // namespace

Result WriteFileAtomically(const std::string& path, std::string_view bytes) {
  return WriteWhole(path, AllBytes(bytes), false).Status();
}

Result WriteFileAtomicallyInChunks(const std::string& path, const ChunkSource& next) {
  const BodyWriter chunks = [&next](int fd) {
    std::string chunk;
    for (;;) {
      chunk.clear();
      if (const Result made = next(chunk); !made) return made.Message();
      if (chunk.empty()) return std::string();
      if (const int error = WriteAllBytes(fd, chunk); error != 0) return ErrorText(error);
    }
  };
  return WriteWhole(path, chunks, false).Status();
}

Expected<int> WriteFileAtomicallyAndKeepOpen(const std::string& path, std::string_view bytes) {
  return WriteWhole(path, AllBytes(bytes), true);
}

Result SyncFolder(const std::string& folder) {
#ifdef _WIN32
  // Windows syncs no folder; the moves are written through
  // (MOVEFILE_WRITE_THROUGH) instead. A folder that is gone still fails.
  const std::wstring wide = WideFromUtf8(folder);
  const DWORD attributes = ::GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES)
    return Result::Failure(ErrorText(ErrnoFromWindowsError(::GetLastError())));
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return Result::Failure(ErrorText(ENOTDIR));
  return Result::Success();
#else
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return Result::Failure(ErrorText(errno));
  const int error = ::fsync(fd) == 0 ? 0 : errno;
  ::close(fd);
  // Some file systems cannot sync a folder; their entries are as safe as they get.
  if (error != 0 && error != EINVAL && error != EROFS) return Result::Failure(ErrorText(error));
  return Result::Success();
#endif
}

std::vector<std::string> RemoveStaleTemporaryFiles(const std::string& folder,
                                                   const std::vector<std::string>& ownNames) {
  namespace fs = std::filesystem;
  const std::string host = HostTag();
  const long self = CurrentProcessId();
  std::vector<std::string> removed;
  std::error_code error;
  for (fs::directory_iterator it(PathFromUtf8(folder), error), end; !error && it != end;
       it.increment(error)) {
    const std::optional<TemporaryName> name =
        SplitTemporaryName(Utf8FromPath(it->path().filename()));
    if (!name || name->host != host) continue;
    if (std::find(ownNames.begin(), ownNames.end(), name->target) == ownNames.end()) continue;
    // This process writes nothing yet: a name with its id is a leftover of an
    // earlier process that had the same id.
    if (name->pid != self && ProcessIsAlive(name->pid)) continue;
    std::error_code ignored;
    const fs::file_status status = it->symlink_status(ignored);
    if (!fs::is_regular_file(status) && !fs::is_symlink(status)) continue;
    if (fs::remove(it->path(), ignored)) removed.push_back(Utf8FromPath(it->path()));
  }
  return removed;
}

Result CheckReadableFile(const std::string& path, std::uintmax_t maxBytes) {
  namespace fs = std::filesystem;
  auto failed = [&](const std::string& reason) {
    return Result::Failure("The file " + path + " could not be read: " + reason + ".");
  };
  std::error_code error;
  const fs::path name = PathFromUtf8(path);
  const fs::file_status status = fs::status(name, error);
  if (error) return failed(error.message());
  if (fs::is_directory(status)) return failed("it is a folder");
  if (!fs::is_regular_file(status)) return failed("it is not a regular file");
  const std::uintmax_t size = fs::file_size(name, error);
  if (error) return failed(error.message());
  if (size > maxBytes) return failed(TooLarge(maxBytes));
  return Result::Success();
}

Expected<std::string> ReadWholeFile(const std::string& path, std::uintmax_t maxBytes) {
  if (Result readable = CheckReadableFile(path, maxBytes); !readable) return readable;
  errno = 0;
  std::ifstream in(PathFromUtf8(path), std::ios::binary);
  if (!in)
    return Result::Failure("The file " + path + " could not be read: " + ErrorText(errno) + ".");
  // At most one byte past the limit is read, so a file that grew meanwhile is
  // still refused without being read whole.
  // Room for the whole file at once: a big file is never copied as it grows.
  std::string bytes;
  std::error_code sizeError;
  const std::uintmax_t size = std::filesystem::file_size(PathFromUtf8(path), sizeError);
  if (!sizeError) bytes.reserve(static_cast<size_t>(std::min(size, maxBytes)) + 1);
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
