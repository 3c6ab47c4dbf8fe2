// The user's half of a turn: the move prompt, commands and move parsing.
#pragma once

#include "model/game_state.h"

namespace chess {

// Generates the ply-1 list, prompts, runs commands, and returns once a move
// of the user's colour from that list is accepted (`move_index`, `move_text`,
// the BACK snapshot taken). Returns early with `console.ended` set when the
// program ends (QUIT, EXIT, end of input, a SWAP that ends the game).
void read_user_move(GameState& g);

}  // namespace chess
