#pragma once
// The identifiers of the main window's controls, by what each control is.

namespace corvala::ctl {

// Always shown.
inline constexpr int kViewsGroup = 1109;
inline constexpr int kMeasurementView = 1053;
inline constexpr int kAnalysisView = 1093;
inline constexpr int kConfigurationView = 1054;
inline constexpr int kChamberSelect1 = 1035;  // then 1036, 1037
inline constexpr int kChamberSelect2 = 1036;
inline constexpr int kChamberSelect3 = 1037;
inline constexpr int kDeviceConnection = 1038;
// The status line of the device link (not in the original layout).
inline constexpr int kLinkStatus = 1150;

// Measurement view.
inline constexpr int kAnalysisGroup = 1092;
inline constexpr int kChamberGroup1 = 1095;
inline constexpr int kChamberGroup2 = 1096;
inline constexpr int kChamberGroup3 = 1097;
inline constexpr int kProgramGroup = 1098;
inline constexpr int kTemperatureGroup = 1110;
inline constexpr int kMeasurementGroup = 1111;
inline constexpr int kValues1 = 1003;
inline constexpr int kValues2 = 1010;
inline constexpr int kValues3 = 1011;
inline constexpr int kStart = 1021;
inline constexpr int kStop = 1022;
inline constexpr int kLight = 1024;
inline constexpr int kProgram = 1026;
inline constexpr int kInsertStep = 1027;
inline constexpr int kStepHours = 1028;
inline constexpr int kStepMinutes = 1029;
inline constexpr int kStepSeconds = 1030;
inline constexpr int kStepLight = 1031;
inline constexpr int kDeleteStep = 1032;
inline constexpr int kStepStop = 1033;
inline constexpr int kTimeScroll = 1034;
inline constexpr int kDeviceTemperature = 1039;
inline constexpr int kSetPointIndicator = 1040;
inline constexpr int kSaveMeasurement = 1041;
inline constexpr int kLoadMeasurement = 1042;
inline constexpr int kChamberShow1 = 1043;  // then 1044, 1045
inline constexpr int kChamberShow2 = 1044;
inline constexpr int kChamberShow3 = 1045;
inline constexpr int kExportMeasurement = 1076;
inline constexpr int kNormalise = 1077;
inline constexpr int kReading1 = 1080;
inline constexpr int kReading2 = 1082;
inline constexpr int kReading3 = 1084;
inline constexpr int kShowDelay = 1087;
inline constexpr int kShowMax = 1088;
inline constexpr int kShowSlope = 1089;
inline constexpr int kShowResp = 1090;
inline constexpr int kShowAll = 1091;
inline constexpr int kStepTimeLabel = 1099;
inline constexpr int kStepColon1 = 1100;
inline constexpr int kStepColon2 = 1101;
inline constexpr int kAddAnalysisRows = 1112;

// Configuration view.
inline constexpr int kConfigurationGroup = 1071;
inline constexpr int kPortGroup = 1059;
inline constexpr int kUnitGroup = 1060;
inline constexpr int kFactorGroup = 1064;
inline constexpr int kChartGroup = 1065;
inline constexpr int kMaxPressureGroup = 1066;
inline constexpr int kMaxTimeGroup = 1067;
inline constexpr int kParameterGroup = 1068;
inline constexpr int kSetPointGroup = 1069;
inline constexpr int kIntervalGroup = 1070;
inline constexpr int kCalibrationGroup = 1075;
inline constexpr int kExportGroup = 1106;
inline constexpr int kEndGroup = 1108;
inline constexpr int kInterpolationGroup = 1139;
inline constexpr int kSetPoint = 1004;
inline constexpr int kSetPointDown = 1005;
inline constexpr int kSetPointUp = 1006;
inline constexpr int kIntervalUp = 1015;
inline constexpr int kIntervalDown = 1016;
inline constexpr int kInterval = 1017;
inline constexpr int kCalibration = 1023;
inline constexpr int kPort = 1048;
inline constexpr int kUnit = 1050;
inline constexpr int kFactor1 = 1051;
inline constexpr int kFactor2 = 1052;
inline constexpr int kMaxPressureBar = 1055;
inline constexpr int kMaxPressureValue = 1056;
inline constexpr int kMaxTimeValue = 1057;
inline constexpr int kMaxTimeBar = 1058;
inline constexpr int kCalibrationValue = 1074;
inline constexpr int kComma = 1105;
inline constexpr int kSignal = 1107;
inline constexpr int kInterpolation = 1138;
inline constexpr int kFactorLabel1 = 1062;
inline constexpr int kFactorLabel2 = 1063;
// The serial adapter the chosen port stands for (not in the original layout).
inline constexpr int kAdapterGroup = 1141;
inline constexpr int kAdapter = 1140;
// The settings of the rates: blank chamber, each chamber's volume, amount and
// amount unit, and the window W (not in the original layout).
inline constexpr int kRatesGroup = 1160;
inline constexpr int kBlankLabel = 1161;
inline constexpr int kBlankChamber = 1162;
inline constexpr int kVolumeHeading = 1163;
inline constexpr int kAmountHeading = 1164;
inline constexpr int kAmountUnitHeading = 1165;
inline constexpr int kRateChamber1 = 1166;  // then 1167, 1168: "I" to "III"
inline constexpr int kRateChamber2 = 1167;
inline constexpr int kRateChamber3 = 1168;
inline constexpr int kVolume1 = 1169;  // then 1170, 1171
inline constexpr int kVolume2 = 1170;
inline constexpr int kVolume3 = 1171;
inline constexpr int kAmount1 = 1172;  // then 1173, 1174
inline constexpr int kAmount2 = 1173;
inline constexpr int kAmount3 = 1174;
inline constexpr int kAmountUnit1 = 1175;  // then 1176, 1177
inline constexpr int kAmountUnit2 = 1176;
inline constexpr int kAmountUnit3 = 1177;
inline constexpr int kVolumeNote = 1178;
inline constexpr int kRateWindowLabel = 1179;
inline constexpr int kRateWindow = 1180;
inline constexpr int kRateWindowNote = 1181;
inline constexpr int kRateWindowHint = 1182;

// Analysis view.
inline constexpr int kAnalysisTable = 1094;
inline constexpr int kDeleteRow = 1102;
inline constexpr int kNewTable = 1103;
inline constexpr int kSaveAnalysis = 1046;
inline constexpr int kLoadAnalysis = 1047;
inline constexpr int kExportAnalysis = 1113;
inline constexpr int kPrint = 1137;
inline constexpr int kLeftRespiration = 1116;
inline constexpr int kLeftSlope = 1117;
inline constexpr int kLeftKphA = 1118;
inline constexpr int kLeftDelay1 = 1119;
inline constexpr int kLeftDelay2 = 1134;
inline constexpr int kLeftMaximumA = 1120;
inline constexpr int kLeftMaximumM = 1121;
inline constexpr int kRightRespiration = 1122;
inline constexpr int kRightSlope = 1123;
inline constexpr int kRightKphA = 1124;
inline constexpr int kRightDelay1 = 1125;
inline constexpr int kRightDelay2 = 1135;
inline constexpr int kRightMaximumA = 1126;
inline constexpr int kRightMaximumM = 1127;
inline constexpr int kLabelRespiration = 1128;
inline constexpr int kLabelSlope = 1129;
inline constexpr int kLabelKphA = 1130;
inline constexpr int kLabelDelay1 = 1131;
inline constexpr int kLabelDelay2 = 1136;
inline constexpr int kLabelMaximumA = 1132;
inline constexpr int kLabelMaximumM = 1133;

// Shown and hidden by the run state.
inline constexpr int kMeasuring1 = 1081;
inline constexpr int kMeasuring2 = 1083;
inline constexpr int kMeasuring3 = 1085;

// Never shown; their operations stay callable.
inline constexpr int kStart2 = 1012;
inline constexpr int kStart3 = 1013;
inline constexpr int kConfirm = 1049;
inline constexpr int kDemo = 1072;
inline constexpr int kModelDigit = 1073;
inline constexpr int kStepDown = 1078;
inline constexpr int kStepUp = 1079;
inline constexpr int kRunAnalysis = 1086;
inline constexpr int kSaveAnalysisWorkbook = 1104;
// Command 1002 has no control; it sends the factor pair 823 and 21000.
inline constexpr int kCommand1002 = 1002;

// Per chamber.
inline constexpr int kChamberSelect[3] = {kChamberSelect1, kChamberSelect2, kChamberSelect3};
inline constexpr int kChamberShow[3] = {kChamberShow1, kChamberShow2, kChamberShow3};
inline constexpr int kValues[3] = {kValues1, kValues2, kValues3};
inline constexpr int kReading[3] = {kReading1, kReading2, kReading3};
inline constexpr int kMeasuring[3] = {kMeasuring1, kMeasuring2, kMeasuring3};
inline constexpr int kVolume[3] = {kVolume1, kVolume2, kVolume3};
inline constexpr int kAmount[3] = {kAmount1, kAmount2, kAmount3};
inline constexpr int kAmountUnit[3] = {kAmountUnit1, kAmountUnit2, kAmountUnit3};

}  // namespace corvala::ctl
