// Start-up: the record's initial values, the start-up data, the border, the
// banner and the start-up questions.
#pragma once

#include "model/game_state.h"

namespace chess {

// Sets the record to its initial values and reads the initial position and
// the ten evaluation tables from the start-up data, then writes the border.
// Keeps the console, the program settings and the random generator.
void load_start_position(GameState& g);

// Everything before the first turn: load_start_position, the banner, the
// transcript, book and colour questions, the transcript's first line, the note
// line and the first BACK snapshot. Stops early when the input ends.
void start_up(GameState& g);

}  // namespace chess
