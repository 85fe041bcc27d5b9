#pragma once
// "Start" with its question: a chamber whose record holds unsaved data starts
// only when the user agrees to overwrite it.

#include <string>

#include "run/run_control.h"
#include "run/station.h"
#include "station/prompts.h"

namespace corvala {

// "Unsaved measurement datas in chamber <n> will be overwritten!" for chamber 0..2.
std::string UnsavedDataQuestion(int chamber);

// Starts every selected stopped chamber; a chamber with unsaved data only after OK.
// The run command then names every running chamber.
void OnStart(Station& station, const ChamberSelection& selected, Prompts& prompts);

}  // namespace corvala
