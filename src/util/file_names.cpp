#include "util/file_names.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cerrno>
#endif

namespace corvala {

namespace fs = std::filesystem;

#ifdef _WIN32

std::wstring WideFromUtf8(std::string_view text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int length =
      ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
  if (length <= 0) return {};
  std::wstring wide(static_cast<size_t>(length), L'\0');
  ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), size, wide.data(), length);
  return wide;
}

std::string Utf8FromWide(std::wstring_view text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int length =
      ::WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
  if (length <= 0) return {};
  std::string narrow(static_cast<size_t>(length), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), size, narrow.data(), length, nullptr, nullptr);
  return narrow;
}

int DescriptorOfHandle(void* handle, int flags) {
  const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), flags);
  if (fd < 0) {
    ::CloseHandle(handle);
    errno = EMFILE;
    return -1;
  }
  ::_setmode(fd, _O_BINARY);
  return fd;
}

int ErrnoFromWindowsError(unsigned long error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_NETPATH:
    case ERROR_INVALID_DRIVE:
      return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
      return EACCES;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return ENOMEM;
    case ERROR_DIRECTORY:
      return ENOTDIR;
    case ERROR_DIR_NOT_EMPTY:
      return ENOTEMPTY;
    case ERROR_INVALID_HANDLE:
      return EBADF;
    case ERROR_INVALID_PARAMETER:
      return EINVAL;
    default:
      return EIO;
  }
}

fs::path PathFromUtf8(std::string_view name) {
  return fs::path(WideFromUtf8(name));
}

std::string Utf8FromPath(const fs::path& path) {
  return Utf8FromWide(path.native());
}

#else

fs::path PathFromUtf8(std::string_view name) {
  return fs::path(std::string(name));
}

std::string Utf8FromPath(const fs::path& path) {
  return path.native();
}

#endif

std::string JoinPath(const std::string& folder, const std::string& name) {
  return Utf8FromPath(PathFromUtf8(folder) / PathFromUtf8(name));
}

std::string ParentOf(const std::string& path) {
  return Utf8FromPath(PathFromUtf8(path).parent_path());
}

std::string FileNameOf(const std::string& path) {
  return Utf8FromPath(PathFromUtf8(path).filename());
}

std::string StemOf(const std::string& path) {
  return Utf8FromPath(PathFromUtf8(path).stem());
}

std::string ExtensionOf(const std::string& path) {
  return Utf8FromPath(PathFromUtf8(path).extension());
}

bool PathExists(const std::string& path) {
  std::error_code error;
  return fs::exists(PathFromUtf8(path), error);
}

bool IsFolder(const std::string& path) {
  std::error_code error;
  return fs::is_directory(PathFromUtf8(path), error);
}

bool IsRegularFile(const std::string& path) {
  std::error_code error;
  return fs::is_regular_file(PathFromUtf8(path), error);
}

bool RemovePath(const std::string& path, std::error_code& error) {
  return fs::remove(PathFromUtf8(path), error);
}

void RenamePath(const std::string& from, const std::string& to, std::error_code& error) {
  error.clear();
#ifdef _WIN32
  const std::wstring wideFrom = WideFromUtf8(from);
  const std::wstring wideTo = WideFromUtf8(to);
  if (!::MoveFileExW(wideFrom.c_str(), wideTo.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    error = std::error_code(ErrnoFromWindowsError(::GetLastError()), std::generic_category());
#else
  fs::rename(PathFromUtf8(from), PathFromUtf8(to), error);
#endif
}

}  // namespace corvala
