#include "devsim/device_simulator.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

namespace corvala::devsim {
namespace {

constexpr size_t kMaxLogEntries = 100000;
constexpr int kTickMs = 2;

uint32_t RandomSeed() {
  return std::random_device{}();
}

bool MakeRaw(int fd) {
  termios settings{};
  if (tcgetattr(fd, &settings) != 0) return false;
  cfmakeraw(&settings);
  cfsetispeed(&settings, B9600);
  cfsetospeed(&settings, B9600);
  return tcsetattr(fd, TCSANOW, &settings) == 0;
}

// Points link at target by renaming a fresh link over it, so an opener never
// sees a missing or half-made link.
bool ReplaceLink(const std::string& link, const std::string& target) {
  const std::string temp = link + ".new";
  ::unlink(temp.c_str());
  if (::symlink(target.c_str(), temp.c_str()) != 0) return false;
  return ::rename(temp.c_str(), link.c_str()) == 0;
}

}  // namespace

DeviceSimulator::DeviceSimulator(Options options)
    : options_(std::move(options)),
      model_(options_.seed.value_or(RandomSeed()), options_.channels) {
  options_.periodMs = std::clamp(options_.periodMs, 10, 3600 * 1000);
  if (!(options_.timeScale >= 0.0) || options_.timeScale > 1e6) options_.timeScale = 1.0;
}

DeviceSimulator::~DeviceSimulator() {
  Stop();
}

bool DeviceSimulator::OpenPort(std::string& error) {
  if (!options_.devicePath.empty()) {
    fd_ = ::open(options_.devicePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd_ < 0) {
      error = "cannot open " + options_.devicePath + ": " + std::strerror(errno);
      return false;
    }
    MakeRaw(fd_);
    isPty_ = false;
    listening_ = true;
    slavePath_ = options_.devicePath;
    return true;
  }
  fd_ = ::posix_openpt(O_RDWR | O_NOCTTY);
  char name[128] = {};
  if (fd_ < 0 || ::grantpt(fd_) != 0 || ::unlockpt(fd_) != 0 ||
      ::ptsname_r(fd_, name, sizeof name) != 0) {
    error = std::string("cannot create a pseudo-terminal: ") + std::strerror(errno);
    ClosePort();
    return false;
  }
  // Raw, without echo: the device must not read back its own frames.
  MakeRaw(fd_);
  ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) | O_NONBLOCK);
  isPty_ = true;
  listening_ = false;
  slavePath_ = name;
  // Until its slave has been opened once, the master does not report a hang-up;
  // open and close it so "no one listening" can be seen from the start.
  const int slave = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (slave >= 0) ::close(slave);
  if (!options_.linkPath.empty() && !ReplaceLink(options_.linkPath, slavePath_)) {
    error = "cannot create the link " + options_.linkPath + ": " + std::strerror(errno);
    ClosePort();
    return false;
  }
  return true;
}

void DeviceSimulator::ClosePort() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  listening_ = false;
  if (isPty_ && !options_.linkPath.empty()) ::unlink(options_.linkPath.c_str());
}

bool DeviceSimulator::Start(std::string& error) {
  std::lock_guard lock(mutex_);
  if (thread_.joinable()) return true;
  if (!options_.logPath.empty()) {
    logFile_ = options_.logPath == "-" ? stderr : std::fopen(options_.logPath.c_str(), "a");
    if (logFile_ == nullptr) {
      error = "cannot open the log " + options_.logPath + ": " + std::strerror(errno);
      return false;
    }
  }
  if (!OpenPort(error)) return false;
  stop_ = false;
  started_ = std::chrono::steady_clock::now();
  lastAdvance_ = 0.0;
  nextFrame_ = options_.periodMs / 1000.0;
  thread_ = std::thread([this] { Run(); });
  return true;
}

void DeviceSimulator::Stop() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
  std::lock_guard lock(mutex_);
  ClosePort();
  if (logFile_ != nullptr && logFile_ != stderr) std::fclose(logFile_);
  logFile_ = nullptr;
}

