// The program's arguments and the "--port COMn=PATH" mappings. The input holds
// the arguments separated by zero bytes.

#include "app/command_line.h"
#include "device/port_names.h"
#include "fuzz_check.h"

namespace corvala::fuzz {
namespace {

constexpr const char* kTarget = "command_line";

std::vector<std::string> Arguments(std::string_view text) {
  std::vector<std::string> arguments;
  size_t start = 0;
  while (start <= text.size()) {
    const size_t end = std::min(text.find('\0', start), text.size());
    arguments.emplace_back(text.substr(start, end - start));
    start = end + 1;
  }
  return arguments;
}

}  // namespace

void FuzzCommandLine(const uint8_t* data, size_t size) {
  const CommandLine line = ParseCommandLine(Arguments(AsText(data, size)));
  PortNames ports;
  std::string errors;
  const bool mapped = ParsePortOverrides(line.portOverrides, ports, errors);
  Check(mapped == errors.empty(), kTarget, "a mapping error without a text, or the other way");
  if (!line.error.empty()) return;

  // The understood options, given again in their plain form, mean the same.
  std::vector<std::string> again;
  if (!line.dataDir.empty()) again.insert(again.end(), {"--data-dir", line.dataDir});
  for (const std::string& port : line.portOverrides) again.insert(again.end(), {"--port", port});
  if (line.simulate) again.push_back("--simulate");
  if (line.help) again.push_back("--help");
  if (line.version) again.push_back("--version");
  const CommandLine reparsed = ParseCommandLine(again);
  Check(reparsed.error.empty(), kTarget, "understood options are not understood again");
  Check(reparsed.dataDir == line.dataDir && reparsed.portOverrides == line.portOverrides &&
            reparsed.simulate == line.simulate && reparsed.help == line.help &&
            reparsed.version == line.version,
        kTarget, "options given again mean something else");

  // Every accepted mapping names a port from 1 to 9 and a path that is opened as given.
  for (const std::string& value : line.portOverrides) {
    PortNames one;
    std::string error;
    if (!one.AddOverride(value, error)) {
      Check(!error.empty() && error.size() < 400, kTarget, "mapping error text");
      continue;
    }
    const int n = value[3] - '0';
    Check(n >= kFirstComPort && n <= kLastComPort, kTarget, "port number");
    Check(one.PathFor(n) == value.substr(5), kTarget, "mapped path");
  }
}

}  // namespace corvala::fuzz
