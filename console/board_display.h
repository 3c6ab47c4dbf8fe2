// The board as text with its header and footer. Each display also refreshes
// the material totals and the depth of the next search, and corrects the
// castling flags.
#pragma once

#include "model/game_state.h"

namespace chess {

// Prints the board; refreshes `piece_total`, `white_total`, `black_total`,
// `search_depth` and `threat_divisor` (refresh_material_and_depth) before the
// footer that shows them, and marks kings and rooks off their home squares as
// moved (correct_castling_flags).
void show_board(GameState& g);

}  // namespace chess
