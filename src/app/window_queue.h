#pragma once
// Work that the worker threads hand to the window thread. The work waits in a
// queue of our own behind a mutex, so the hand-over is plain to see (and to the
// thread sanitizer, which cannot see inside Qt); Qt only carries a wake-up to
// the target's DrainWorkerQueue() slot.

#include <QMetaObject>
#include <QObject>

#include <deque>
#include <functional>
#include <mutex>

namespace corvala {

class WindowQueue {
 public:
  explicit WindowQueue(QObject* target) : target_(target) {}

  // Any thread.
  void Post(std::function<void()> work) {
    bool wake = false;
    {
      std::lock_guard lock(mutex_);
      queue_.push_back(std::move(work));
      wake = !wakePending_;
      wakePending_ = true;
    }
    if (wake) QMetaObject::invokeMethod(target_, "DrainWorkerQueue", Qt::QueuedConnection);
  }

  // The window thread: runs everything posted so far, in order.
  void Drain() {
    std::deque<std::function<void()>> work;
    {
      std::lock_guard lock(mutex_);
      work.swap(queue_);
      wakePending_ = false;
    }
    for (auto& f : work) f();
  }

 private:
  QObject* target_;
  std::mutex mutex_;
  std::deque<std::function<void()>> queue_;
  bool wakePending_ = false;
};

}  // namespace corvala
