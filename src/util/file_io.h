#pragma once
// Whole files in and out. A file is written whole: a temporary file beside the
// target ("NAME.tmp-PID"), synced to disk, then renamed over the target and the
// folder synced, so neither a crash nor a power cut leaves half a file.

#include <string>
#include <string_view>
#include <vector>

#include "util/result.h"

namespace corvala {

// Writes bytes to path whole. The failure names the file and the reason.
Result WriteFileAtomically(const std::string& path, std::string_view bytes);

// Reads a whole regular file. The failure names the file and the reason.
Expected<std::string> ReadWholeFile(const std::string& path);

// Syncs a folder's entries (a file created, renamed or removed in it) to disk.
Result SyncFolder(const std::string& folder);

// Removes the temporary files "NAME.tmp-PID" in folder that a program killed
// while writing left behind: those whose process PID no longer exists. Returns
// the paths removed.
std::vector<std::string> RemoveStaleTemporaryFiles(const std::string& folder);

}  // namespace corvala
