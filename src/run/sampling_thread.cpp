#include "run/sampling_thread.h"

namespace corvala {

void SamplingThread::Start() {
  if (thread_.joinable()) return;
  stop_.Reset();
  thread_ = std::jthread([this] { Loop(); });
}

void SamplingThread::Stop() {
  if (!thread_.joinable()) return;
  stop_.Request();
  thread_.join();
}

void SamplingThread::Loop() {
  while (!stop_.Requested()) {
    scheduler_.RunPass();
    passes_.fetch_add(1);
    if (stop_.WaitFor(period_)) break;
  }
  // What the last passes journaled reaches the disk before the thread ends.
  scheduler_.SyncJournals();
}

}  // namespace corvala
