#pragma once
// The files the station itself writes in its data folder, so that the clean-up
// at start removes only temporary files of its own.

#include <string>
#include <vector>

namespace corvala {

// "Corvala.ini", "Ports.ini", "Rates.ini", "auswertung.tmp" and the three journals.
std::vector<std::string> DataFolderFileNames();

// Removes what a station of this computer killed while writing one of
// DataFolderFileNames() left in folder. Returns the paths removed.
std::vector<std::string> RemoveStaleDataFolderFiles(const std::string& folder);

}  // namespace corvala
