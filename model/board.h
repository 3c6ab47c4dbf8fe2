// Board encoding, piece codes, move codes and flag words, and the small
// square and move arithmetic every other part of the program uses.
//
// The board is a 10x10 mailbox: cell = X*10 + Y with X the file (A = 1 ..
// H = 8) and Y = 9 - rank (Y = 1 is rank 8, Y = 8 is rank 1). A one-cell
// border holding 7 surrounds the 64 playing squares; en passant markers (9)
// and two scratch cells (1 and 9) live in that border.
//
// Piece codes: White negative, Black positive; 1 pawn, 2 knight, 3 bishop,
// 4 rook, 5 queen, 6 king; 0 empty. Any value above 6 in absolute value is
// off the board.
#pragma once

#include <cstdint>

namespace chess {

// Signed sign: -1, 0 or +1.
constexpr int16_t sign_of(int v) { return static_cast<int16_t>((v > 0) - (v < 0)); }

// Floor division and the matching remainder, as the move arithmetic uses
// them. Move codes, flag words and cells are never negative, so these give
// plain decimal digits for them, but the arithmetic stays exact for any
// 16-bit value.
constexpr int floor_div(int a, int b) {
    // The usual case, cheaper in unsigned arithmetic.
    if (a >= 0 && b > 0)
        return static_cast<int>(static_cast<unsigned>(a) / static_cast<unsigned>(b));
    int q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return q;
}
// Remainder with the sign of the dividend (C++ '%').
constexpr int rem_of(int a, int b) {
    if (a >= 0 && b > 0)
        return static_cast<int>(static_cast<unsigned>(a) % static_cast<unsigned>(b));
    return a % b;
}

// The bit (X - 1) * 8 + (Y - 1) of each playing square X*10 + Y, 0 elsewhere.
inline constexpr auto square_bit = [] {
    struct Bits {
        uint64_t of[100] = {};
    } t;
    for (int x = 1; x <= 8; ++x) {
        for (int y = 1; y <= 8; ++y) t.of[x * 10 + y] = uint64_t{1} << ((x - 1) * 8 + y - 1);
    }
    return t;
}();

constexpr int16_t move_from(int m) { return static_cast<int16_t>(floor_div(m, 100)); }
constexpr int16_t move_to(int m) { return static_cast<int16_t>(rem_of(m, 100)); }
constexpr int16_t code_digit_1(int m) { return static_cast<int16_t>(floor_div(m, 1000)); }
constexpr int16_t code_digit_2(int m) {
    return static_cast<int16_t>(rem_of(floor_div(m, 100), 10));
}
constexpr int16_t code_digit_3(int m) { return static_cast<int16_t>(rem_of(floor_div(m, 10), 10)); }
constexpr int16_t code_digit_4(int m) { return static_cast<int16_t>(rem_of(m, 10)); }
constexpr int16_t square_y(int s) { return static_cast<int16_t>(rem_of(s, 10)); }

// All four digits at once, thousands first: for the codes and flag words of
// generated moves, never negative, one chain of divisions by ten; any other
// value gets the digits above.
struct CodeDigits {
    int d1, d2, d3, d4;
};
constexpr CodeDigits code_digits(int m) {
    if (m < 0) return {code_digit_1(m), code_digit_2(m), code_digit_3(m), code_digit_4(m)};
    const unsigned tens = static_cast<unsigned>(m) / 10u;
    const unsigned hundreds = tens / 10u;
    return {static_cast<int>(hundreds / 10u), static_cast<int>(hundreds % 10u),
            static_cast<int>(tens % 10u), static_cast<int>(static_cast<unsigned>(m) % 10u)};
}

constexpr int abs_of(int v) { return v < 0 ? -v : v; }

// The flag words whose side digit stands for `colour` (GameState::side_sign:
// 1 White, 2 Black, 0 none) are the thousand from side_flags(colour) on;
// a colour no side digit stands for gets a start no flag word reaches.
// is_side_flags() tests one word against that start without dividing.
constexpr unsigned side_flags(int colour) {
    return colour == -1 ? 1000u : colour == 1 ? 2000u : colour == 0 ? 0u : 1u << 31;
}
constexpr bool is_side_flags(int flags, unsigned start) {
    return static_cast<unsigned>(flags) - start < 1000u;
}

// side 1 = White, 2 = Black; piece and captured are codes (their size is used).
constexpr int16_t make_flag_word(int side, int piece, int captured, int kind) {
    return static_cast<int16_t>(side * 1000 + abs_of(piece) * 100 + abs_of(captured) * 10 + kind);
}

// Kind digit of an ordinary move: 2 white quiet, 3 white capture, 5 black
// capture, 6 black quiet; 1 and 7 mean the target holds an own piece.
constexpr int16_t move_kind(int mover, int target) {
    return static_cast<int16_t>(2 * sign_of(mover) + sign_of(target) + 4);
}

// True for the 64 playing squares A8 (11) .. H1 (88).
constexpr bool is_playing_square(int s) { return s >= 11 && s <= 88 && s % 10 >= 1 && s % 10 <= 8; }

// Kind digits of the flag word.
inline constexpr int16_t kind_white_quiet = 2;
inline constexpr int16_t kind_white_capture = 3;
inline constexpr int16_t kind_en_passant = 4;
inline constexpr int16_t kind_black_capture = 5;
inline constexpr int16_t kind_black_quiet = 6;
inline constexpr int16_t kind_king_side_castle = 8;
inline constexpr int16_t kind_queen_side_castle = 9;

// Piece codes by name.
inline constexpr int16_t pawn = 1;
inline constexpr int16_t knight = 2;
inline constexpr int16_t bishop = 3;
inline constexpr int16_t rook = 4;
inline constexpr int16_t queen = 5;
inline constexpr int16_t king = 6;

// Squares the castling rules and the board display look at.
inline constexpr int16_t sq_a8 = 11, sq_b8 = 21, sq_c8 = 31, sq_d8 = 41, sq_e8 = 51, sq_f8 = 61,
                         sq_g8 = 71, sq_h8 = 81;
inline constexpr int16_t sq_a1 = 18, sq_b1 = 28, sq_c1 = 38, sq_d1 = 48, sq_e1 = 58, sq_f1 = 68,
                         sq_g1 = 78, sq_h1 = 88;

// The four castling moves and their flag words.
inline constexpr int16_t white_king_side_castle = 5878, white_king_side_flags = 1608;
inline constexpr int16_t white_queen_side_castle = 5838, white_queen_side_flags = 1609;
inline constexpr int16_t black_king_side_castle = 5171, black_king_side_flags = 2608;
inline constexpr int16_t black_queen_side_castle = 5131, black_queen_side_flags = 2609;

}  // namespace chess
