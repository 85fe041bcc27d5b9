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
  return WritePortMap(file, ports.AllChosen());
}

std::optional<SerialAdapter> AdapterToOffer(const PortNames& ports, int comPort,
                                            const std::vector<SerialAdapter>& adapters,
                                            const std::function<bool(const std::string&)>& exists) {
  if (ports.IsOverridden(comPort) || exists(ports.PathFor(comPort))) return std::nullopt;
  std::optional<SerialAdapter> only;
  for (const SerialAdapter& adapter : adapters) {
    if (!adapter.usb) continue;
    if (only) return std::nullopt;  // more than one: the user chooses
    only = adapter;
  }
  return only;
}

std::string OfferQuestion(int comPort, const std::string& path, const SerialAdapter& adapter) {
  return Format(
      "COM%d (%s) has no device behind it. Use the USB serial adapter %s (%s) for "
      "COM%d?",
      comPort, path.c_str(), AdapterText(adapter).c_str(), adapter.path.c_str(), comPort);
}

std::vector<AdapterEntry> AdapterEntries(const std::vector<SerialAdapter>& adapters,
                                         const PortNames& ports, int comPort, size_t& selected) {
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
    entries.push_back({"not connected - " + current, current});
  }
  return entries;
}

}  // namespace corvala
