// Coordinate text of squares and moves ("E2E4") and its conversion to and
// from move codes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "model/game_state.h"

namespace chess {

// The first character of t, turned into its capital when it is one of a..z;
// every other character passes unchanged. An empty text gives the character 0.
constexpr char upper_first(std::string_view t) {
    if (t.empty()) return '\0';
    char c = t[0];
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}

// Four characters for move code m: file letter and rank digit of the
// from-square, then of the to-square.
std::string move_to_text(int16_t m);

// Upper-cases t in place, then computes the move code of its first four
// characters with 16-bit wrap-around; a missing character counts as code 0.
// Nothing is validated: only a lookup in a generated list tells whether the
// code names a move.
int16_t text_to_move(std::string& t);

// The same on the record: `move_word` -> `move_text`, and `move_text` ->
// `move_word` (upper-casing `move_text`).
void move_to_text(GameState& g);
void text_to_move(GameState& g);

// The 64 squares as letters of `piece_letters`, rank 8 first, files A..H:
// the opening book's key. A cell that holds no piece code shows as '?'.
std::string placement_key(const GameState& g);

// Puts a 64-character placement in that order on the 64 squares (the border
// is left alone). False, with the board unchanged, for a malformed placement.
bool set_placement(GameState& g, std::string_view placement);

// True when the first four characters of t (any case) name two playing
// squares A1..H8.
bool names_two_squares(std::string_view t);

}  // namespace chess
