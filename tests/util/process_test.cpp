#include "util/process.h"

#include <gtest/gtest.h>
#include <poll.h>

#include <csignal>

namespace corvala {
namespace {

bool Readable(int socket) {
  pollfd entry{socket, POLLIN, 0};
  return ::poll(&entry, 1, 1000) == 1 && (entry.revents & POLLIN) != 0;
}

bool ReadableAtOnce(int socket) {
  pollfd entry{socket, POLLIN, 0};
  return ::poll(&entry, 1, 0) == 1;
}

// SIGTERM and SIGINT each leave one byte on the socket instead of ending the
// program; taking it leaves the socket quiet again.
TEST(TerminationSignalsTest, EachSignalMakesTheSocketReadableOnce) {
  const int socket = WatchTerminationSignals();
  ASSERT_GE(socket, 0);
  EXPECT_EQ(WatchTerminationSignals(), socket);
  EXPECT_FALSE(ReadableAtOnce(socket));
  for (int signal : {SIGTERM, SIGINT}) {
    ASSERT_EQ(std::raise(signal), 0);
    EXPECT_TRUE(Readable(socket)) << signal;
    TakeTerminationSignal(socket);
    EXPECT_FALSE(ReadableAtOnce(socket)) << signal;
  }
}

}  // namespace
}  // namespace corvala
