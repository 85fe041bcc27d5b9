#include "station/own_files.h"

#include "files/port_map_file.h"
#include "files/rate_settings_file.h"
#include "files/settings_file.h"
#include "run/run_journal.h"
#include "station/analysis_store.h"
#include "util/file_io.h"

namespace corvala {

std::vector<std::string> DataFolderFileNames() {
  return {kSettingsFileName,  kPortMapFileName,   kRateSettingsFileName, kWorkingFileName,
          JournalFileName(0), JournalFileName(1), JournalFileName(2)};
}

std::vector<std::string> RemoveStaleDataFolderFiles(const std::string& folder) {
  return RemoveStaleTemporaryFiles(folder, DataFolderFileNames());
}

}  // namespace corvala
