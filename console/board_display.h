// The board as text with its header and footer. Each display also recomputes
// the material totals, the depth of the next search and the castling flags.
#pragma once

#include "model/game_state.h"

namespace chess {

// Prints the board; writes `piece_total`, `white_total`, `black_total`,
// `search_depth` (from `base_depth` and the material, or kept once when
// `hold_depth` is 1), `threat_divisor` (to 50 once material falls below 41),
// and sets `castle_moved` / king-moved flags for kings and rooks off their
// home squares.
void show_board(GameState& g);

// Marks kings and rooks that stand off their home squares as moved; flags are
// only ever set. The board display does this at every display.
void correct_castling_flags(GameState& g);

}  // namespace chess
