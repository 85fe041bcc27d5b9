// corvala3-devsim: a simulated three-chamber device on a pseudo-terminal or a
// serial device, for trying the station without the real device.

#include <signal.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "devsim/device_simulator.h"
#include "util/c_format.h"

namespace {

constexpr const char* kUsage =
    "usage: corvala3-devsim [--device PATH] [--link PATH] [--period-ms N] [--seed N]\n"
    "                       [--time-scale X] [--channels 1|2|3] [--log FILE]\n"
    "       corvala3-devsim --help | --version\n"
    "Runs a simulated device and prints the port to connect to. Without --device it\n"
    "opens a pseudo-terminal; --link keeps a symbolic link pointing at it. Every\n"
    "command received is logged, one line each, to FILE or (--log -) stderr.\n";

bool ParseArgs(int argc, char** argv, corvala::devsim::DeviceSimulator::Options& o,
               std::string& error) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      std::exit(0);
    }
    if (arg == "--version") {
      std::puts("corvala3-devsim " CORVALA_VERSION);
      std::exit(0);
    }
    static const char* const kWithValue[] = {"--device", "--link",       "--log",     "--period-ms",
                                             "--seed",   "--time-scale", "--channels"};
    if (std::find(std::begin(kWithValue), std::end(kWithValue), arg) == std::end(kWithValue)) {
      error = "unknown option: " + arg;
      return false;
    }
    if (i + 1 >= argc) {
      error = "missing value for " + arg;
      return false;
    }
    const std::string value = argv[++i];
    const int32_t number = corvala::ParseInt(value);
    if (arg == "--device") {
      o.devicePath = value;
    } else if (arg == "--link") {
      o.linkPath = value;
    } else if (arg == "--log") {
      o.logPath = value;
    } else if (arg == "--period-ms" && number >= 10) {
      o.periodMs = number;
    } else if (arg == "--seed" && !value.empty() &&
               value.find_first_not_of("0123456789") == std::string::npos &&
               corvala::ParseFloat(value) <= 4294967295.0) {
      o.seed = static_cast<uint32_t>(corvala::ParseFloat(value));
    } else if (arg == "--time-scale" && corvala::ParseFloat(value) > 0.0) {
      o.timeScale = corvala::ParseFloat(value);
    } else if (arg == "--channels" && number >= 1 && number <= 3) {
      o.channels = number;
    } else {
      error = "invalid option " + arg + " " + value;
      return false;
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  corvala::devsim::DeviceSimulator::Options options;
  options.logPath = "-";
  std::string error;
  if (!ParseArgs(argc, argv, options, error)) {
    std::fprintf(stderr, "corvala3-devsim: %s\n%s", error.c_str(), kUsage);
    return 2;
  }
  // Block the stop signals before the device thread starts so only sigwait sees them.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGHUP);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);

  corvala::devsim::DeviceSimulator simulator(options);
  if (!simulator.Start(error)) {
    std::fprintf(stderr, "corvala3-devsim: %s\n", error.c_str());
    return 1;
  }
  std::printf("%s\n", simulator.Path().c_str());
  std::fflush(stdout);
  int received = 0;
  sigwait(&signals, &received);
  simulator.Stop();
  return 0;
}
