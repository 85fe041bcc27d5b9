#pragma once
// Which serial adapter each port number stands for: the choices the user made
// in the configuration view, kept in "Ports.ini" beside the settings, and the
// offer of the only USB adapter present when the configured port has no device.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "device/port_names.h"
#include "util/result.h"

namespace corvala {

// Takes the stored choices into ports.
Result LoadChosenAdapters(const std::string& file, PortNames& ports);
// Chooses path (empty: the platform's own name) for the port and stores every choice.
Result StoreChosenAdapter(const std::string& file, PortNames& ports, int comPort,
                          const std::string& path);

// The adapter to offer for comPort: the only USB adapter present, when the
// port is not mapped for this session and its path has no device behind it.
std::optional<SerialAdapter> AdapterToOffer(const PortNames& ports, int comPort,
                                            const std::vector<SerialAdapter>& adapters,
                                            const std::function<bool(const std::string&)>& exists);
std::string OfferQuestion(int comPort, const std::string& path, const SerialAdapter& adapter);

// One entry of the configuration view's adapter list.
struct AdapterEntry {
  std::string text;
  std::string path;  // empty: the platform's own name for the port
  bool operator==(const AdapterEntry&) const = default;
};
// The entries for comPort: its own name first, then every adapter present, and
// the chosen one marked as absent when it is unplugged. `selected` is the
// entry of the path the port stands for now.
std::vector<AdapterEntry> AdapterEntries(const std::vector<SerialAdapter>& adapters,
                                         const PortNames& ports, int comPort, size_t& selected);

}  // namespace corvala
