// The computer's move choice: book, root search, mate and stalemate
// announcements, the choice rule and the repetition test.
#pragma once

#include "model/game_state.h"

namespace chess {

// Chooses a move for `search_side` at `search_depth`. Leaves `move_code`,
// `chosen_index` (row in the ply-1 list), `alternate_move`, and sets
// `game_over` when the game has ended. The board and castling state are as
// on entry.
void search(GameState& g);

}  // namespace chess
