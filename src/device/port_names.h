#pragma once
// Maps the station's port numbers ("COM1" to "COM9") to the device paths the
// serial link opens, with per-port overrides from "--port COMn=PATH".

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace corvala {

inline constexpr int kFirstComPort = 1;
inline constexpr int kLastComPort = 9;

class PortNames {
 public:
  // The platform's own name: "COMn" on Windows, /dev/ttyS<n-1> elsewhere.
  static std::string DefaultPath(int comPort);

  // Parses one "COMn=PATH" value (n from 1 to 9, PATH not empty, "COM" in any
  // case). On success the mapping is stored; otherwise error says why and
  // nothing changes.
  bool AddOverride(std::string_view value, std::string& error);

  void SetOverride(int comPort, std::string path) { overrides_[comPort] = std::move(path); }

  // The path to open for a port number: its override, else the default path.
  std::string PathFor(int comPort) const;

 private:
  std::map<int, std::string> overrides_;
};

// Parses every "--port" value; false with one error line per bad value.
bool ParsePortOverrides(const std::vector<std::string>& values, PortNames& names,
                        std::string& errors);

}  // namespace corvala
