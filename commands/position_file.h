// SAVE and LOAD of the position file (104 lines: the 100 board cells, the move
// number, the three colour values and the two colour names).
#pragma once

#include "model/game_state.h"

namespace chess {

void save_position(GameState& g);
// All or nothing: a file that cannot be read whole and sound is rejected with
// the game unchanged.
void load_position(GameState& g);

}  // namespace chess
