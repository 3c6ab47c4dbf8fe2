// The main game loop: turns of the user and the computer until the game ends.
#pragma once

#include "model/game_state.h"

namespace chess {

// Runs turns until the game is over or the console has ended.
void run_game_loop(GameState& g);

}  // namespace chess
