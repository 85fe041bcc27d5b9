#include "app/control_table.h"

#include <algorithm>
#include <array>

#include "app/control_ids.h"

namespace corvala {
namespace {

using K = ControlKind;
using V = ControlView;

constexpr ControlSpec kControls[] = {
    // Always shown: the view buttons, chamber selection and the connection indicator.
    {ctl::kViewsGroup, K::kGroupBox, "", 1, 0, 87, 33, V::kAlways, "Views"},
    {ctl::kMeasurementView, K::kPictureButton, "", 5, 7, 24, 23, V::kAlways, "Measurement view"},
    {ctl::kAnalysisView, K::kPictureButton, "", 32, 7, 24, 23, V::kAlways, "Analysis view"},
    {ctl::kConfigurationView, K::kPictureButton, "", 60, 7, 24, 23, V::kAlways,
     "Configuration view"},
    {ctl::kChamberSelect1, K::kPictureButton, "", 279, 0, 31, 28, V::kAlways, "Chamber I"},
    {ctl::kChamberSelect2, K::kPictureButton, "", 319, 0, 31, 28, V::kAlways, "Chamber II"},
    {ctl::kChamberSelect3, K::kPictureButton, "", 359, 0, 31, 28, V::kAlways, "Chamber III"},
    {ctl::kDeviceConnection, K::kPictureButton, "", 619, 0, 31, 28, V::kAlways,
     "Device connection"},
    // Between the view buttons and the chamber buttons, so that every view shows it.
    {ctl::kLinkStatus, K::kStatic, "", 92, 1, 184, 32, V::kAlways, "Device link status"},

    // View 1, measurement. Group boxes come first so that they lie beneath.
    {ctl::kAnalysisGroup, K::kGroupBox, "Analysis", 23, 165, 65, 69, V::kMeasurement, ""},
    {ctl::kChamberGroup1, K::kGroupBox, "Chamber I", 219, 251, 145, 157, V::kMeasurement, ""},
    {ctl::kChamberGroup2, K::kGroupBox, "Chamber II", 365, 251, 145, 157, V::kMeasurement, ""},
    {ctl::kChamberGroup3, K::kGroupBox, "Chamber III", 511, 251, 145, 157, V::kMeasurement, ""},
    {ctl::kProgramGroup, K::kGroupBox, "Program", 10, 251, 203, 156, V::kMeasurement, ""},
    {ctl::kTemperatureGroup, K::kGroupBox, "Temperature", 30, 68, 51, 32, V::kMeasurement, ""},
    {ctl::kMeasurementGroup, K::kGroupBox, "Measurement", 25, 108, 62, 49, V::kMeasurement, ""},
    {ctl::kValues1, K::kList, "", 225, 279, 132, 122, V::kMeasurement, "Values chamber I"},
    {ctl::kValues2, K::kList, "", 372, 278, 132, 122, V::kMeasurement, "Values chamber II"},
    {ctl::kValues3, K::kList, "", 517, 278, 132, 122, V::kMeasurement, "Values chamber III"},
    {ctl::kStart, K::kButton, "Start", 31, 120, 50, 14, V::kMeasurement, ""},
    {ctl::kStop, K::kButton, "Stop", 31, 137, 50, 14, V::kMeasurement, ""},
    {ctl::kLight, K::kPictureButton, "Licht", 652, 174, 15, 14, V::kMeasurement, "Light"},
    {ctl::kProgram, K::kList, "", 17, 261, 188, 101, V::kMeasurement, "Measurement program"},
    {ctl::kInsertStep, K::kButton, "insert", 17, 367, 32, 14, V::kMeasurement, ""},
    {ctl::kStepHours, K::kEdit, "", 104, 367, 20, 14, V::kMeasurement, "Step hours"},
    {ctl::kStepMinutes, K::kEdit, "", 145, 367, 20, 14, V::kMeasurement, "Step minutes"},
    {ctl::kStepSeconds, K::kEdit, "", 185, 367, 20, 14, V::kMeasurement, "Step seconds"},
    {ctl::kStepLight, K::kCheckBox, "Light", 115, 388, 31, 10, V::kMeasurement, ""},
    {ctl::kDeleteStep, K::kButton, "delete", 17, 386, 32, 14, V::kMeasurement, ""},
    {ctl::kStepStop, K::kCheckBox, "Stop", 170, 388, 31, 10, V::kMeasurement, ""},
    {ctl::kTimeScroll, K::kTrackbar, "", 330, 231, 100, 15, V::kMeasurement, "Time scroll"},
    {ctl::kDeviceTemperature, K::kReadOnlyEdit, "", 40, 79, 32, 14, V::kMeasurement,
     "Device temperature"},
    {ctl::kSetPointIndicator, K::kPictureButton, "", 578, 0, 31, 28, V::kMeasurement,
     "Temperature set point"},
    {ctl::kSaveMeasurement, K::kPictureButton, "", 27, 39, 18, 18, V::kMeasurement,
     "Save measurement"},
    {ctl::kLoadMeasurement, K::kPictureButton, "", 7, 39, 18, 18, V::kMeasurement,
     "Load measurement"},
    {ctl::kChamberShow1, K::kPictureButton, "", 652, 79, 16, 15, V::kMeasurement, "Show chamber I"},
    {ctl::kChamberShow2, K::kPictureButton, "", 652, 110, 16, 15, V::kMeasurement,
     "Show chamber II"},
    {ctl::kChamberShow3, K::kPictureButton, "", 652, 142, 16, 15, V::kMeasurement,
     "Show chamber III"},
    {ctl::kExportMeasurement, K::kPictureButton, "Ex", 47, 39, 18, 18, V::kMeasurement,
     "Export measurement"},
    {ctl::kNormalise, K::kPictureButton, "No", 59, 213, 18, 18, V::kMeasurement,
     "Normalise curves"},
    {ctl::kReading1, K::kReadOnlyEdit, "", 225, 260, 50, 14, V::kMeasurement, "Reading chamber I"},
    {ctl::kReading2, K::kReadOnlyEdit, "", 372, 260, 50, 14, V::kMeasurement, "Reading chamber II"},
    {ctl::kReading3, K::kReadOnlyEdit, "", 517, 261, 50, 14, V::kMeasurement,
     "Reading chamber III"},
    {ctl::kShowDelay, K::kButton, "D", 37, 194, 18, 18, V::kMeasurement, ""},
    {ctl::kShowMax, K::kButton, "M", 59, 193, 18, 18, V::kMeasurement, ""},
    {ctl::kShowSlope, K::kButton, "S", 37, 175, 18, 18, V::kMeasurement, ""},
    {ctl::kShowResp, K::kButton, "R", 59, 175, 18, 18, V::kMeasurement, ""},
    {ctl::kShowAll, K::kButton, "A", 37, 213, 18, 18, V::kMeasurement, ""},
    {ctl::kStepTimeLabel, K::kStatic, "hh:mm:ss", 68, 370, 30, 8, V::kMeasurement, ""},
    {ctl::kStepColon1, K::kStatic, ":", 133, 369, 8, 8, V::kMeasurement, ""},
    {ctl::kStepColon2, K::kStatic, ":", 174, 369, 8, 8, V::kMeasurement, ""},
    {ctl::kAddAnalysisRows, K::kPictureButton, "", 67, 39, 18, 18, V::kMeasurement,
     "Add analysis row"},

    // View 2, configuration.
    {ctl::kConfigurationGroup, K::kGroupBox, "Configuration", 7, 34, 457, 205, V::kConfiguration,
     ""},
    {ctl::kPortGroup, K::kGroupBox, "RS232 - ComPort", 62, 42, 80, 34, V::kConfiguration, ""},
    {ctl::kAdapterGroup, K::kGroupBox, "Adapter", 145, 42, 104, 34, V::kConfiguration, ""},
    {ctl::kUnitGroup, K::kGroupBox, "Unit", 252, 41, 185, 71, V::kConfiguration, ""},
    {ctl::kFactorGroup, K::kGroupBox, "Conversion factor", 252, 75, 185, 37, V::kConfiguration, ""},
    {ctl::kChartGroup, K::kGroupBox, "Measurement", 261, 163, 167, 61, V::kConfiguration, ""},
    {ctl::kMaxPressureGroup, K::kGroupBox, "max. Pressure", 261, 176, 87, 48, V::kConfiguration,
     ""},
    {ctl::kMaxTimeGroup, K::kGroupBox, "max. Time", 347, 176, 81, 48, V::kConfiguration, ""},
    {ctl::kParameterGroup, K::kGroupBox, "Parameter", 29, 163, 148, 59, V::kConfiguration, ""},
    {ctl::kSetPointGroup, K::kGroupBox, "Temperature", 30, 182, 73, 40, V::kConfiguration, ""},
    {ctl::kIntervalGroup, K::kGroupBox, "Meas. Distance", 102, 182, 75, 40, V::kConfiguration, ""},
    {ctl::kCalibrationGroup, K::kGroupBox, "Calibration", 70, 108, 65, 35, V::kConfiguration, ""},
    {ctl::kExportGroup, K::kGroupBox, "Export to Excel", 286, 112, 120, 24, V::kConfiguration, ""},
    {ctl::kEndGroup, K::kGroupBox, "End of Measuring", 69, 82, 67, 25, V::kConfiguration, ""},
    {ctl::kInterpolationGroup, K::kGroupBox, "Interpolation", 285, 138, 121, 23, V::kConfiguration,
     ""},
    {ctl::kSetPoint, K::kReadOnlyEdit, "", 55, 199, 20, 14, V::kConfiguration,
     "Temperature set point"},
    {ctl::kSetPointDown, K::kPictureButton, "-", 37, 199, 15, 14, V::kConfiguration,
     "Lower temperature"},
    {ctl::kSetPointUp, K::kPictureButton, "+", 79, 199, 15, 14, V::kConfiguration,
     "Raise temperature"},
    {ctl::kIntervalUp, K::kPictureButton, "+", 153, 199, 15, 14, V::kConfiguration,
     "Raise interval"},
    {ctl::kIntervalDown, K::kPictureButton, "-", 111, 199, 15, 14, V::kConfiguration,
     "Lower interval"},
    {ctl::kInterval, K::kReadOnlyEdit, "", 129, 199, 20, 14, V::kConfiguration,
     "Sampling interval"},
    {ctl::kCalibration, K::kButton, "Calibration", 77, 147, 50, 14, V::kConfiguration, ""},
    {ctl::kPort, K::kComboBox, "", 79, 55, 48, 93, V::kConfiguration, "Serial port"},
    {ctl::kAdapter, K::kComboBox, "", 150, 55, 94, 80, V::kConfiguration, "Serial adapter"},
    {ctl::kUnit, K::kComboBox, "", 324, 55, 48, 45, V::kConfiguration, "Unit"},
    {ctl::kFactor1, K::kEdit, "", 264, 88, 28, 14, V::kConfiguration, "Factor mbar"},
    {ctl::kFactor2, K::kEdit, "", 359, 88, 28, 14, V::kConfiguration, "Factor mg/l"},
    {ctl::kMaxPressureBar, K::kTrackbar, "", 275, 207, 55, 15, V::kConfiguration,
     "Maximum pressure"},
    {ctl::kMaxPressureValue, K::kReadOnlyEdit, "", 289, 190, 25, 14, V::kConfiguration,
     "Maximum pressure value"},
    {ctl::kMaxTimeValue, K::kReadOnlyEdit, "", 375, 190, 25, 14, V::kConfiguration,
     "Maximum time value"},
    {ctl::kMaxTimeBar, K::kTrackbar, "", 361, 207, 55, 15, V::kConfiguration, "Maximum time"},
    {ctl::kCalibrationValue, K::kEdit, "", 86, 121, 32, 14, V::kConfiguration, "Calibration value"},
    {ctl::kComma, K::kCheckBox, "replace point by comma", 300, 121, 91, 10, V::kConfiguration, ""},
    {ctl::kSignal, K::kCheckBox, "Signal", 81, 92, 35, 10, V::kConfiguration, ""},
    {ctl::kInterpolation, K::kCheckBox, "activate", 319, 147, 56, 10, V::kConfiguration, ""},
    {ctl::kFactorLabel1, K::kStatic, "mbar equal to", 303, 90, 44, 8, V::kConfiguration, ""},
    {ctl::kFactorLabel2, K::kStatic, "mg/l", 393, 90, 15, 8, V::kConfiguration, ""},
    // The settings of the rates, below the device's configuration: a column
    // per chamber, then the blank chamber and the window.
    {ctl::kRatesGroup, K::kGroupBox, "Rates", 7, 242, 457, 80, V::kConfiguration, ""},
    {ctl::kRateChamber1, K::kStatic, "Chamber I", 72, 256, 46, 8, V::kConfiguration, ""},
    {ctl::kRateChamber2, K::kStatic, "Chamber II", 122, 256, 46, 8, V::kConfiguration, ""},
    {ctl::kRateChamber3, K::kStatic, "Chamber III", 172, 256, 46, 8, V::kConfiguration, ""},
    {ctl::kVolumeHeading, K::kStatic, "Volume (ml)", 15, 270, 54, 8, V::kConfiguration, ""},
    {ctl::kAmountHeading, K::kStatic, "Amount", 15, 287, 54, 8, V::kConfiguration, ""},
    {ctl::kAmountUnitHeading, K::kStatic, "Unit of amount", 15, 304, 54, 8, V::kConfiguration, ""},
    {ctl::kVolume1, K::kEdit, "", 72, 267, 46, 14, V::kConfiguration, "Volume chamber I"},
    {ctl::kVolume2, K::kEdit, "", 122, 267, 46, 14, V::kConfiguration, "Volume chamber II"},
    {ctl::kVolume3, K::kEdit, "", 172, 267, 46, 14, V::kConfiguration, "Volume chamber III"},
    {ctl::kAmount1, K::kEdit, "", 72, 284, 46, 14, V::kConfiguration, "Amount chamber I"},
    {ctl::kAmount2, K::kEdit, "", 122, 284, 46, 14, V::kConfiguration, "Amount chamber II"},
    {ctl::kAmount3, K::kEdit, "", 172, 284, 46, 14, V::kConfiguration, "Amount chamber III"},
    {ctl::kAmountUnit1, K::kEdit, "", 72, 301, 46, 14, V::kConfiguration,
     "Unit of amount chamber I"},
    {ctl::kAmountUnit2, K::kEdit, "", 122, 301, 46, 14, V::kConfiguration,
     "Unit of amount chamber II"},
    {ctl::kAmountUnit3, K::kEdit, "", 172, 301, 46, 14, V::kConfiguration,
     "Unit of amount chamber III"},
    {ctl::kVolumeNote, K::kStatic, "Volume: the gas for mbar runs, the water for mg/l runs", 240,
     256, 215, 8, V::kConfiguration, ""},
    {ctl::kBlankLabel, K::kStatic, "Blank chamber", 240, 270, 50, 8, V::kConfiguration, ""},
    {ctl::kBlankChamber, K::kComboBox, "", 292, 267, 44, 60, V::kConfiguration, "Blank chamber"},
    {ctl::kRateWindowLabel, K::kStatic, "Window W", 240, 287, 50, 8, V::kConfiguration, ""},
    {ctl::kRateWindow, K::kEdit, "", 292, 284, 44, 14, V::kConfiguration, "Window W"},
    {ctl::kRateWindowNote, K::kStatic, "samples", 340, 287, 30, 8, V::kConfiguration, ""},
    {ctl::kRateWindowHint, K::kStatic, "W empty: a tenth of the light segment, at least 10", 240,
     304, 215, 8, V::kConfiguration, ""},

    // View 3, analysis.
    {ctl::kAnalysisTable, K::kList, "", 9, 42, 609, 168, V::kAnalysis, "Analysis table"},
    {ctl::kDeleteRow, K::kPictureButton, "Zeile löschen", 628, 43, 35, 31, V::kAnalysis,
     "Delete row"},
    {ctl::kNewTable, K::kPictureButton, "Neu", 628, 78, 35, 31, V::kAnalysis, "New table"},
    {ctl::kSaveAnalysis, K::kPictureButton, "", 316, 324, 18, 18, V::kAnalysis, "Save analysis"},
    {ctl::kLoadAnalysis, K::kPictureButton, "", 296, 324, 18, 18, V::kAnalysis, "Load analysis"},
    {ctl::kExportAnalysis, K::kPictureButton, "Ex", 336, 324, 18, 18, V::kAnalysis,
     "Export analysis"},
    {ctl::kPrint, K::kPictureButton, "Drucken", 357, 324, 18, 18, V::kAnalysis, "Print report"},
    {ctl::kLeftRespiration, K::kRadio, "", 298, 217, 16, 8, V::kAnalysis,
     "Left diagram Respiration", true},
    {ctl::kLeftSlope, K::kRadio, "", 298, 230, 16, 8, V::kAnalysis, "Left diagram Slope"},
    {ctl::kLeftKphA, K::kRadio, "", 298, 243, 16, 8, V::kAnalysis, "Left diagram KphA"},
    {ctl::kLeftDelay1, K::kRadio, "", 298, 255, 16, 8, V::kAnalysis, "Left diagram Delay1"},
    {ctl::kLeftDelay2, K::kRadio, "", 298, 267, 16, 8, V::kAnalysis, "Left diagram Delay2"},
    {ctl::kLeftMaximumA, K::kRadio, "", 298, 279, 16, 8, V::kAnalysis, "Left diagram Maximum Avg."},
    {ctl::kLeftMaximumM, K::kRadio, "", 298, 291, 16, 8, V::kAnalysis, "Left diagram Maximum M"},
    {ctl::kRightRespiration, K::kRadio, "", 364, 217, 16, 10, V::kAnalysis,
     "Right diagram Respiration", true},
    {ctl::kRightSlope, K::kRadio, "", 364, 230, 16, 10, V::kAnalysis, "Right diagram Slope"},
    {ctl::kRightKphA, K::kRadio, "", 364, 243, 16, 10, V::kAnalysis, "Right diagram KphA"},
    {ctl::kRightDelay1, K::kRadio, "", 364, 255, 16, 10, V::kAnalysis, "Right diagram Delay1"},
    {ctl::kRightDelay2, K::kRadio, "", 364, 267, 16, 8, V::kAnalysis, "Right diagram Delay2"},
    {ctl::kRightMaximumA, K::kRadio, "", 364, 279, 16, 10, V::kAnalysis,
     "Right diagram Maximum Avg."},
    {ctl::kRightMaximumM, K::kRadio, "", 364, 291, 16, 10, V::kAnalysis, "Right diagram Maximum M"},
    {ctl::kLabelRespiration, K::kStatic, "Respiration", 318, 217, 36, 8, V::kAnalysis, ""},
    {ctl::kLabelSlope, K::kStatic, "Slope", 326, 230, 19, 8, V::kAnalysis, ""},
    {ctl::kLabelKphA, K::kStatic, "KphA", 326, 243, 18, 8, V::kAnalysis, ""},
    {ctl::kLabelDelay1, K::kStatic, "Delay1", 325, 255, 23, 8, V::kAnalysis, ""},
    {ctl::kLabelDelay2, K::kStatic, "Delay2", 325, 267, 23, 8, V::kAnalysis, ""},
    {ctl::kLabelMaximumA, K::kStatic, "Maximum Avg.", 314, 279, 47, 8, V::kAnalysis, ""},
    {ctl::kLabelMaximumM, K::kStatic, "Maximum M", 318, 291, 38, 8, V::kAnalysis, ""},

    // Shown and hidden by the run state.
    {ctl::kMeasuring1, K::kStatic, "measuring", 299, 262, 47, 8, V::kRunState, ""},
    {ctl::kMeasuring2, K::kStatic, "measuring", 447, 262, 47, 8, V::kRunState, ""},
    {ctl::kMeasuring3, K::kStatic, "measuring", 591, 263, 47, 8, V::kRunState, ""},

    // Never shown; their operations stay callable.
    {ctl::kStart2, K::kButton, "Start2", 567, 340, 50, 14, V::kNever, ""},
    {ctl::kStart3, K::kButton, "Start3", 567, 306, 50, 14, V::kNever, ""},
    {ctl::kConfirm, K::kButton, "Bestätigen", 571, 346, 50, 14, V::kNever, ""},
    {ctl::kDemo, K::kCheckBox, "Demo", 581, 284, 35, 10, V::kNever, ""},
    {ctl::kModelDigit, K::kEdit, "", 617, 234, 40, 14, V::kNever, "Model digit"},
    {ctl::kStepDown, K::kButton, "", 220, 225, 14, 13, V::kNever, "Step down"},
    {ctl::kStepUp, K::kButton, "", 249, 225, 14, 13, V::kNever, "Step up"},
    {ctl::kRunAnalysis, K::kPictureButton, "", 133, 225, 18, 18, V::kNever, "Run analysis"},
    {ctl::kSaveAnalysisWorkbook, K::kPictureButton, "speichern", 628, 113, 35, 31, V::kNever,
     "Save analysis to spreadsheet"},
};

}  // namespace

std::span<const ControlSpec> AllControls() {
  return kControls;
}

const ControlSpec* FindControl(int id) {
  const auto found = std::find_if(std::begin(kControls), std::end(kControls),
                                  [id](const ControlSpec& c) { return c.id == id; });
  return found == std::end(kControls) ? nullptr : &*found;
}

std::string_view AccessibleName(const ControlSpec& control) {
  if (control.kind == ControlKind::kPictureButton || control.caption.empty()) return control.role;
  return control.caption;
}

Visibility VisibilityInView(const ControlSpec& control, View view) {
  switch (control.view) {
    case ControlView::kAlways:
      return Visibility::kShown;
    case ControlView::kMeasurement:
      if (view != View::kMeasurement) return Visibility::kHidden;
      // The analysis-row button shows once a chamber has a name.
      return control.id == ctl::kAddAnalysisRows ? Visibility::kUntouched : Visibility::kShown;
    case ControlView::kConfiguration:
      return view == View::kConfiguration ? Visibility::kShown : Visibility::kHidden;
    case ControlView::kAnalysis:
      return view == View::kAnalysis ? Visibility::kShown : Visibility::kHidden;
    case ControlView::kRunState:
      return Visibility::kUntouched;
    case ControlView::kNever:
      return Visibility::kHidden;
  }
  return Visibility::kHidden;
}

ChartArea LayoutChart(int32_t w, int32_t h) {
  ChartArea area;
  area.left = w / 7;
  area.right = static_cast<int32_t>((w / 20) * 19.5);
  area.top = h / 12;
  area.bottom = h / 12 + 4 * (h / 10) + 35;
  return area;
}

}  // namespace corvala
