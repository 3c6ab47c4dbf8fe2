// The record at the start of a game: every field at its initial value, the
// initial position and the ten evaluation tables read from the start-up data,
// and the border around the board.
#pragma once

#include "model/game_state.h"

namespace chess {

// Sets the record to its initial values and reads the initial position and
// the ten evaluation tables from the start-up data, then writes the border.
// Keeps the console, the program settings and the random generator.
void load_start_position(GameState& g);

}  // namespace chess
