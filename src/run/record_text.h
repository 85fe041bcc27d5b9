#pragma once
// The text of a chamber record as the measurement file holds it, shared by the
// measurement file and the journal of a running measurement: the header lines
// of the run (start, interval, set point, unit, program copy) and the sample rows.

#include <string>

#include "run/chamber_record.h"

namespace corvala {

// The line after which the sample rows follow.
inline constexpr const char* kSamplesMarker = "Messwerte:";
// The header key of a run recorded from the built-in device simulator. Written
// only for such runs ("Simuliert=1"), so a measured run's file keeps its bytes;
// readers that do not know it pass over it as over any unknown key.
inline constexpr const char* kSimulatedKey = "Simuliert";

// "Jahr=" to the program copy ("AnzahlProg", "Delay0001", "Licht0001", ...),
// one "key=value" line each with CR LF; "Simuliert=1" after "Einheit=" for a
// simulated run.
std::string FormatRecordHeader(const ChamberRecord& record);

// The two empty lines and the marker that end the header.
std::string FormatSamplesMarker();

// One fixed-column sample row, "%4d %4d %4d %8d %8.2f %4.1f %1d" with CR LF.
std::string FormatSampleRow(const Sample& sample);

}  // namespace corvala