std::string DeviceSimulator::Path() const {
  std::lock_guard lock(mutex_);
  return options_.linkPath.empty() || !options_.devicePath.empty() ? slavePath_ : options_.linkPath;
}

std::string DeviceSimulator::SlavePath() const {
  std::lock_guard lock(mutex_);
  return slavePath_;
}

void DeviceSimulator::GoAway() {
  std::lock_guard lock(mutex_);
  ClosePort();
}

bool DeviceSimulator::ComeBack(std::string& error) {
  std::lock_guard lock(mutex_);
  if (fd_ >= 0) return true;
  model_.ResetDecoder();
  return OpenPort(error);
}

bool DeviceSimulator::PowerCycle(bool comeBackOnNewPort, std::string& error) {
  std::lock_guard lock(mutex_);
  if (comeBackOnNewPort) ClosePort();
  model_.PowerCycle();
  WriteLog(std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count(),
           "power cycled");
  changed_.notify_all();
  if (!comeBackOnNewPort || fd_ >= 0) return true;
  return OpenPort(error);
}

void DeviceSimulator::SetSilent(bool silent) {
  std::lock_guard lock(mutex_);
  silent_ = silent;
}

std::vector<LogEntry> DeviceSimulator::Log() const {
  std::lock_guard lock(mutex_);
  return {log_.begin(), log_.end()};
}

bool DeviceSimulator::WaitForLog(std::string_view text, int timeoutMs) const {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
    for (const LogEntry& entry : log_) {
      if (entry.text == text) return true;
    }
    return false;
  });
}

DeviceStatus DeviceSimulator::Status() const {
  std::lock_guard lock(mutex_);
  return model_.Status();
}

bool DeviceSimulator::Listening() const {
  std::lock_guard lock(mutex_);
  return listening_;
}

int DeviceSimulator::FramesSent() const {
  std::lock_guard lock(mutex_);
  return framesSent_;
}

void DeviceSimulator::WriteLog(double now, std::string text) {
  if (logFile_ != nullptr) {
    std::fprintf(logFile_, "%s\n", text.c_str());
    std::fflush(logFile_);
  }
  if (log_.size() >= kMaxLogEntries) log_.pop_front();
  log_.push_back(LogEntry{now, std::move(text)});
}

void DeviceSimulator::Run() {
  std::unique_lock lock(mutex_);
  while (!stop_) {
    const double now =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
    Pump(now);
    changed_.notify_all();
    changed_.wait_for(lock, std::chrono::milliseconds(kTickMs), [this] { return stop_; });
  }
}

// One tick under the lock: take the received bytes, let time pass, send a
// frame when one is due.
void DeviceSimulator::Pump(double now) {
  model_.Advance((now - lastAdvance_) * options_.timeScale);
  lastAdvance_ = now;
  if (fd_ >= 0) {
    pollfd watch{fd_, POLLIN, 0};
    ::poll(&watch, 1, 0);
    if (isPty_) {
      // A hang-up on the master means no one has the slave open.
      const bool listening = (watch.revents & POLLHUP) == 0;
      if (listening && !listening_) {
        // Drop what piled up while no one listened, as a real line would.
        ::tcflush(fd_, TCOFLUSH);
        model_.ResetDecoder();
      }
      listening_ = listening;
    }
    if (watch.revents & POLLIN) {
      uint8_t bytes[256];
      const ssize_t got = ::read(fd_, bytes, sizeof bytes);
      for (ssize_t i = 0; i < got; ++i) {
        if (auto line = model_.Receive(bytes[i])) WriteLog(now, std::move(*line));
      }
    }
  }
  if (now < nextFrame_) return;
  const double period = options_.periodMs / 1000.0;
  nextFrame_ += period;
  if (nextFrame_ < now) nextFrame_ = now + period;  // fell behind: no burst of frames
  if (fd_ < 0 || !listening_ || silent_) return;
  const std::string frame = model_.Frame();
  if (::write(fd_, frame.data(), frame.size()) > 0) ++framesSent_;
}

}  // namespace corvala::devsim
