#pragma once
// How far a long piece of work has come, shared by the thread that does it and
// the window that shows it; the window may ask the work to stop.

#include <atomic>
#include <cstdint>

namespace corvala {

struct Progress {
  std::atomic<int64_t> done{0};
  std::atomic<int64_t> total{0};
  std::atomic<bool> cancel{false};
};

}  // namespace corvala
