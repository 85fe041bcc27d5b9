#include "device/serial_link.h"

#include <QSerialPort>
#include <QString>
#include <QThread>

#include <chrono>
#include <memory>

#include "device/command_encoder.h"
#include "device/device_state.h"
#include "device/line_reader.h"
#include "util/device_access.h"

namespace corvala {
namespace {

bool PortFailed(const QSerialPort& port) {
  const QSerialPort::SerialPortError error = port.error();
  return error != QSerialPort::NoError && error != QSerialPort::TimeoutError;
}

// Why a port could not be opened, in the terms a user can act on.
PortState OpenFailure(const QSerialPort& port, const std::string& path) {
  switch (port.error()) {
    case QSerialPort::DeviceNotFoundError:
      return PortState::kNoSuchDevice;
    case QSerialPort::PermissionError:
      // Qt says the same when another program holds the port; with read and
      // write access granted, that is what it is.
      return MayReadAndWrite(path) ? PortState::kBusy : PortState::kPermissionDenied;
    case QSerialPort::OpenError:
      return PortState::kBusy;
    default:
      return DevicePathExists(path) ? PortState::kFailed : PortState::kNoSuchDevice;
  }
}

// The name Qt opens for path. Qt names ports by text, so a path that is not
// UTF-8 would be opened under other bytes: such a path is opened here and
// handed over as /proc/self/fd/N, held until the port is open.
class PortName {
 public:
  explicit PortName(const std::string& path) : name_(QString::fromStdString(path)) {
    if (name_.toStdString() == path) return;
    held_ = std::make_unique<HeldDevice>(path);
    if (!held_->Name().empty()) name_ = QString::fromStdString(held_->Name());
  }
  const QString& Text() const { return name_; }
  void Release() {
    if (held_) held_->Release();
  }

