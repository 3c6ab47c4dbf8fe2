// Pseudo-legal move generation for both colours in one pass over the board,
// with the attack records (king captures, castling-path squares) as a
// by-product.
#pragma once

#include "model/game_state.h"
#include "movegen/occupancy.h"

namespace chess {

// Fills the list of ply `g.ply` with every pseudo-legal move of both colours,
// captures of both colours first in the order found, then the rest. Rebuilds
// that ply's counters and king-attack records and all of `castle_attacked`;
// board cells 1 and 9 receive king-capture move codes (or 7). The 64 squares
// are not changed. A list never grows past row 250.
void generate_moves(GameState& g);

// At `g.lean_ply` a counting pass counts every move but writes only the
// capture rows (the counters, attack records, scratch cells and king squares
// are those of any other pass); it notes its board so the other rows, the
// owed rows, can be written when read. defer_rows_at() makes `ply` the lean
// ply (after writing any rows still owed); write_deferred_rows() writes every
// owed row and ends it.
void defer_rows_at(GameState& g, int ply);
void write_deferred_rows(GameState& g);

// The move code in row `row` of the list of `ply`, writing the row first if it
// is owed.
int16_t list_code(GameState& g, int ply, int row);

// True when row `row` of the list of `ply` is a row the newest counting pass
// left owed and the 64 squares are still those it saw: the row is then a
// non-capture move of this position, whose target square is empty.
bool row_is_unwritten_quiet(const GameState& g, int ply, int row);

// True when row `row` of the list of `ply` is owed: its cells are not yet
// what the list holds.
bool row_is_deferred(const GameState& g, int ply, int row);

// Whether make_move would refuse the move in row `row` of the list of `ply`
// (a reply could take a king of the mover's colour), decided from the
// board's square sets `a` without making it: 1 refused, 0 accepted, -1 not
// decided here (castling, en passant, or a list so long that the replies
// might pass the row limit): the caller makes the move.
int refused_unmade(const GameState& g, const Armies& a, int ply, int row);

// `move_index` := the first row of the list of `g.ply` whose move code equals
// `g.move_code`, or 0. The list holds both colours: the caller checks the colour.
void find_move(GameState& g);

}  // namespace chess
