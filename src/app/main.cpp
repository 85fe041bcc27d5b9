// corvala3: the measuring station.

#include <QApplication>
#include <QMessageBox>
#include <QSocketNotifier>
#include <QStandardPaths>

#include <clocale>
#include <cstdio>
#include <memory>
#include <string>

#include "app/command_line.h"
#include "app/data_folder.h"
#include "app/measure_dlg.h"
#include "util/folder_lock.h"
#include "util/process.h"

#ifndef _WIN32
#include "devsim/device_simulator.h"
using Simulator = corvala::devsim::DeviceSimulator;
#else
// The device simulator runs on a pseudo-terminal, which only Linux offers; on
// Windows --simulate says so and the station does not start.
struct Simulator {
  struct Options {
    std::string logPath;
  };
  explicit Simulator(const Options&) {}
  bool Start(std::string& error) {
    error = "it needs a pseudo-terminal, which Windows does not offer";
    return false;
  }
  std::string Path() const { return {}; }
  void Stop() {}
};
#endif

// The application object: runs the main window until it closes.
class CMeasureApp {
 public:
  int Run(int argc, char** argv) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    const corvala::CommandLine line = corvala::ParseCommandLine(arguments);
    if (!line.error.empty()) {
      std::fprintf(stderr, "corvala3: %s\n%s", line.error.c_str(), corvala::UsageText().c_str());
      return 2;
    }
    if (line.help) {
      std::fputs(corvala::UsageText().c_str(), stdout);
      return 0;
    }
    if (line.version) {
      std::printf("corvala3 %s\n", CORVALA_VERSION);
      return 0;
    }

    corvala::PortNames ports;
    std::string portErrors;
    if (!corvala::ParsePortOverrides(line.portOverrides, ports, portErrors)) {
      std::fprintf(stderr, "corvala3: %s", portErrors.c_str());
      return 2;
    }

    // The simulator stands in for the device on every port not mapped elsewhere.
    std::unique_ptr<Simulator> simulator;
    if (line.simulate) {
      Simulator::Options simOptions;
      simOptions.logPath = "-";
      simulator = std::make_unique<Simulator>(simOptions);
      std::string error;
      if (!simulator->Start(error)) {
        std::fprintf(stderr, "corvala3: the device simulator could not start: %s\n", error.c_str());
        return 1;
      }
      std::fprintf(stderr,
                   "corvala3: device simulator on %s: the values shown are simulated, not "
                   "measured\n",
                   simulator->Path().c_str());
      for (int n = corvala::kFirstComPort; n <= corvala::kLastComPort; ++n)
        if (!ports.IsOverridden(n)) ports.SetSimulated(n, simulator->Path());
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName("Corvala3");
    // Qt takes the C library's locale from the desktop; numbers keep their ".".
    std::setlocale(LC_NUMERIC, "C");

    std::string notice;
    const std::string folder = corvala::ChooseDataFolder(
        line.dataDir, QCoreApplication::applicationDirPath().toStdString(),
        QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation).toStdString(), notice);
    if (!notice.empty()) std::fprintf(stderr, "corvala3: %s\n", notice.c_str());

    // One station per data folder: a second one says who holds it and ends
    // before it reads or writes anything there.
    const corvala::FolderLock folderLock = corvala::FolderLock::Acquire(folder);
    if (folderLock.outcome() == corvala::FolderLock::Outcome::kTaken) {
      std::fprintf(stderr, "corvala3: %s\n", folderLock.message().c_str());
      std::fflush(stderr);
      QMessageBox::critical(nullptr, "Meldung", QString::fromStdString(folderLock.message()));
      if (simulator) simulator->Stop();
      return 1;
    }
    if (folderLock.outcome() == corvala::FolderLock::Outcome::kUnavailable)
      std::fprintf(stderr, "corvala3: %s\n", folderLock.message().c_str());

    corvala::StationOptions options;
    options.dataFolder = folder;
    // The folder asked for with --data-dir that could not be written.
    if (!notice.empty() && !line.dataDir.empty()) options.unwritableFolder = line.dataDir;
    options.ports = ports;
    corvala::CMeasureDlg dialog(options);

    // SIGTERM and SIGINT close the window without asking anything (see
    // CloseBySignal) and end every dialog that may be open, so the program ends
    // at once. Until then, at start-up, they end the program as it stands.
    // (Linux only: Windows has no such signals, see util/process.h.)
    if (const int signalSocket = corvala::WatchTerminationSignals(); signalSocket >= 0) {
      auto* notifier = new QSocketNotifier(signalSocket, QSocketNotifier::Read, &dialog);
      QObject::connect(notifier, &QSocketNotifier::activated, &dialog, [&dialog, signalSocket] {
        corvala::TakeTerminationSignal(signalSocket);
        dialog.CloseBySignal();
        QCoreApplication::exit(0);
      });
    }
    dialog.show();
    const int result = app.exec();
    if (simulator) simulator->Stop();
    return result;
  }
};

int main(int argc, char** argv) {
  CMeasureApp app;
  return app.Run(argc, argv);
}
