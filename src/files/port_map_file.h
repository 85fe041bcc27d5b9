#pragma once
// "Ports.ini" in the data folder: the serial adapter the user chose for each
// port number, one "COMn=PATH" line each with CR LF line ends, then one
// "Declined=PATH" line for each USB adapter whose offer the user declined. It
// lives beside "Corvala.ini" so that file keeps its bytes ("COM=n"). Paths
// keep their bytes, whatever their encoding.

#include <map>
#include <set>
#include <string>
#include <string_view>

#include "util/result.h"

namespace corvala {

inline constexpr const char* kPortMapFileName = "Ports.ini";

// The choices of a text; lines that are not "COMn=PATH" with n from 1 to 9 and
// a path are passed over.
std::map<int, std::string> ParsePortMap(std::string_view text);
std::string FormatPortMap(const std::map<int, std::string>& chosen,
                          const std::set<std::string>& declined = {});
// The declined adapters of a text; a reader that knows only "COMn=PATH" lines
// passes their lines over.
std::set<std::string> ParseDeclinedAdapters(std::string_view text);

// A missing file holds no choices.
Expected<std::map<int, std::string>> ReadPortMap(const std::string& path);
Expected<std::set<std::string>> ReadDeclinedAdapters(const std::string& path);
Result WritePortMap(const std::string& path, const std::map<int, std::string>& chosen,
                    const std::set<std::string>& declined = {});

}  // namespace corvala
