#pragma once
// What the system says about a serial device before and around opening it.
//
// On Windows a serial port is a name such as COM3, not a file with owners and
// permissions: a port refused to this program is held by another one, and an
// open handle cannot be handed over by a path. The Windows branches say so.

#include <string>

namespace corvala {

// True when this user may read and write the file at path (Windows: always).
bool MayReadAndWrite(const std::string& path);

// True when something is at path (Windows: always; the port's own open says
// whether it is there).
bool DevicePathExists(const std::string& path);

// A device opened by its bytes alone and named by its open descriptor
// (/proc/self/fd/N), for a path that a Unicode text would change; empty, and
// nothing held, when it cannot be opened or where there is no such name
// (Windows). Released on destruction or by Release().
class HeldDevice {
 public:
  explicit HeldDevice(const std::string& path);
  ~HeldDevice() { Release(); }
  HeldDevice(const HeldDevice&) = delete;
  HeldDevice& operator=(const HeldDevice&) = delete;

  // The name under which the open device can be opened again; empty when none.
  const std::string& Name() const { return name_; }
  void Release();

 private:
  int fd_ = -1;
  std::string name_;
};

}  // namespace corvala
