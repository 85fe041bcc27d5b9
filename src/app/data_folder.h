#pragma once
#include <string>

namespace corvala {

// The folder for the settings and the analysis working file: the requested
// folder (or the program's own) when it is writable, else the per-user
// configuration folder. An installed program (its folder named "bin") uses
// the per-user folder unless a folder is requested. `notice` says why the
// fallback was taken.
std::string ChooseDataFolder(const std::string& requested, const std::string& programFolder,
                             const std::string& userConfigFolder, std::string& notice);

}  // namespace corvala
