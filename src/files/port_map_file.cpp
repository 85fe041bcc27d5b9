#include "files/port_map_file.h"

#include <filesystem>

#include "util/c_format.h"
#include "util/file_io.h"

namespace corvala {
namespace {

// A device path is one line of printable text, with no room for a line break.
bool PlausiblePath(std::string_view path) {
  if (path.empty() || path.size() > 1024) return false;
  for (char c : path)
    if (static_cast<unsigned char>(c) < 0x20) return false;
  return true;
}

}  // namespace

std::map<int, std::string> ParsePortMap(std::string_view text) {
  std::map<int, std::string> chosen;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.size() < 6 || line.substr(0, 3) != "COM" || line[4] != '=') continue;
    const int number = line[3] - '0';
    const std::string_view path = line.substr(5);
    if (number < 1 || number > 9 || !PlausiblePath(path)) continue;
    chosen[number] = std::string(path);
  }
  return chosen;
}

std::string FormatPortMap(const std::map<int, std::string>& chosen) {
  std::string out;
  for (const auto& [number, path] : chosen) {
    if (number < 1 || number > 9 || !PlausiblePath(path)) continue;
    out += Format("COM%d=", number) + path + "\r\n";
  }
  return out;
}

Expected<std::map<int, std::string>> ReadPortMap(const std::string& path) {
  std::error_code error;
  if (!std::filesystem::exists(path, error)) return std::map<int, std::string>{};
  const Expected<std::string> text = ReadWholeFile(path);
  if (!text) return text.Status();
  return ParsePortMap(*text);
}

Result WritePortMap(const std::string& path, const std::map<int, std::string>& chosen) {
  return WriteFileAtomically(path, FormatPortMap(chosen));
}

}  // namespace corvala
