#pragma once
// Where an installed program keeps each user's files, and whether a program
// folder is an installed one. Names are UTF-8.

#include <string>
#include <vector>

namespace corvala {

// The folder name below the per-user application data folder on Windows.
inline constexpr const char* kUserFolderName = "Corvala3";

// The per-user data folder of an installed program: %APPDATA%\Corvala3 on
// Windows (the roaming application data), elsewhere fallback (the per-user
// configuration folder the caller knows). fallback also where Windows names none.
std::string UserDataFolder(const std::string& fallback);

// The folders programs are installed into: on Windows "Program Files" (both of
// them on a 64-bit system); none elsewhere.
std::vector<std::string> ProgramFilesFolders();

// True when programFolder is an installed program's: a folder named "bin"
// (/usr/bin), or one inside any of programFilesFolders (C:\Program Files\Corvala3;
// letters compared without case on Windows).
bool IsInstalledProgramFolder(const std::string& programFolder,
                              const std::vector<std::string>& programFilesFolders);

// Creates folder where it is missing; true when this user may write into it.
bool MakeWritableFolder(const std::string& folder);

}  // namespace corvala
