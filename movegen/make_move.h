// Making moves with the legality test, and taking them back.
#pragma once

#include <cstddef>

#include "model/board.h"
#include "model/game_state.h"

namespace chess {

// Plays row `move_index` of the list of `ply` on the board: moves the piece,
// carries out castling's rook jump, en passant removal, the en passant marker
// of a double step and promotion to a queen, sets `castle_moved` flags, and
// records `move_code`, `last_move`, `last_flags` and `last_to_row`. Then
// generates the replies at `ply` + 1; when one captures the mover's king the
// move is taken back and `in_check` := 1 (else 0). `ply` is unchanged on return.
void make_move(GameState& g);

// make_move for a caller that holds the row already: `cells` points at the
// code and flag word of row `move_index` of the list of `ply`.
void make_move_at(GameState& g, const int16_t* cells);

// Undoes the move given by `last_move` and `last_flags` alone.
void take_back(GameState& g);

// Puts `value` (a piece code or 0) on the playing square `cell`, keeping the
// sum of the prepared board terms in step while a search has them (see
// prepare_board_terms in engine/evaluate.h), and the pieces' square sets
// while they are kept.
inline void set_square(GameState& g, int cell, int16_t value) {
    // Indexes as wide as a pointer: no widening after the addition.
    const std::ptrdiff_t at = cell;
    const std::ptrdiff_t was = g.board[cell];  // read once for both
    if (g.board_terms_ready != 0) {
        g.board_terms_sum +=
            g.board_terms[value + std::ptrdiff_t{6}][at] - g.board_terms[was + 6][at];
    }
    if (g.square_sets_ready != 0) {
        const uint64_t bit = square_bit.of[cell];
        g.square_sets[was + 6] ^= bit;
        g.square_sets[value + 6] ^= bit;
    }
    g.board[cell] = value;
}

// For one search: from keep_square_sets() until drop_square_sets(),
// set_square keeps the squares of each piece code (`square_sets`) in step
// with the board, and the counting passes read them instead of the board.
// Meanwhile the board's playing squares change only through set_square (or
// are put back together with the sets).
void keep_square_sets(GameState& g);
void drop_square_sets(GameState& g);

// Ends every en passant right: the sixteen marker cells back to 7.
void clear_ep_markers(GameState& g);

// Copy the castling state (`castle_moved`, `castle_attacked` and the two
// king-moved fields) into the save area, and back.
void save_castle_state(Position& g);
void restore_castle_state(Position& g);

}  // namespace chess
