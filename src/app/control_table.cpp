#include "app/control_table.h"

#include <algorithm>
#include <array>

namespace corvala {
namespace {

using K = ControlKind;
using V = ControlView;

constexpr ControlSpec kControls[] = {
    // Always shown: the view buttons, chamber selection and the connection indicator.
    {1109, K::kGroupBox, "", 1, 0, 87, 33, V::kAlways, "Views"},
    {1053, K::kPictureButton, "", 5, 7, 24, 23, V::kAlways, "Measurement view"},
    {1093, K::kPictureButton, "", 32, 7, 24, 23, V::kAlways, "Analysis view"},
    {1054, K::kPictureButton, "", 60, 7, 24, 23, V::kAlways, "Configuration view"},
    {1035, K::kPictureButton, "", 279, 0, 31, 28, V::kAlways, "Chamber I"},
    {1036, K::kPictureButton, "", 319, 0, 31, 28, V::kAlways, "Chamber II"},
    {1037, K::kPictureButton, "", 359, 0, 31, 28, V::kAlways, "Chamber III"},
    {1038, K::kPictureButton, "", 619, 0, 31, 28, V::kAlways, "Device connection"},

    // View 1, measurement. Group boxes come first so that they lie beneath.
    {1092, K::kGroupBox, "Analysis", 23, 165, 65, 69, V::kMeasurement, ""},
    {1095, K::kGroupBox, "Chamber I", 219, 251, 145, 157, V::kMeasurement, ""},
    {1096, K::kGroupBox, "Chamber II", 365, 251, 145, 157, V::kMeasurement, ""},
    {1097, K::kGroupBox, "Chamber III", 511, 251, 145, 157, V::kMeasurement, ""},
    {1098, K::kGroupBox, "Program", 10, 251, 203, 156, V::kMeasurement, ""},
    {1110, K::kGroupBox, "Temperature", 30, 68, 51, 32, V::kMeasurement, ""},
    {1111, K::kGroupBox, "Measurement", 25, 108, 62, 49, V::kMeasurement, ""},
    {1003, K::kList, "", 225, 279, 132, 122, V::kMeasurement, "Values chamber I"},
    {1010, K::kList, "", 372, 278, 132, 122, V::kMeasurement, "Values chamber II"},
    {1011, K::kList, "", 517, 278, 132, 122, V::kMeasurement, "Values chamber III"},
    {1021, K::kButton, "Start", 31, 120, 50, 14, V::kMeasurement, ""},
    {1022, K::kButton, "Stop", 31, 137, 50, 14, V::kMeasurement, ""},
    {1024, K::kPictureButton, "Licht", 652, 174, 15, 14, V::kMeasurement, "Light"},
    {1026, K::kList, "", 17, 261, 188, 101, V::kMeasurement, "Measurement program"},
    {1027, K::kButton, "insert", 17, 367, 32, 14, V::kMeasurement, ""},
    {1028, K::kEdit, "", 104, 367, 20, 14, V::kMeasurement, "Step hours"},
    {1029, K::kEdit, "", 145, 367, 20, 14, V::kMeasurement, "Step minutes"},
    {1030, K::kEdit, "", 185, 367, 20, 14, V::kMeasurement, "Step seconds"},
    {1031, K::kCheckBox, "Light", 115, 388, 31, 10, V::kMeasurement, ""},
    {1032, K::kButton, "delete", 17, 386, 32, 14, V::kMeasurement, ""},
    {1033, K::kCheckBox, "Stop", 170, 388, 31, 10, V::kMeasurement, ""},
    {1034, K::kTrackbar, "", 330, 231, 100, 15, V::kMeasurement, "Time scroll"},
    {1039, K::kReadOnlyEdit, "", 40, 79, 32, 14, V::kMeasurement, "Device temperature"},
    {1040, K::kPictureButton, "", 578, 0, 31, 28, V::kMeasurement, "Temperature set point"},
    {1041, K::kPictureButton, "", 27, 39, 18, 18, V::kMeasurement, "Save measurement"},
    {1042, K::kPictureButton, "", 7, 39, 18, 18, V::kMeasurement, "Load measurement"},
    {1043, K::kPictureButton, "", 652, 79, 16, 15, V::kMeasurement, "Show chamber I"},
    {1044, K::kPictureButton, "", 652, 110, 16, 15, V::kMeasurement, "Show chamber II"},
    {1045, K::kPictureButton, "", 652, 142, 16, 15, V::kMeasurement, "Show chamber III"},
    {1076, K::kPictureButton, "Ex", 47, 39, 18, 18, V::kMeasurement, "Export measurement"},
    {1077, K::kPictureButton, "No", 59, 213, 18, 18, V::kMeasurement, "Normalise curves"},
    {1080, K::kReadOnlyEdit, "", 225, 260, 50, 14, V::kMeasurement, "Reading chamber I"},
    {1082, K::kReadOnlyEdit, "", 372, 260, 50, 14, V::kMeasurement, "Reading chamber II"},
    {1084, K::kReadOnlyEdit, "", 517, 261, 50, 14, V::kMeasurement, "Reading chamber III"},
    {1087, K::kButton, "D", 37, 194, 18, 18, V::kMeasurement, ""},
    {1088, K::kButton, "M", 59, 193, 18, 18, V::kMeasurement, ""},
    {1089, K::kButton, "S", 37, 175, 18, 18, V::kMeasurement, ""},
    {1090, K::kButton, "R", 59, 175, 18, 18, V::kMeasurement, ""},
    {1091, K::kButton, "A", 37, 213, 18, 18, V::kMeasurement, ""},
    {1099, K::kStatic, "hh:mm:ss", 68, 370, 30, 8, V::kMeasurement, ""},
    {1100, K::kStatic, ":", 133, 369, 8, 8, V::kMeasurement, ""},
    {1101, K::kStatic, ":", 174, 369, 8, 8, V::kMeasurement, ""},
    {1112, K::kPictureButton, "", 67, 39, 18, 18, V::kMeasurement, "Add analysis row"},

    // View 2, configuration.
    {1071, K::kGroupBox, "Configuration", 7, 34, 457, 205, V::kConfiguration, ""},
    {1059, K::kGroupBox, "RS232 - ComPort", 62, 42, 80, 34, V::kConfiguration, ""},
    {1060, K::kGroupBox, "Unit", 252, 41, 185, 71, V::kConfiguration, ""},
    {1064, K::kGroupBox, "Conversion factor", 252, 75, 185, 37, V::kConfiguration, ""},
    {1065, K::kGroupBox, "Measurement", 261, 163, 167, 61, V::kConfiguration, ""},
    {1066, K::kGroupBox, "max. Pressure", 261, 176, 87, 48, V::kConfiguration, ""},
    {1067, K::kGroupBox, "max. Time", 347, 176, 81, 48, V::kConfiguration, ""},
    {1068, K::kGroupBox, "Parameter", 29, 163, 148, 59, V::kConfiguration, ""},
    {1069, K::kGroupBox, "Temperature", 30, 182, 73, 40, V::kConfiguration, ""},
    {1070, K::kGroupBox, "Meas. Distance", 102, 182, 75, 40, V::kConfiguration, ""},
    {1075, K::kGroupBox, "Calibration", 70, 108, 65, 35, V::kConfiguration, ""},
    {1106, K::kGroupBox, "Export to Excel", 286, 112, 120, 24, V::kConfiguration, ""},
    {1108, K::kGroupBox, "End of Measuring", 69, 82, 67, 25, V::kConfiguration, ""},
    {1139, K::kGroupBox, "Interpolation", 285, 138, 121, 23, V::kConfiguration, ""},
    {1004, K::kReadOnlyEdit, "", 55, 199, 20, 14, V::kConfiguration, "Temperature set point"},
    {1005, K::kPictureButton, "-", 37, 199, 15, 14, V::kConfiguration, "Lower temperature"},
    {1006, K::kPictureButton, "+", 79, 199, 15, 14, V::kConfiguration, "Raise temperature"},
    {1015, K::kPictureButton, "+", 153, 199, 15, 14, V::kConfiguration, "Raise interval"},
    {1016, K::kPictureButton, "-", 111, 199, 15, 14, V::kConfiguration, "Lower interval"},
    {1017, K::kReadOnlyEdit, "", 129, 199, 20, 14, V::kConfiguration, "Sampling interval"},
    {1023, K::kButton, "Calibration", 77, 147, 50, 14, V::kConfiguration, ""},
    {1048, K::kComboBox, "", 79, 55, 48, 93, V::kConfiguration, "Serial port"},
    {1050, K::kComboBox, "", 324, 55, 48, 45, V::kConfiguration, "Unit"},
    {1051, K::kEdit, "", 264, 88, 28, 14, V::kConfiguration, "Factor mbar"},
    {1052, K::kEdit, "", 359, 88, 28, 14, V::kConfiguration, "Factor mg/l"},
    {1055, K::kTrackbar, "", 275, 207, 55, 15, V::kConfiguration, "Maximum pressure"},
    {1056, K::kReadOnlyEdit, "", 289, 190, 25, 14, V::kConfiguration, "Maximum pressure value"},
    {1057, K::kReadOnlyEdit, "", 375, 190, 25, 14, V::kConfiguration, "Maximum time value"},
    {1058, K::kTrackbar, "", 361, 207, 55, 15, V::kConfiguration, "Maximum time"},
    {1074, K::kEdit, "", 86, 121, 32, 14, V::kConfiguration, "Calibration value"},
    {1105, K::kCheckBox, "replace point by comma", 300, 121, 91, 10, V::kConfiguration, ""},
    {1107, K::kCheckBox, "Signal", 81, 92, 35, 10, V::kConfiguration, ""},
    {1138, K::kCheckBox, "activate", 319, 147, 56, 10, V::kConfiguration, ""},
    {1062, K::kStatic, "mbar equal to", 303, 90, 44, 8, V::kConfiguration, ""},
    {1063, K::kStatic, "mg/l", 393, 90, 15, 8, V::kConfiguration, ""},

    // View 3, analysis.
    {1094, K::kList, "", 9, 42, 609, 168, V::kAnalysis, "Analysis table"},
    {1102, K::kPictureButton, "Zeile löschen", 628, 43, 35, 31, V::kAnalysis, "Delete row"},
    {1103, K::kPictureButton, "Neu", 628, 78, 35, 31, V::kAnalysis, "New table"},
    {1046, K::kPictureButton, "", 316, 324, 18, 18, V::kAnalysis, "Save analysis"},
    {1047, K::kPictureButton, "", 296, 324, 18, 18, V::kAnalysis, "Load analysis"},
    {1113, K::kPictureButton, "Ex", 336, 324, 18, 18, V::kAnalysis, "Export analysis"},
    {1137, K::kPictureButton, "Drucken", 357, 324, 18, 18, V::kAnalysis, "Print report"},
    {1116, K::kRadio, "", 298, 217, 16, 8, V::kAnalysis, "Left diagram Respiration", true},
    {1117, K::kRadio, "", 298, 230, 16, 8, V::kAnalysis, "Left diagram Slope"},
    {1118, K::kRadio, "", 298, 243, 16, 8, V::kAnalysis, "Left diagram KphA"},
    {1119, K::kRadio, "", 298, 255, 16, 8, V::kAnalysis, "Left diagram Delay1"},
    {1134, K::kRadio, "", 298, 267, 16, 8, V::kAnalysis, "Left diagram Delay2"},
    {1120, K::kRadio, "", 298, 279, 16, 8, V::kAnalysis, "Left diagram Maximum Avg."},
    {1121, K::kRadio, "", 298, 291, 16, 8, V::kAnalysis, "Left diagram Maximum M"},
    {1122, K::kRadio, "", 364, 217, 16, 10, V::kAnalysis, "Right diagram Respiration", true},
    {1123, K::kRadio, "", 364, 230, 16, 10, V::kAnalysis, "Right diagram Slope"},
    {1124, K::kRadio, "", 364, 243, 16, 10, V::kAnalysis, "Right diagram KphA"},
    {1125, K::kRadio, "", 364, 255, 16, 10, V::kAnalysis, "Right diagram Delay1"},
    {1135, K::kRadio, "", 364, 267, 16, 8, V::kAnalysis, "Right diagram Delay2"},
    {1126, K::kRadio, "", 364, 279, 16, 10, V::kAnalysis, "Right diagram Maximum Avg."},
    {1127, K::kRadio, "", 364, 291, 16, 10, V::kAnalysis, "Right diagram Maximum M"},
    {1128, K::kStatic, "Respiration", 318, 217, 36, 8, V::kAnalysis, ""},
    {1129, K::kStatic, "Slope", 326, 230, 19, 8, V::kAnalysis, ""},
    {1130, K::kStatic, "KphA", 326, 243, 18, 8, V::kAnalysis, ""},
    {1131, K::kStatic, "Delay1", 325, 255, 23, 8, V::kAnalysis, ""},
    {1136, K::kStatic, "Delay2", 325, 267, 23, 8, V::kAnalysis, ""},
    {1132, K::kStatic, "Maximum Avg.", 314, 279, 47, 8, V::kAnalysis, ""},
    {1133, K::kStatic, "Maximum M", 318, 291, 38, 8, V::kAnalysis, ""},

    // Shown and hidden by the run state.
    {1081, K::kStatic, "measuring", 299, 262, 47, 8, V::kRunState, ""},
    {1083, K::kStatic, "measuring", 447, 262, 47, 8, V::kRunState, ""},
    {1085, K::kStatic, "measuring", 591, 263, 47, 8, V::kRunState, ""},

    // Never shown; their operations stay callable.
    {1012, K::kButton, "Start2", 567, 340, 50, 14, V::kNever, ""},
    {1013, K::kButton, "Start3", 567, 306, 50, 14, V::kNever, ""},
    {1049, K::kButton, "Bestätigen", 571, 346, 50, 14, V::kNever, ""},
    {1072, K::kCheckBox, "Demo", 581, 284, 35, 10, V::kNever, ""},
    {1073, K::kEdit, "", 617, 234, 40, 14, V::kNever, "Model digit"},
    {1078, K::kButton, "", 220, 225, 14, 13, V::kNever, "Step down"},
    {1079, K::kButton, "", 249, 225, 14, 13, V::kNever, "Step up"},
    {1086, K::kPictureButton, "", 133, 225, 18, 18, V::kNever, "Run analysis"},
    {1104, K::kPictureButton, "speichern", 628, 113, 35, 31, V::kNever,
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

bool ShownInView(const ControlSpec& control, int view, bool& untouched) {
  untouched = false;
  switch (control.view) {
    case ControlView::kAlways:
      return true;
    case ControlView::kMeasurement:
      if (control.id == 1112 && view == 1) untouched = true;
      return view == 1;
    case ControlView::kConfiguration:
      return view == 2;
    case ControlView::kAnalysis:
      return view == 3;
    case ControlView::kRunState:
      untouched = true;
      return false;
    case ControlView::kNever:
      return false;
  }
  return false;
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
