#pragma once
// Maps the station's port numbers ("COM1" to "COM9") to the device paths the
// serial link opens: "--port COMn=PATH" for this session, then the adapter the
// user chose for the port, then the platform's own name. Also what a port's
// state is when the link tries it, and the serial adapters the system has.

#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace corvala {

inline constexpr int kFirstComPort = 1;
inline constexpr int kLastComPort = 9;

// A serial adapter as the system reports it.
struct SerialAdapter {
  std::string path;         // the name to open: its stable /dev/serial/by-id/ name when it has one
  std::string device;       // the device node it stands for (/dev/ttyUSB0)
  std::string description;  // what the system says it is ("FT232R USB UART", the maker)
  bool usb = false;
  bool operator==(const SerialAdapter&) const = default;
};

// The state of a port as the serial link last found it.
enum class PortState { kUnknown, kConnected, kNoSuchDevice, kPermissionDenied, kBusy, kFailed };
struct PortStatus {
  int comPort = 0;
  std::string path;
  PortState state = PortState::kUnknown;
  // The system's words for kFailed, the device's permissions for kPermissionDenied.
  std::string detail;
  bool simulated = false;  // the built-in device simulator stands in for the port
  bool operator==(const PortStatus&) const = default;
};
// "COM1 (/dev/ttyUSB0): connected", "... no such device", "... permission
// denied: owner root, group dialout, mode 660: the user must be in the dialout
// group", "... busy: another program holds it"; "COM1 (/dev/pts/3): simulated
// device" when the simulator is connected.
std::string PortStatusText(const PortStatus& status);

// Who may open a device node, as the permission reason names it.
struct DeviceAccess {
  std::string owner;
  std::string group;
  unsigned mode = 0;  // the permission bits
};
// "owner root, group dialout, mode 660: the user must be in the dialout group";
// a device its group may not read and write needs its permissions changed.
std::string PermissionReason(const DeviceAccess& access);
// The owner, group and mode of the device at path (after symbolic links).
std::optional<DeviceAccess> ReadDeviceAccess(const std::string& path);

class PortNames {
 public:
  // The platform's own name: "COMn" on Windows, /dev/ttyS<n-1> elsewhere.
  static std::string DefaultPath(int comPort);

  // Parses one "COMn=PATH" value (n from 1 to 9, PATH not empty, "COM" in any
  // case). On success the mapping is stored; otherwise error says why and
  // nothing changes.
  bool AddOverride(std::string_view value, std::string& error);

  void SetOverride(int comPort, std::string path) {
    overrides_[comPort] = std::move(path);
    simulated_.erase(comPort);
  }
  bool IsOverridden(int comPort) const { return overrides_.count(comPort) != 0; }
  // The built-in device simulator on path stands in for the port this session.
  void SetSimulated(int comPort, std::string path) {
    overrides_[comPort] = std::move(path);
    simulated_.insert(comPort);
  }
  bool IsSimulated(int comPort) const { return simulated_.count(comPort) != 0; }

  // The adapter the user chose for a port; an empty path takes the choice back.
  void SetChosen(int comPort, const std::string& path);
  std::string Chosen(int comPort) const;
  const std::map<int, std::string>& AllChosen() const { return chosen_; }

  // The path to open for a port number: its override, else the chosen
  // adapter, else the default path.
  std::string PathFor(int comPort) const;

 private:
  std::map<int, std::string> overrides_;
  std::set<int> simulated_;  // overridden by the simulator
  std::map<int, std::string> chosen_;
};

// The name Windows opens for a port: "COMn" (any case) with n >= 10 becomes
// "\\.\COMn", the only form Windows opens for those; every other name stays.
std::string WindowsDevicePath(const std::string& path);
// The name the serial link opens for path: WindowsDevicePath on Windows, path
// as it is elsewhere. Shown to the user is path.
std::string OpenablePortPath(const std::string& path);

// Parses every "--port" value; false with one error line per bad value.
bool ParsePortOverrides(const std::vector<std::string>& values, PortNames& names,
                        std::string& errors);

}  // namespace corvala
