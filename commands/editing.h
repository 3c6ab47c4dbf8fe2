// Setting up a position by hand: EDIT, CLEAR and XMOVE. None of them is a
// turn and none touches the castling flags, the en passant markers, the
// colours or the BACK snapshot.
#pragma once

#include "model/game_state.h"

namespace chess {

// EDIT: the legend, then " ENTER PIECE, CHESS SQUARE (P,XY) ? " until the
// reply's second field is exactly two characters long. Stores the piece code
// (-6..6) on the square (A1..H8); anything else stores nothing. Ends by
// generating the list at the current ply.
void edit_square(GameState& g);

// CLEAR: after a confirmation of 1, empties the 64 squares and asks for the
// move number. The move list is deliberately not generated again.
void clear_board(GameState& g);

// XMOVE: moves whatever stands on the from-square to the to-square, without
// any test of the rules; squares that are not both A1..H8 change nothing. Ends
// by generating the list at the current ply.
void move_anywhere(GameState& g);

}  // namespace chess
