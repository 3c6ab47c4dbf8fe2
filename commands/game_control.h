// Game-control commands: SUGGEST, DEPTH, SWAP, WHITE and BLACK, and the
// colour names they and the game loop give the two players. BACK and its
// snapshot are in commands/snapshot.h.
#pragma once

#include "model/game_state.h"

namespace chess {

// Names the players after `computer_side`: `human_name` and `computer_name`
// become "WHITE" and "BLACK" as the colours stand, each with a trailing blank
// when `trailing_blank` is set (the names SWAP gives, which the prompt shows).
void set_colour_names(GameState& g, bool trailing_blank = false);

// SUGGEST: asks for a colour (1 = White, anything else Black), runs the
// computer's move choice for it with all its output, and prints the choice and
// the runner-up ("SUGGESTED MOVE: ", "ALTERNATE MOVE: ", nothing after either
// when the code is 0). Nothing is played: the board and the ply-1 list stay as
// they were, and a book reply is not handed over. `search_side` comes back.
void suggest_move(GameState& g);

// DEPTH: shows `base_depth`, reads a new one clamped to 2..8 and copies it
// into `search_depth`. True when a value was read (the console then shows the
// board); false at the end of input, with nothing changed.
bool set_depth(GameState& g);

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
