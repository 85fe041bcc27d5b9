#pragma once
// The serial adapters the system has, each under its stable name when udev
// gives it one (/dev/serial/by-id/...), so a choice survives replugging.

#include <vector>

#include "device/port_names.h"

namespace corvala {

std::vector<SerialAdapter> ListSerialAdapters();

}  // namespace corvala
