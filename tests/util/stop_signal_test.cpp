#include "util/stop_signal.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

namespace corvala {
namespace {

using namespace std::chrono_literals;

// A thread in an hour-long wait, and a request from this thread at a moment
// that varies from round to round: before the wait, as it begins, well into it.
// Every round must end at once. A waiter that never ends is left behind (the
// test fails) instead of hanging the test program.
TEST(StopSignalTest, ARequestEndsAnHourLongWaitAtOnceEveryTime) {
  const auto begin = std::chrono::steady_clock::now();
  for (int round = 0; round < 300; ++round) {
    auto stop = std::make_shared<StopSignal>();
    auto ended = std::make_shared<std::atomic<bool>>(false);
    auto requested = std::make_shared<std::atomic<bool>>(false);
    std::thread waiter([stop, ended, requested] {
      requested->store(stop->WaitFor(1h));
      ended->store(true);
    });
    if (round % 3 == 1) std::this_thread::yield();
    if (round % 3 == 2) std::this_thread::sleep_for(std::chrono::microseconds(round % 200));
    stop->Request();
    const auto requestedAt = std::chrono::steady_clock::now();
    while (!ended->load() && std::chrono::steady_clock::now() - requestedAt < 20s)
      std::this_thread::sleep_for(100us);
    if (!ended->load()) {
      waiter.detach();
      FAIL() << "round " << round << ": the wait did not end on the request";
    }
    waiter.join();
    EXPECT_TRUE(requested->load()) << "round " << round;
  }
  EXPECT_LT(std::chrono::steady_clock::now() - begin, 60s);
}

TEST(StopSignalTest, WaitsLastTheirPeriodUntilARequestAndAgainAfterAReset) {
  StopSignal stop;
  EXPECT_FALSE(stop.Requested());
  EXPECT_FALSE(stop.WaitFor(1ms));
  stop.Request();
  EXPECT_TRUE(stop.Requested());
  // A wait after the request does not wait at all.
  const auto begin = std::chrono::steady_clock::now();
  EXPECT_TRUE(stop.WaitFor(1h));
  EXPECT_LT(std::chrono::steady_clock::now() - begin, 10s);
  stop.Reset();
  EXPECT_FALSE(stop.Requested());
  EXPECT_FALSE(stop.WaitFor(1ms));
}

}  // namespace
}  // namespace corvala
