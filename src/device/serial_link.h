#pragma once
// The serial link thread: owns the device's port, greets the device, sends the
// commands left in the station's mailboxes and reads its frames line by line.
// A lost port (error, device unplugged) is closed and reopened quietly; a stop
// request ends the thread within a fraction of a second even when the device
// is silent.

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <stop_token>
#include <string>

#include "device/command_encoder.h"
#include "device/frame_parser.h"
#include "device/port_names.h"
#include "util/stop_signal.h"

class QSerialPort;
class QThread;

namespace corvala {

struct DeviceLink;
class LineReader;
class SharedUnitConfig;

class SerialLink {
 public:
  using IndicatorCallback = corvala::IndicatorCallback;

  // Milliseconds between attempts to open the port.
  static constexpr int kOpenRetryMs = 50;
  // Longest wait for a device byte before the cycle goes on (stop requests and
  // pending commands are seen at least this often).
  static constexpr int kReadWaitMs = 30;

  // Pause after a factor pair block before the device's input is dropped: a
  // frame the device was sending when the block arrived may still carry the
  // previous unit.
  static constexpr int kAfterPairMs = 100;

  // onIndicator runs on the link thread with the new set-point bitmap.
  SerialLink(DeviceLink& link, const SharedUnitConfig& units, PortNames ports,
             IndicatorCallback onIndicator);
  ~SerialLink();
  SerialLink(const SerialLink&) = delete;
  SerialLink& operator=(const SerialLink&) = delete;

  // Called on the link thread whenever the port's state changes.
  using StatusCallback = std::function<void(const PortStatus&)>;
  // Set before Start.
  void OnStatus(StatusCallback callback) { onStatus_ = std::move(callback); }
  // The paths the port numbers stand for, from the next Start on.
  void SetPorts(PortNames ports);

  // Starts the thread on port COMn; a running thread is stopped first. The
  // link's simulated flag says from now on whether the simulator stands in for it.
  void Start(int comPort);
  // Ends the thread and closes its port; returns when both are done.
  void Stop();
  // Stops the running thread (its port closed) and starts one on the new port.
  void Restart(int comPort) { Start(comPort); }

  // True while the port is open.
  bool Connected() const { return connected_.load(); }
  // Number of times the port has been opened since construction.
  int Connections() const { return connections_.load(); }

 private:
  void Run(std::stop_token stop, int comPort, std::string path, bool simulated);
  void Report(PortStatus status);
  void StopLocked();
  bool Session(std::stop_token stop, QSerialPort& port);
  bool ReadLine(std::stop_token stop, QSerialPort& port, LineReader& reader, bool& lineDone);
  bool Send(QSerialPort& port, const CommandBytes& bytes, LineReader& reader, FrameParser& parser,
            size_t& sent);
  bool SendOrPutBack(QSerialPort& port, const CommandBytes& bytes, LineReader& reader,
                     FrameParser& parser);
  void AfterPair(QSerialPort& port, LineReader& reader, FrameParser& parser);
  // Sleeps for ms milliseconds; returns false at once when a stop is requested.
  bool Pause(int ms);

  DeviceLink& link_;
  const SharedUnitConfig& units_;
  PortNames ports_;
  IndicatorCallback onIndicator_;
  StatusCallback onStatus_;
  PortStatus lastStatus_;  // link thread only
  mutable std::mutex control_;
  // A QThread rather than a std::thread so that the port's notifiers have a
  // home; it is ended only through stop_ and never terminated.
  std::unique_ptr<QThread> thread_;
  std::stop_source stop_;
  // Ends the link thread's pauses; requested together with stop_.
  StopSignal pauseStop_;
  std::atomic<bool> connected_{false};
  std::atomic<int> connections_{0};
};

}  // namespace corvala
