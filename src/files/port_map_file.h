#pragma once
// "Ports.ini" in the data folder: the serial adapter the user chose for each
// port number, one "COMn=PATH" line each with CR LF line ends. It lives beside
// "Corvala.ini" so that file keeps its bytes ("COM=n").

#include <map>
#include <string>
#include <string_view>

#include "util/result.h"

namespace corvala {

inline constexpr const char* kPortMapFileName = "Ports.ini";

// The choices of a text; lines that are not "COMn=PATH" with n from 1 to 9 and
// a path are passed over.
std::map<int, std::string> ParsePortMap(std::string_view text);
std::string FormatPortMap(const std::map<int, std::string>& chosen);

// A missing file holds no choices.
Expected<std::map<int, std::string>> ReadPortMap(const std::string& path);
Result WritePortMap(const std::string& path, const std::map<int, std::string>& chosen);

}  // namespace corvala
