#include "app/data_folder.h"

#include "util/user_folders.h"

namespace corvala {

std::string ChooseDataFolder(const std::string& requested, const std::string& programFolder,
                             const std::string& userConfigFolder, std::string& notice) {
  // On Windows each user's files are in %APPDATA%\Corvala3, whatever the
  // caller's configuration folder is.
  const std::string userFolder = UserDataFolder(userConfigFolder);
  // An installed program (in a bin folder such as /usr/bin, or below Program
  // Files) keeps each user's settings in the user's own folder, never beside
  // the programs.
  const bool installed = IsInstalledProgramFolder(programFolder, ProgramFilesFolders());
  if (requested.empty() && installed) {
    MakeWritableFolder(userFolder);
    return userFolder;
  }
  const std::string preferred = requested.empty() ? programFolder : requested;
  if (MakeWritableFolder(preferred)) return preferred;
  notice = "The folder " + preferred + " is not writable; settings are kept in " + userFolder + ".";
  MakeWritableFolder(userFolder);
  return userFolder;
}

}  // namespace corvala
