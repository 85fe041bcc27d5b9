#pragma once
// Whole files in and out. A file is written whole: a temporary file beside the
// target ("NAME.tmp-PID"), synced to disk, then renamed over the target and the
// folder synced, so neither a crash nor a power cut leaves half a file.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "util/result.h"

namespace corvala {

// The system's words for errno value error ("unknown error" for 0).
std::string ErrorText(int error);

// Writes all bytes to the open descriptor fd, however many calls that takes;
// 0 or the errno of the failure.
int WriteAllBytes(int fd, std::string_view bytes);

// Writes bytes to path whole. The failure names the file and the reason.
Result WriteFileAtomically(const std::string& path, std::string_view bytes);

// No file the station reads comes near this size; a day-long run is a few MB.
inline constexpr std::uintmax_t kMaxReadBytes = std::uintmax_t{1} << 30;

// Checks that path is a regular file (after links) of at most maxBytes, without
// opening it: a pipe or a device would block or never end. The failure names
// the file and the reason.
Result CheckReadableFile(const std::string& path, std::uintmax_t maxBytes = kMaxReadBytes);

// Reads a whole regular file of at most maxBytes. The failure names the file
// and the reason.
Expected<std::string> ReadWholeFile(const std::string& path,
                                    std::uintmax_t maxBytes = kMaxReadBytes);

// Syncs a folder's entries (a file created, renamed or removed in it) to disk.
Result SyncFolder(const std::string& folder);

// Removes the temporary files "NAME.tmp-PID" in folder that a program killed
// while writing left behind: those whose process PID no longer exists. Returns
// the paths removed.
std::vector<std::string> RemoveStaleTemporaryFiles(const std::string& folder);

}  // namespace corvala
