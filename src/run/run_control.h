#pragma once
// The run buttons: "Start", "Stop", "Licht" and "Calibration" act on the selected
// chambers. Each changes the run state of the station and leaves a command in a
// mailbox that the serial link sends; the sampling scheduler does the rest.

#include <array>
#include <string>

#include "run/station.h"

namespace corvala {

// The chambers the buttons act on (chamber buttons I, II, III).
using ChamberSelection = std::array<bool, 3>;

// Starts every chamber of `start` that is stopped (the question before unsaved
// data is replaced has been asked). The run command then names every running chamber.
void StartRuns(Station& station, const ChamberSelection& start);
// Toggles the selected chambers' lights, stops the selected running chambers and
// switches their lights off. Returns the chambers whose "measuring" label to hide.
std::array<bool, 3> OnStop(Station& station, const ChamberSelection& selected);
// Toggles the lights of the selected chambers.
void OnLight(Station& station, const ChamberSelection& selected);
// Asks the device to calibrate the selected chambers.
void OnCalibration(Station& station, const ChamberSelection& selected);

// Hidden service buttons.
// "Start2": both device parameter values 1.
void OnStart2(Station& station);
// Command 1002: device parameter values 823 and 21000.
void OnCommand1002(Station& station);
// "Start3": starts or stops chamber III without a question and without a run
// command. Returns the button's new caption, "Stop3" while running, else "Start3".
std::string OnStart3(Station& station);

}  // namespace corvala
