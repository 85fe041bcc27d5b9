#pragma once
// Which serial adapter each port number stands for: the choices the user made
// in the configuration view, kept in "Ports.ini" beside the settings, and the
// offer of the only USB adapter present when the configured port has no device.

#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "device/port_names.h"
#include "util/result.h"

namespace corvala {

// Takes the stored choices into ports.
Result LoadChosenAdapters(const std::string& file, PortNames& ports);
// Chooses path (empty: the platform's own name) for the port and stores every
// choice; the declined adapters stored in the file stay.
Result StoreChosenAdapter(const std::string& file, PortNames& ports, int comPort,
                          const std::string& path);
// Remembers that the offer of the adapter at path was declined, beside the choices.
Result StoreDeclinedAdapter(const std::string& file, const PortNames& ports,
                            const std::string& path);

// The adapter to offer for comPort: the only USB adapter present, when the
// port is not mapped for this session, its path has no device behind it and
// that adapter's offer was not declined before.
std::optional<SerialAdapter> AdapterToOffer(const PortNames& ports, int comPort,
                                            const std::vector<SerialAdapter>& adapters,
                                            const std::function<bool(const std::string&)>& exists,
                                            const std::set<std::string>& declined = {});
std::string OfferQuestion(int comPort, const std::string& path, const SerialAdapter& adapter);

// One entry of the configuration view's adapter list.
struct AdapterEntry {
  std::string text;  // shown; a path in it that is not UTF-8 shows as best it can
  std::string path;  // the path's own bytes; empty: the platform's own name for the port
  bool operator==(const AdapterEntry&) const = default;
};
// What is behind a path: nothing, a device, or the device the link is connected to.
enum class PathState { kMissing, kPresent, kConnected };
// The entries for comPort: its own name first, then every adapter present,
// and the path the port stands for, when it is none of these, with its own
// state ("connected - /dev/pts/5", "present - ...", "missing - ..."), since
// the system's list holds neither hand-written paths nor aliases. `selected`
// is the entry of the path the port stands for now.
std::vector<AdapterEntry> AdapterEntries(
    const std::vector<SerialAdapter>& adapters, const PortNames& ports, int comPort,
    size_t& selected, const std::function<PathState(const std::string&)>& stateOf);

}  // namespace corvala
