// Positions as a UCI graphical interface gives them: the start position or a
// FEN, followed by moves in long algebraic form ("e2e4", "e1g1", "e7e8q").
//
// The game record of this program has no side-to-move field of its own: here
// `search_side` always names the side to move, `computer_side` the same side
// and `human_side` the other, as at the console when the computer is to move.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/game_state.h"

namespace chess::uci {

// The initial position, White to move, move 1; the rest of the record at its
// initial values (evaluation tables loaded), the console silenced.
void set_up_start(GameState& g);

// Sets the record to the position of a FEN (placement, side to move, castling
// rights, en passant square, half-move clock, full-move number; the last four
// may be missing). Rights the FEN does not give are marked as moved; the en
// passant square becomes the marker of the pawn that has just made its double
// step when that pawn stands beside it. False with a reason, and the record
// untouched, for a malformed FEN or an impossible position (not exactly one
// king a side, a pawn on the first or last rank, the side not to move in
// check).
bool set_up_fen(GameState& g, std::string_view fen, std::string& error);

// Plays one move of the side to move, given in long algebraic form. A pawn
// reaching the last rank becomes the piece named by the fifth letter (q, r, b,
// n; a queen when there is none). Afterwards the other side is to move, and
// after Black's move the move number has gone up by one. False with a reason,
// and the position unchanged, for a malformed or illegal move.
bool play_move(GameState& g, std::string_view text, std::string& error);

// True when the side to move has at least one legal move. The position is
// unchanged afterwards.
bool has_legal_move(GameState& g);

// True when `code` names a legal move of the side to move.
bool is_legal_move(GameState& g, int16_t code);

// The long algebraic text of a move of the side to move in the current
// position: lower case, with "q" for a pawn reaching the last rank (the engine
// only ever makes queens). "0000" for the code 0.
std::string move_text(const GameState& g, int16_t code);

// The words of a line of UCI text: the runs between blanks and tabs.
std::vector<std::string_view> split_words(std::string_view line);

}  // namespace chess::uci
