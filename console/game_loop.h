// The main game loop: turns of the user and the computer until the game ends.
#pragma once

#include "model/game_state.h"

namespace chess {

// Runs turns until the game is over or the console has ended.
void run_game_loop(GameState& g);

// The end of the game: the board, the game-over prompt, one reply, the
// transcript closed; the console ends.
void end_game(GameState& g);

// Marks castling rights lost by the move at (`ply`, `move_index`) just played.
void note_castling_loss(GameState& g);

}  // namespace chess
