#include "device/port_catalog.h"

#include <QSerialPortInfo>

#include <filesystem>
#include <map>

namespace corvala {
namespace {

// The stable names under /dev/serial/by-id, by the device node they point at.
std::map<std::string, std::string> StableNames() {
  std::map<std::string, std::string> names;
  std::error_code error;
  const std::filesystem::path folder("/dev/serial/by-id");
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    const auto target = std::filesystem::canonical(entry.path(), error);
    if (!error) names.emplace(target.string(), entry.path().string());
  }
  return names;
}

}  // namespace

std::vector<SerialAdapter> ListSerialAdapters() {
  std::vector<SerialAdapter> adapters;
  const auto stable = StableNames();
  for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
    SerialAdapter adapter;
    adapter.device = info.systemLocation().toStdString();
    const auto found = stable.find(adapter.device);
    adapter.path = found != stable.end() ? found->second : adapter.device;
    std::string description = info.description().toStdString();
    const std::string maker = info.manufacturer().toStdString();
    if (!maker.empty() && description.find(maker) == std::string::npos)
      description += description.empty() ? maker : " (" + maker + ")";
    adapter.description = description;
    adapter.usb = info.hasVendorIdentifier();
    adapters.push_back(std::move(adapter));
  }
  return adapters;
}

}  // namespace corvala