 private:
  QString name_;
  std::unique_ptr<HeldDevice> held_;
};

}  // namespace

SerialLink::SerialLink(DeviceLink& link, const SharedUnitConfig& units, PortNames ports,
                       IndicatorCallback onIndicator)
    : link_(link), units_(units), ports_(std::move(ports)), onIndicator_(std::move(onIndicator)) {}

SerialLink::~SerialLink() {
  Stop();
}

void SerialLink::SetPorts(PortNames ports) {
  std::lock_guard lock(control_);
  ports_ = std::move(ports);
}

void SerialLink::Start(int comPort) {
  std::lock_guard lock(control_);
  StopLocked();
  stop_ = std::stop_source();
  pauseStop_.Reset();
  const bool simulated = ports_.IsSimulated(comPort);
  link_.m_simulated.store(simulated);
  thread_.reset(
      QThread::create([this, stop = stop_.get_token(), comPort, path = ports_.PathFor(comPort),
                       simulated] { Run(stop, comPort, path, simulated); }));
  thread_->start();
}

void SerialLink::Stop() {
  std::lock_guard lock(control_);
  StopLocked();
}

void SerialLink::StopLocked() {
  if (!thread_) return;
  stop_.request_stop();
  pauseStop_.Request();
  thread_->wait();
  thread_.reset();
}

bool SerialLink::Pause(int ms) {
  return !pauseStop_.WaitFor(std::chrono::milliseconds(ms));
}

void SerialLink::Report(PortStatus status) {
  if (status == lastStatus_) return;
  lastStatus_ = status;
  if (onStatus_) onStatus_(status);
}

void SerialLink::Run(std::stop_token stop, int comPort, std::string path, bool simulated) {
  lastStatus_ = PortStatus{};
  while (Pause(kOpenRetryMs)) {
    QSerialPort port;
    PortName portName(path);
    port.setPortName(portName.Text());
    const bool opened = port.open(QIODevice::ReadWrite);
    portName.Release();
    if (!opened) {
      const PortState state = OpenFailure(port, path);
      std::string detail;
      if (state == PortState::kFailed) detail = port.errorString().toStdString();
      if (state == PortState::kPermissionDenied)
        if (const auto access = ReadDeviceAccess(path)) detail = PermissionReason(*access);
      Report(PortStatus{comPort, path, state, detail, simulated});
      continue;
    }
    Report(PortStatus{comPort, path, PortState::kConnected, "", simulated});
    // Line settings; a port that refuses them is used as it is.
    port.setBaudRate(QSerialPort::Baud9600);
    port.setDataBits(QSerialPort::Data8);
    port.setParity(QSerialPort::NoParity);
    port.setStopBits(QSerialPort::OneStop);
    connected_.store(true);
    connections_.fetch_add(1);
    Session(stop, port);
    port.close();
    connected_.store(false);
  }
}

// One connection: greeting, then the command and read cycle. Returns when the
// port fails or a stop is requested.
bool SerialLink::Session(std::stop_token stop, QSerialPort& port) {
  FrameParser parser(link_, units_, onIndicator_);
  LineReader reader;
  bool ok = SendOrPutBack(port, TakeGreeting(link_.commands), reader, parser);
  while (ok && !stop.stop_requested()) {
    ok = SendOrPutBack(port, TakeCommandCycle(link_.commands), reader, parser);
    bool lineDone = false;
    if (ok) ok = ReadLine(stop, port, reader, lineDone);
    if (ok && lineDone) parser.ParseLine(reader.Line());
    if (ok) ok = Pause(1);
  }
  // A pair block cut short goes out again on the next connection.
  link_.commands.m_pairCommand.Interrupted();
  return false;
}

// Sends the bytes; when the link is lost on the way, the commands that did not
// go out whole wait again for the next connection.
bool SerialLink::SendOrPutBack(QSerialPort& port, const CommandBytes& bytes, LineReader& reader,
                               FrameParser& parser) {
  size_t sent = 0;
  if (Send(port, bytes, reader, parser, sent)) return true;
  PutBack(link_.commands, bytes, sent);
  return false;
}

// Writes the bytes one at a time, each followed by its pause; `sent` counts the
// bytes that went out with their pause. False when the port failed or a stop
// was requested.
bool SerialLink::Send(QSerialPort& port, const CommandBytes& bytes, LineReader& reader,
                      FrameParser& parser, size_t& sent) {
  for (const CommandByte& command : bytes) {
    const char byte = static_cast<char>(command.byte);
    port.clearError();
    if (port.write(&byte, 1) != 1) return false;
    if (!port.waitForBytesWritten(200) && PortFailed(port)) return false;
    if (!Pause(command.pauseMs)) return false;
    if (command.endsPair) {
      if (!Pause(kAfterPairMs)) return false;
      AfterPair(port, reader, parser);
    }
    ++sent;
  }
  return true;
}

// The device has the new factor pair. What it sent before, piled up while the
// block went out, may carry the previous unit and the previous scale: it is
// dropped, with the readings summed from it and a unit mismatch it raised.
void SerialLink::AfterPair(QSerialPort& port, LineReader& reader, FrameParser& parser) {
  port.clear(QSerialPort::Input);
  port.readAll();
  reader.Reset();
  parser.Reset();
  for (ReadingAccumulator& readings : link_.report.m_readings) readings.Reset();
  link_.report.m_unitMismatch.store(0);
  link_.report.m_deviceUnit.store(0);  // known again with the next frame
  link_.commands.m_pairCommand.Delivered();
}

// Reads bytes one at a time until a carriage return ends a line, the device
// stays silent for kReadWaitMs, or a stop is requested. A partial line stays
// in the reader for the next cycle. False when the port failed.
bool SerialLink::ReadLine(std::stop_token stop, QSerialPort& port, LineReader& reader,
                          bool& lineDone) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kReadWaitMs);
  while (!stop.stop_requested()) {
    if (port.bytesAvailable() == 0) {
      port.clearError();
      if (!port.waitForReadyRead(kReadWaitMs)) return !PortFailed(port);
    }
    char byte = 0;
    while (port.getChar(&byte)) {
      if (reader.Feed(byte)) {
        lineDone = true;
        return true;
      }
    }
    if (PortFailed(port)) return false;
    if (std::chrono::steady_clock::now() >= deadline) return true;
  }
  return true;
}

}  // namespace corvala
