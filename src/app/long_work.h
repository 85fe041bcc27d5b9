#pragma once
// Long work off the window thread: the work runs on a thread of its own while
// a progress dialog shows how far it has come and the window goes on painting,
// ticking and taking the sampler's rows. The dialog's Cancel asks the work to stop.

#include <QApplication>
#include <QEventLoop>
#include <QProgressDialog>
#include <QTimer>

#include <functional>
#include <optional>
#include <thread>

#include "util/progress.h"

namespace corvala {

template <class T>
T RunWithProgress(QWidget* parent, const QString& label, const std::function<T(Progress&)>& work) {
  Progress progress;
  std::optional<T> result;
  std::atomic<bool> finished{false};
  std::thread worker([&] {
    result.emplace(work(progress));
    finished = true;
  });

  QProgressDialog dialog(label, "Cancel", 0, 1000, parent);
  dialog.setWindowTitle("Meldung");
  dialog.setWindowModality(Qt::WindowModal);
  dialog.setMinimumDuration(300);
  dialog.setAutoClose(false);
  dialog.setAutoReset(false);
  QEventLoop loop;
  QTimer poll;
  poll.setInterval(50);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (dialog.wasCanceled()) progress.cancel = true;
    const int64_t total = progress.total.load();
    if (total > 0) dialog.setValue(static_cast<int>(progress.done.load() * 1000 / total));
    if (finished.load()) loop.quit();
  });
  poll.start();
  loop.exec();
  worker.join();
  return std::move(*result);
}

}  // namespace corvala
