#include "station/port_choice.h"

#include "files/port_map_file.h"
#include "util/c_format.h"

namespace corvala {
namespace {

std::string AdapterText(const SerialAdapter& adapter) {
  const std::string name = adapter.path.substr(adapter.path.rfind('/') + 1);
  return adapter.description.empty() ? name : adapter.description + " - " + name;
}

}  // namespace

Result LoadChosenAdapters(const std::string& file, PortNames& ports) {
  const Expected<std::map<int, std::string>> chosen = ReadPortMap(file);
  if (!chosen) return chosen.Status();
  for (const auto& [number, path] : *chosen) ports.SetChosen(number, path);
  return Result::Success();
}

Result StoreChosenAdapter(const std::string& file, PortNames& ports, int comPort,
                          const std::string& path) {
  ports.SetChosen(comPort, path);
  const Expected<std::set<std::string>> declined = ReadDeclinedAdapters(file);
  return WritePortMap(file, ports.AllChosen(), declined ? *declined : std::set<std::string>{});
}

Result StoreDeclinedAdapter(const std::string& file, const PortNames& ports,
                            const std::string& path) {
  Expected<std::set<std::string>> declined = ReadDeclinedAdapters(file);
  if (!declined) return declined.Status();
  declined->insert(path);
  return WritePortMap(file, ports.AllChosen(), *declined);
}

std::optional<SerialAdapter> AdapterToOffer(const PortNames& ports, int comPort,
                                            const std::vector<SerialAdapter>& adapters,
                                            const std::function<bool(const std::string&)>& exists,
                                            const std::set<std::string>& declined) {
  if (ports.IsOverridden(comPort) || exists(ports.PathFor(comPort))) return std::nullopt;
  std::optional<SerialAdapter> only;
  for (const SerialAdapter& adapter : adapters) {
    if (!adapter.usb) continue;
    if (only) return std::nullopt;  // more than one: the user chooses
    only = adapter;
  }
  if (only && declined.count(only->path) != 0) return std::nullopt;
  return only;
}

std::string OfferQuestion(int comPort, const std::string& path, const SerialAdapter& adapter) {
  return Format(
      "COM%d (%s) has no device behind it. Use the USB serial adapter %s (%s) for "
      "COM%d?",
      comPort, path.c_str(), AdapterText(adapter).c_str(), adapter.path.c_str(), comPort);
}

std::vector<AdapterEntry> AdapterEntries(
    const std::vector<SerialAdapter>& adapters, const PortNames& ports, int comPort,
    size_t& selected, const std::function<PathState(const std::string&)>& stateOf) {
  std::vector<AdapterEntry> entries;
  entries.push_back({"standard - " + PortNames::DefaultPath(comPort), ""});
  const std::string current = ports.PathFor(comPort);
  selected = 0;
  bool currentListed = current == PortNames::DefaultPath(comPort);
  for (const SerialAdapter& adapter : adapters) {
    if (adapter.path == PortNames::DefaultPath(comPort)) continue;
    if (adapter.path == current) {
      selected = entries.size();
      currentListed = true;
    }
    entries.push_back({AdapterText(adapter), adapter.path});
  }
  if (!currentListed) {
    selected = entries.size();
    const PathState state = stateOf(current);
    const char* const stateText = state == PathState::kConnected ? "connected"
                                  : state == PathState::kPresent ? "present"
                                                                 : "missing";
    entries.push_back({stateText + std::string(" - ") + current, current});
  }
  return entries;
}

}  // namespace corvala
