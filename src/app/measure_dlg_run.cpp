// Run control, the worker threads and the measurement program editor.
#include "app/measure_dlg.h"

#include <QPushButton>

#include "app/measure_dlg_internal.h"
#include "device/serial_link.h"
#include "run/sampling_thread.h"

namespace corvala {

using namespace window;

void CMeasureDlg::OnStart() {
  UpdateData(true);
  corvala::OnStart(m_station, Selection(m_chamberSelected), *prompts_);
  update();
}

void CMeasureDlg::OnStop() {
  UpdateData(true);
  HideMeasuringLabels(corvala::OnStop(m_station, Selection(m_chamberSelected)));
}

void CMeasureDlg::OnLight() {
  UpdateData(true);
  corvala::OnLight(m_station, Selection(m_chamberSelected));
}

void CMeasureDlg::OnCalibration() {
  UpdateData(true);
  corvala::OnCalibration(m_station, Selection(m_chamberSelected));
}

void CMeasureDlg::OnStart2() {
  UpdateData(true);
  corvala::OnStart2(m_station);
}

void CMeasureDlg::OnStart3() {
  UpdateData(true);
  As<QPushButton>(1013)->setText(Qs(corvala::OnStart3(m_station)));
}

void CMeasureDlg::OnCommand1002() {
  UpdateData(true);
  corvala::OnCommand1002(m_station);
}

void CMeasureDlg::HideMeasuringLabels(const std::array<bool, 3>& hide) {
  for (int c = 0; c < 3; ++c)
    if (hide[c]) Control(kMeasuringLabel[c])->hide();
}

void CMeasureDlg::StartWorkers() {
  // The set-point indicator is changed by the link thread's parser; its picture
  // is set here, on the window thread.
  QPointer<CMeasureDlg> self(this);
  m_serialThread = std::make_unique<SerialLink>(m_station, options_.ports, [self](int picture) {
    QMetaObject::invokeMethod(
        self.data(),
        [self, picture] {
          if (self) self->SetPicture(1040, picture);
        },
        Qt::QueuedConnection);
  });
  m_serialThread->Start(m_station.m_comPort);
  samplingEvents_ = std::make_unique<SamplingEvents>(this);
  m_samplingThread = std::make_unique<SamplingThread>(
      m_station, options_.clock ? *options_.clock : systemClock_, samplingEvents_.get());
  m_samplingThread->Start();
}

void CMeasureDlg::StopWorkers() {
  if (m_samplingThread) m_samplingThread->Stop();
  if (m_serialThread) m_serialThread->Stop();
}

void CMeasureDlg::InsertProgramStep() {
  UpdateData(true);
  ProgramStepInput input;
  input.hoursText = m_stepHoursText.toStdString();
  input.minutesText = m_stepMinutesText.toStdString();
  input.secondsText = m_stepSecondsText.toStdString();
  input.light = m_stepLight;
  input.stop = m_stepStop;
  input.chamberSelected = m_chamberSelected;
  ValidStep step{};
  if (!ValidateProgramStep(input, step)) return;
  m_station.m_program.AppendProgramStep(step.hours, step.minutes, step.seconds, step.chamberMask,
                                        step.lightArgument);
  AddProgramRow(m_station.m_program.Steps().back());
}

void CMeasureDlg::AddProgramRow(const ProgramStep& step) {
  ReportList* list = List(1026);
  const int row = list->InsertRow(list->rowCount());
  const auto texts = ProgramRowTexts(step);
  for (int column = 0; column < 4; ++column) list->SetText(row, column, texts[column]);
}

void CMeasureDlg::DeleteProgramStep() {
  ReportList* list = List(1026);
  const int r = list->SelectionMark();
  list->DeleteRow(r);
  m_station.m_program.RemoveProgramStep(r);
  UpdateData(false);
}

}  // namespace corvala
