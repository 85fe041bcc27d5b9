#include "files/port_map_file.h"

#include "util/c_format.h"
#include "util/file_io.h"
#include "util/file_names.h"
#include "util/key_value_text.h"

namespace corvala {
namespace {

// A device path is one line of printable text, with no room for a line break.
bool PlausiblePath(std::string_view path) {
  if (path.empty() || path.size() > 1024) return false;
  for (char c : path)
    if (static_cast<unsigned char>(c) < 0x20) return false;
  return true;
}

constexpr std::string_view kDeclinedKey = "Declined=";

}  // namespace

std::map<int, std::string> ParsePortMap(std::string_view text) {
  std::map<int, std::string> chosen;
  ForEachLine(text, [&](std::string_view line) {
    if (line.size() < 6 || line.substr(0, 3) != "COM" || line[4] != '=') return;
    const int number = line[3] - '0';
    const std::string_view path = line.substr(5);
    if (number < 1 || number > 9 || !PlausiblePath(path)) return;
    chosen[number] = std::string(path);
  });
  return chosen;
}

std::set<std::string> ParseDeclinedAdapters(std::string_view text) {
  std::set<std::string> declined;
  ForEachLine(text, [&](std::string_view line) {
    if (line.substr(0, kDeclinedKey.size()) != kDeclinedKey) return;
    const std::string_view path = line.substr(kDeclinedKey.size());
    if (PlausiblePath(path)) declined.emplace(path);
  });
  return declined;
}

std::string FormatPortMap(const std::map<int, std::string>& chosen,
                          const std::set<std::string>& declined) {
  std::string out;
  for (const auto& [number, path] : chosen) {
    if (number < 1 || number > 9 || !PlausiblePath(path)) continue;
    out += Format("COM%d=", number) + path + "\r\n";
  }
  for (const std::string& path : declined)
    if (PlausiblePath(path)) out += std::string(kDeclinedKey) + path + "\r\n";
  return out;
}

Expected<std::map<int, std::string>> ReadPortMap(const std::string& path) {
  if (!PathExists(path)) return std::map<int, std::string>{};
  const Expected<std::string> text = ReadWholeFile(path);
  if (!text) return text.Status();
  return ParsePortMap(*text);
}

Expected<std::set<std::string>> ReadDeclinedAdapters(const std::string& path) {
  if (!PathExists(path)) return std::set<std::string>{};
  const Expected<std::string> text = ReadWholeFile(path);
  if (!text) return text.Status();
  return ParseDeclinedAdapters(*text);
}

Result WritePortMap(const std::string& path, const std::map<int, std::string>& chosen,
                    const std::set<std::string>& declined) {
  return WriteFileAtomically(path, FormatPortMap(chosen, declined));
}

}  // namespace corvala
