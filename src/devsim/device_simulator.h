#pragma once
// Runs the simulated device on a pseudo-terminal (or a given serial device):
// sends a frame every period, decodes and logs every command byte it receives
// and lets simulated time pass at a chosen multiple of real time.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "devsim/device_model.h"

namespace corvala::devsim {

struct LogEntry {
  double seconds = 0.0;  // real seconds since Start
  std::string text;
};

class DeviceSimulator {
 public:
  struct Options {
    std::string devicePath;  // a serial device to use; empty: a new pseudo-terminal
    std::string linkPath;    // optional symbolic link kept pointing at the pseudo-terminal
    int periodMs = 500;
    std::optional<uint32_t> seed;  // empty: a random seed
    double timeScale = 1.0;        // simulated seconds per real second
    std::string logPath;           // "" no log output, "-" stderr, else a file (appended)
    int channels = 3;
  };

  explicit DeviceSimulator(Options options);
  ~DeviceSimulator();
  DeviceSimulator(const DeviceSimulator&) = delete;
  DeviceSimulator& operator=(const DeviceSimulator&) = delete;

  // Opens the port and starts the device thread; false with a reason on failure.
  bool Start(std::string& error);
  void Stop();

  // The path a serial link opens: the link path when one is kept, else the
  // pseudo-terminal's slave or the device path.
  std::string Path() const;
  // The pseudo-terminal's own slave path (changes with ComeBack).
  std::string SlavePath() const;

  // The device goes away: the pseudo-terminal is closed (a link on it sees a
  // hang-up) and the link path removed.
  void GoAway();
  // The device comes back on a new pseudo-terminal; the link path follows.
  bool ComeBack(std::string& error);
  // The device is switched off and on: with comeBackOnNewPort it goes away and
  // comes back on a new pseudo-terminal (a USB device replugged), otherwise the
  // port stays open and only the device starts afresh (a serial line).
  bool PowerCycle(bool comeBackOnNewPort, std::string& error);
  // Keeps the port open but sends no frames.
  void SetSilent(bool silent);

  std::vector<LogEntry> Log() const;
  // Waits until a log line equal to text appears; true when it did.
  bool WaitForLog(std::string_view text, int timeoutMs) const;
  DeviceStatus Status() const;
  int FramesSent() const;
  // True while someone has the pseudo-terminal open (always for a device path).
  bool Listening() const;

 private:
  bool OpenPort(std::string& error);
  void ClosePort();
  void Run();
  void Pump(double now);
  void WriteLog(double now, std::string text);

  Options options_;
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  DeviceModel model_;
  int fd_ = -1;
  bool isPty_ = false;
  bool listening_ = false;
  bool silent_ = false;
  bool stop_ = false;
  std::string slavePath_;
  std::deque<LogEntry> log_;
  std::FILE* logFile_ = nullptr;
  int framesSent_ = 0;
  double lastAdvance_ = 0.0;
  double nextFrame_ = 0.0;
  std::chrono::steady_clock::time_point started_;
  std::thread thread_;
};

}  // namespace corvala::devsim
