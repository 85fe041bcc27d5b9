// Run control, the worker threads and the measurement program editor.
#include <QPushButton>

#include "app/measure_dlg.h"
#include "app/measure_dlg_internal.h"
#include "app/window_queue.h"
#include "device/serial_link.h"
#include "run/sampling_thread.h"
#include "station/run_start.h"

namespace corvala {

using namespace window;

void CMeasureDlg::OnStart() {
  UpdateData(true);
  corvala::OnStart(station_, Selection(chambers_.selected), *prompts_);
  update();
}

void CMeasureDlg::OnStop() {
  UpdateData(true);
  HideMeasuringLabels(corvala::OnStop(station_, Selection(chambers_.selected)));
}

void CMeasureDlg::OnLight() {
  UpdateData(true);
  corvala::OnLight(station_, Selection(chambers_.selected));
}

void CMeasureDlg::OnCalibration() {
  UpdateData(true);
  corvala::OnCalibration(station_, Selection(chambers_.selected));
}

void CMeasureDlg::OnStart2() {
  UpdateData(true);
  corvala::OnStart2(station_);
}

void CMeasureDlg::OnStart3() {
  UpdateData(true);
  As<QPushButton>(ctl::kStart3)->setText(Qs(corvala::OnStart3(station_)));
}

void CMeasureDlg::OnCommand1002() {
  UpdateData(true);
  corvala::OnCommand1002(station_);
}

void CMeasureDlg::HideMeasuringLabels(const std::array<bool, 3>& hide) {
  for (int c = 0; c < 3; ++c)
    if (hide[c]) Control(ctl::kMeasuring[c])->hide();
}

void CMeasureDlg::StartWorkers() {
  // The set-point indicator is changed by the link thread's parser; its picture
  // is set here, on the window thread.
  WindowQueue& queue = WorkerQueue();
  workers_.link = std::make_unique<SerialLink>(
      station_.m_link, station_.m_units, options_.ports, [this, &queue](int picture) {
        queue.Post([this, picture] { SetPicture(ctl::kSetPointIndicator, picture); });
      });
  workers_.link->OnStatus([this, &queue](const PortStatus& status) {
    queue.Post([this, status] { ShowPortStatus(status); });
  });
  tick_.port = PortInForce();
  workers_.link->Start(settings_.comPort);
  workers_.events = std::make_unique<SamplingEvents>(this);
  workers_.sampling = std::make_unique<SamplingThread>(
      station_, options_.clock ? *options_.clock : workers_.systemClock, workers_.events.get());
  workers_.sampling->Start();
}

WindowQueue& CMeasureDlg::WorkerQueue() {
  return *workers_.queue;  // made at start, before any worker runs
}

void CMeasureDlg::DrainWorkerQueue() {
  if (workers_.queue) workers_.queue->Drain();
}

void CMeasureDlg::StopWorkers() {
  if (workers_.sampling) workers_.sampling->Stop();
  if (workers_.link) workers_.link->Stop();
}

void CMeasureDlg::InsertProgramStep() {
  UpdateData(true);
  ProgramStepInput input;
  input.hoursText = entries_.stepHours.toStdString();
  input.minutesText = entries_.stepMinutes.toStdString();
  input.secondsText = entries_.stepSeconds.toStdString();
  input.light = entries_.stepLight;
  input.stop = entries_.stepStop;
  input.chamberSelected = chambers_.selected;
  ValidStep step{};
  if (!ValidateProgramStep(input, step)) return;
  station_.m_program.AppendProgramStep(step.hours, step.minutes, step.seconds, step.chamberMask,
                                       step.lightArgument);
  AddProgramRow(MakeProgramStep(step.hours, step.minutes, step.seconds, step.chamberMask,
                                step.lightArgument));
}

void CMeasureDlg::AddProgramRow(const ProgramStep& step) {
  ReportList* list = List(ctl::kProgram);
  const int row = list->InsertRow(list->rowCount());
  const auto texts = ProgramRowTexts(step);
  for (int column = 0; column < 4; ++column) list->SetText(row, column, texts[column]);
}

void CMeasureDlg::DeleteProgramStep() {
  ReportList* list = List(ctl::kProgram);
  const int r = list->SelectionMark();
  list->DeleteRow(r);
  station_.m_program.RemoveProgramStep(r);
  UpdateData(false);
}

}  // namespace corvala
