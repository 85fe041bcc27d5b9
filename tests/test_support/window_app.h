#pragma once
// The one QApplication of a test program that opens windows.

#include <QApplication>
#include <chrono>
#include <filesystem>
#include <thread>

#include "app/measure_dlg.h"

namespace corvala::testing {

// Made at the first call and left alive until the process ends: Qt's own
// statics go before it otherwise.
inline QApplication& WindowTestApp() {
  static int argc = 1;
  static char name[] = "window_tests";
  static char* argv[] = {name, nullptr};
  static QApplication* app = QApplication::instance() != nullptr
                                 ? static_cast<QApplication*>(QApplication::instance())
                                 : new QApplication(argc, argv);
  return *app;
}

// Lets the window's event loop run until done() or the time is up; false then.
template <class F>
bool RunUntil(F done, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 20);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

// A window on its own in folder: no serial link, no sampler.
inline StationOptions WindowAloneIn(const std::filesystem::path& folder) {
  StationOptions options;
  options.dataFolder = folder.string();
  options.startThreads = false;
  return options;
}

}  // namespace corvala::testing
