#include "device/port_names.h"

#ifndef _WIN32
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#endif

#include <cctype>
#include <vector>

#include "util/c_format.h"

namespace corvala {

std::string PortNames::DefaultPath(int comPort) {
#ifdef _WIN32
  return Format("COM%d", comPort);
#else
  // Counted wide: a stored port number may be any int.
  return Format("/dev/ttyS%lld", static_cast<long long>(comPort) - 1);
#endif
}

bool PortNames::AddOverride(std::string_view value, std::string& error) {
  const std::string shown(value.substr(0, 200));
  const auto fail = [&] {
    error = "invalid port mapping \"" + shown + "\": expected COMn=PATH with n from 1 to 9";
    return false;
  };
  const size_t equals = value.find('=');
  if (equals == std::string_view::npos) return fail();
  const std::string_view name = value.substr(0, equals);
  const std::string_view path = value.substr(equals + 1);
  if (name.size() != 4 || path.empty()) return fail();
  for (size_t i = 0; i < 3; ++i) {
    if (std::toupper(static_cast<unsigned char>(name[i])) != "COM"[i]) return fail();
  }
  const int number = name[3] - '0';
  if (number < kFirstComPort || number > kLastComPort) return fail();
  SetOverride(number, std::string(path));
  return true;
}

void PortNames::SetChosen(int comPort, const std::string& path) {
  if (path.empty())
    chosen_.erase(comPort);
  else
    chosen_[comPort] = path;
}

std::string PortNames::Chosen(int comPort) const {
  const auto found = chosen_.find(comPort);
  return found != chosen_.end() ? found->second : std::string();
}

std::string PortNames::PathFor(int comPort) const {
  if (const auto found = overrides_.find(comPort); found != overrides_.end()) return found->second;
  if (const auto found = chosen_.find(comPort); found != chosen_.end()) return found->second;
  return DefaultPath(comPort);
}

std::string PortStatusText(const PortStatus& status) {
  std::string state;
  switch (status.state) {
    case PortState::kUnknown:
      state = "not tried yet";
      break;
    case PortState::kConnected:
      state = status.simulated ? "simulated device" : "connected";
      break;
    case PortState::kNoSuchDevice:
      state = "no such device";
      break;
    case PortState::kPermissionDenied:
      state = "permission denied";
      if (!status.detail.empty()) state += ": " + status.detail;
      break;
    case PortState::kBusy:
      state = "busy: another program holds it";
      break;
    case PortState::kFailed:
      state = "cannot be opened: " + status.detail;
      break;
  }
  return Format("COM%d (", status.comPort) + status.path + "): " + state;
}

std::string PermissionReason(const DeviceAccess& access) {
  const unsigned mode = access.mode & 0777u;
  std::string reason =
      "owner " + access.owner + ", group " + access.group + Format(", mode %03o", mode);
  if ((mode & 060u) == 060u)
    reason += ": the user must be in the " + access.group + " group";
  else if ((mode & 006u) != 006u)
    reason += ": only its owner may open it; an administrator must change its permissions";
  return reason;
}

std::optional<DeviceAccess> ReadDeviceAccess(const std::string& path) {
#ifdef _WIN32
  (void)path;
  return std::nullopt;
#else
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return std::nullopt;
  DeviceAccess access;
  access.mode = info.st_mode & 07777u;
  // The reentrant lookups: the serial link's thread asks this.
  std::vector<char> buffer(16384);
  struct passwd user {};
  struct passwd* userFound = nullptr;
  if (::getpwuid_r(info.st_uid, &user, buffer.data(), buffer.size(), &userFound) == 0 && userFound)
    access.owner = user.pw_name;
  else
    access.owner = std::to_string(info.st_uid);
  struct group group {};
  struct group* groupFound = nullptr;
  if (::getgrgid_r(info.st_gid, &group, buffer.data(), buffer.size(), &groupFound) == 0 &&
      groupFound)
    access.group = group.gr_name;
  else
    access.group = std::to_string(info.st_gid);
  return access;
#endif
}

std::string WindowsDevicePath(const std::string& path) {
  if (path.size() < 5) return path;
  for (size_t i = 0; i < 3; ++i) {
    if (std::toupper(static_cast<unsigned char>(path[i])) != "COM"[i]) return path;
  }
  for (size_t i = 3; i < path.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(path[i]))) return path;
  }
  // Two digits or more: 10 and up ("COM05" is no port Windows knows either way).
  if (path[3] == '0') return path;
  return "\\\\.\\" + path;
}

std::string OpenablePortPath(const std::string& path) {
#ifdef _WIN32
  return WindowsDevicePath(path);
#else
  return path;
#endif
}

bool ParsePortOverrides(const std::vector<std::string>& values, PortNames& names,
                        std::string& errors) {
  bool ok = true;
  for (const std::string& value : values) {
    std::string error;
    if (!names.AddOverride(value, error)) {
      errors += error + "\n";
      ok = false;
    }
  }
  return ok;
}

}  // namespace corvala
