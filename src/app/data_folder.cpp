#include "app/data_folder.h"

#include <unistd.h>

#include <filesystem>

namespace corvala {
namespace {

bool Writable(const std::filesystem::path& folder) {
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  return std::filesystem::is_directory(folder, error) && ::access(folder.c_str(), W_OK) == 0;
}

}  // namespace

std::string ChooseDataFolder(const std::string& requested, const std::string& programFolder,
                             const std::string& userConfigFolder, std::string& notice) {
  // An installed program (in a bin folder such as /usr/bin) keeps each user's
  // settings in the user's own folder, never beside the programs.
  const bool installed = std::filesystem::path(programFolder).filename() == "bin";
  if (requested.empty() && installed) {
    Writable(userConfigFolder);
    return userConfigFolder;
  }
  const std::string preferred = requested.empty() ? programFolder : requested;
  if (Writable(preferred)) return preferred;
  notice = "The folder " + preferred + " is not writable; settings are kept in " +
           userConfigFolder + ".";
  Writable(userConfigFolder);
  return userConfigFolder;
}

}  // namespace corvala
