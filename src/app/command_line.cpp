#include "app/command_line.h"

namespace corvala {

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
  CommandLine line;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& arg = arguments[i];
    auto value = [&](std::string& into) {
      if (i + 1 >= arguments.size()) {
        line.error = arg + " needs a value";
        return;
      }
      into = arguments[++i];
    };
    if (arg == "--data-dir") {
      value(line.dataDir);
    } else if (arg.rfind("--data-dir=", 0) == 0) {
      line.dataDir = arg.substr(11);
    } else if (arg == "--port") {
      std::string port;
      value(port);
      if (line.error.empty()) line.portOverrides.push_back(port);
    } else if (arg.rfind("--port=", 0) == 0) {
      line.portOverrides.push_back(arg.substr(7));
    } else if (arg == "--simulate") {
      line.simulate = true;
    } else if (arg == "--help" || arg == "-h") {
      line.help = true;
    } else if (arg == "--version") {
      line.version = true;
    } else {
      line.error = "unknown option: " + arg;
    }
    if (!line.error.empty()) break;
  }
  return line;
}

std::string UsageText() {
  return "Usage: corvala3 [--data-dir DIR] [--port COMn=PATH]... [--simulate] [--help] "
         "[--version]\n"
         "\n"
         "  --data-dir DIR      keep the station's files in DIR (default: ~/.config/Corvala3\n"
         "                      for an installed program, else the program's own folder)\n"
         "  --port COMn=PATH    open PATH for serial port COMn (a USB adapter, a pseudo-terminal)\n"
         "  --simulate          start the built-in device simulator and connect to it\n"
         "  --help              show this text\n"
         "  --version           show the version\n"
         "\n"
         "Files in the data folder: Corvala.ini (settings and measurement program),\n"
         "auswertung.tmp (the analysis table's working file), Ports.ini (the serial\n"
         "adapter of each port), Rates.ini (blank chamber, volumes, amounts and window\n"
         "of the rates), Kammer1.journal to Kammer3.journal (the runs being\n"
         "measured), Corvala3.lock (held while a station runs) and NAME.tmp-HOST-PID\n"
         "(temporary files of an interrupted write, removed at start).\n";
}

}  // namespace corvala
