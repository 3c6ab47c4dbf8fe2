// The end of the game, reached from the main loop and, in the variant, from
// QUIT and EXIT.
#pragma once

#include "model/game_state.h"

namespace chess {

// The end of the game: the board, the game-over prompt, one reply, the
// transcript closed; the console ends.
void end_game(GameState& g);

}  // namespace chess
