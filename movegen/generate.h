// Pseudo-legal move generation for both colours in one pass over the board,
// with the attack records (king captures, castling-path squares) as a
// by-product.
#pragma once

#include "model/game_state.h"

namespace chess {

// Fills the list of ply `g.ply` with every pseudo-legal move of both colours,
// captures of both colours first in the order found, then the rest. Rebuilds
// that ply's counters and king-attack records and all of `castle_attacked`;
// board cells 1 and 9 receive king-capture move codes (or 7). The 64 squares
// are not changed. A list never grows past row 250.
void generate_moves(GameState& g);

// `move_index` := the first row of the list of `g.ply` whose move code equals
// `g.move_code`, or 0. The list holds both colours: the caller checks the colour.
void find_move(GameState& g);

}  // namespace chess
