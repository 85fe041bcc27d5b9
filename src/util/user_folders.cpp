#include "util/user_folders.h"

#ifdef _WIN32
#include <windows.h>
// windows.h first: the shell's headers build on it.
#include <knownfolders.h>
#include <shlobj.h>
#else
#include <unistd.h>
#endif

#include <filesystem>

#include "util/file_io.h"
#include "util/file_names.h"

namespace corvala {

namespace fs = std::filesystem;

#ifdef _WIN32
namespace {

// A known folder's path in UTF-8, empty when the system names none.
std::string KnownFolder(REFKNOWNFOLDERID id) {
  PWSTR wide = nullptr;
  std::string folder;
  if (::SHGetKnownFolderPath(id, KF_FLAG_DEFAULT, nullptr, &wide) == S_OK && wide != nullptr)
    folder = Utf8FromWide(wide);
  ::CoTaskMemFree(wide);
  return folder;
}

bool SameComponent(const fs::path& a, const fs::path& b) {
  const std::wstring& x = a.native();
  const std::wstring& y = b.native();
  return ::CompareStringOrdinal(x.data(), static_cast<int>(x.size()), y.data(),
                                static_cast<int>(y.size()), TRUE) == CSTR_EQUAL;
}

}  // namespace

std::string UserDataFolder(const std::string& fallback) {
  std::string roaming = KnownFolder(FOLDERID_RoamingAppData);
  if (roaming.empty()) {
    const wchar_t* variable = ::_wgetenv(L"APPDATA");
    if (variable != nullptr) roaming = Utf8FromWide(variable);
  }
  return roaming.empty() ? fallback : JoinPath(roaming, kUserFolderName);
}

std::vector<std::string> ProgramFilesFolders() {
  std::vector<std::string> folders;
  for (const KNOWNFOLDERID* id : {&FOLDERID_ProgramFiles, &FOLDERID_ProgramFilesX86}) {
    std::string folder = KnownFolder(*id);
    if (!folder.empty() && (folders.empty() || folders.front() != folder))
      folders.push_back(std::move(folder));
  }
  return folders;
}

bool MakeWritableFolder(const std::string& folder) {
  std::error_code error;
  const fs::path path = PathFromUtf8(folder);
  fs::create_directories(path, error);
  if (!fs::is_directory(path, error)) return false;
  // Windows tells no folder's write permission without reading its access
  // list: a file of this process's own is made there and goes as it closes.
  const std::wstring probe = WideFromUtf8(TemporaryNameFor(JoinPath(folder, "Corvala3.write")));
  const HANDLE handle =
      ::CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                    FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  ::CloseHandle(handle);
  return true;
}

#else

namespace {

bool SameComponent(const fs::path& a, const fs::path& b) {
  return a == b;
}

}  // namespace

std::string UserDataFolder(const std::string& fallback) {
  return fallback;
}

std::vector<std::string> ProgramFilesFolders() {
  return {};
}

bool MakeWritableFolder(const std::string& folder) {
  std::error_code error;
  const fs::path path = PathFromUtf8(folder);
  fs::create_directories(path, error);
  return fs::is_directory(path, error) && ::access(path.c_str(), W_OK) == 0;
}

#endif

bool IsInstalledProgramFolder(const std::string& programFolder,
                              const std::vector<std::string>& programFilesFolders) {
  if (PathFromUtf8(programFolder).filename() == "bin") return true;
  const fs::path program = PathFromUtf8(programFolder).lexically_normal();
  for (const std::string& root : programFilesFolders) {
    const fs::path base = PathFromUtf8(root).lexically_normal();
    auto inside = program.begin();
    bool within = !base.empty();
    for (const fs::path& part : base) {
      // A separator at the end of the root names no folder.
      if (part.empty()) continue;
      if (inside == program.end() || !SameComponent(part, *inside)) {
        within = false;
        break;
      }
      ++inside;
    }
    // The Program Files folder itself is no program's folder.
    if (within && inside != program.end() && !inside->empty()) return true;
  }
  return false;
}

}  // namespace corvala
