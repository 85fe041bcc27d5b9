#include "run/sampling_thread.h"

namespace corvala {

void SamplingThread::Start() {
  if (thread_.joinable()) return;
  thread_ = std::jthread([this](std::stop_token stop) { Loop(stop); });
}

void SamplingThread::Stop() {
  if (!thread_.joinable()) return;
  thread_.request_stop();
  thread_.join();
}

void SamplingThread::Loop(std::stop_token stop) {
  while (!stop.stop_requested()) {
    scheduler_.RunPass();
    passes_.fetch_add(1);
    std::unique_lock lock(mutex_);
    // Returns early when a stop is requested.
    wake_.wait_for(lock, stop, period_, [] { return false; });
  }
  // What the last passes journaled reaches the disk before the thread ends.
  scheduler_.SyncJournals();
}

}  // namespace corvala
