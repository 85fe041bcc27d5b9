#pragma once
// Whole files in and out. A file is written whole: a temporary file beside the
// target, flushed, then renamed over it, so a crash never leaves half a file.

#include <string>
#include <string_view>

#include "util/result.h"

namespace corvala {

// Writes bytes to path whole. The failure names the file and the reason.
Result WriteFileAtomically(const std::string& path, std::string_view bytes);

// Reads a whole regular file. The failure names the file and the reason.
Expected<std::string> ReadWholeFile(const std::string& path);

}  // namespace corvala
