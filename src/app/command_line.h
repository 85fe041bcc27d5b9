#pragma once
#include <string>
#include <vector>

namespace corvala {

struct CommandLine {
  std::string dataDir;
  std::vector<std::string> portOverrides;  // "COMn=PATH", checked by the serial link's port names
  bool simulate = false;
  bool help = false;
  bool version = false;
  std::string error;  // set when the arguments are not understood
};

CommandLine ParseCommandLine(const std::vector<std::string>& arguments);
std::string UsageText();

}  // namespace corvala
