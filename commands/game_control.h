// Game-control commands: BACK with its snapshot, SUGGEST, DEPTH, SWAP,
// WHITE and BLACK.
#pragma once

#include "model/game_state.h"

namespace chess {

// Records the position, castling state, `computer_side` and `move_number`
// for BACK.
void take_snapshot(GameState& g);
// BACK: returns to the snapshot, sets the colours and names to agree with the
// restored `computer_side`, and generates the list at the current ply.
void restore_snapshot(GameState& g);

// SUGGEST: asks for a colour (1 = White, anything else Black), runs the
// computer's move choice for it with all its output, and prints the choice and
// the runner-up ("SUGGESTED MOVE: ", "ALTERNATE MOVE: ", nothing after either
// when the code is 0). Nothing is played: the board and the ply-1 list stay as
// they were, and a book reply is not handed over. `search_side` comes back.
void suggest_move(GameState& g);

// DEPTH: shows `base_depth`, reads a new one clamped to 2..8, copies it into
// `search_depth` and shows the board.
void set_depth(GameState& g);

// SWAP: the computer plays the move of the user's colour (a book reply handed
// over first), prints it, and the colours change hands with the six-character
// names "WHITE " / "BLACK ". A second SWAP in one turn advances the move
// number. When the search ends the game, the main program prompts "GAME OVER"
// and ends; the variant exchanges the colours without a move and returns.
void swap_sides(GameState& g);

// WHITE and BLACK: the user plays that colour from now on; no move is played.
void choose_white(GameState& g);
void choose_black(GameState& g);

}  // namespace chess
