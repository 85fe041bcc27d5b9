#include "util/device_access.h"

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

namespace corvala {

#ifndef _WIN32

bool MayReadAndWrite(const std::string& path) {
  return ::access(path.c_str(), R_OK | W_OK) == 0;
}

bool DevicePathExists(const std::string& path) {
  return ::access(path.c_str(), F_OK) == 0;
}

HeldDevice::HeldDevice(const std::string& path) {
  fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd_ >= 0) name_ = "/proc/self/fd/" + std::to_string(fd_);
}

void HeldDevice::Release() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  name_.clear();
}

#else

bool MayReadAndWrite(const std::string&) {
  return true;
}

bool DevicePathExists(const std::string&) {
  return true;
}

HeldDevice::HeldDevice(const std::string&) {}

void HeldDevice::Release() {}

#endif

}  // namespace corvala
