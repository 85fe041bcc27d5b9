#include "util/process.h"

#ifndef _WIN32
#include <sys/socket.h>
#include <unistd.h>

#include <csignal>
#endif

namespace corvala {

#ifndef _WIN32
namespace {

int g_signalSockets[2] = {-1, -1};

void OnTerminationSignal(int) {
  const char byte = 1;
  [[maybe_unused]] const auto written = ::write(g_signalSockets[1], &byte, 1);
}

}  // namespace

int WatchTerminationSignals() {
  if (g_signalSockets[0] >= 0) return g_signalSockets[0];
  if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalSockets) != 0) return -1;
  std::signal(SIGTERM, OnTerminationSignal);
  std::signal(SIGINT, OnTerminationSignal);
  return g_signalSockets[0];
}

void TakeTerminationSignal(int socket) {
  char byte;
  [[maybe_unused]] const auto got = ::read(socket, &byte, 1);
}

#else

int WatchTerminationSignals() {
  return -1;
}

void TakeTerminationSignal(int) {}

#endif

}  // namespace corvala
