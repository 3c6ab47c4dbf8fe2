#include "movegen/generate.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "model/board.h"
#include "movegen/occupancy.h"

namespace chess {

namespace {

// The state of one generation pass. The pass works on locals and writes the
// per-ply counters back at its end; the board, the list columns of the ply
// and the attack records are written in place.
struct Pass {
    int16_t* __restrict board;
    // The move-code cell of row 0 of the ply's list; the flag word follows it.
    // Row r's cells are `rows + r * move_list_columns` and the next one.
    int16_t* __restrict rows;
    const int16_t* castle_moved;
    int white_king_moved;
    int black_king_moved;
    // Counters and records are plain ints of the pass, so the compiler need
    // not reload them after every 16-bit store into the list.
    int count = 0;
    int white_count = 0;
    int black_count = 0;
    int captures = 0;
    int white_king_attack = 0;
    int black_king_attack = 0;
    int16_t castle_attacked[7] = {};
    int white_king_sq = 0;  // 0: no white king found
    int black_king_sq = 0;
    PieceSets* sets = nullptr;              // where a counting pass leaves its piece sets
    const uint64_t* square_sets = nullptr;  // the board's, where they are kept
    bool sets_left = false;
};

// Appends an en passant or castling entry: no per-colour count, no move to
// the front, no attack record. A full list drops it. A lean pass (see
// generate_moves) counts the rows it does not write.
template <bool Lean>
[[gnu::always_inline]] inline void append_special(Pass& s, int code, int flags) {
    if (s.count >= max_list_rows) return;
    ++s.count;
    if (Lean) return;
    int16_t* row = s.rows + s.count * move_list_columns;
    row[0] = static_cast<int16_t>(code);
    row[1] = static_cast<int16_t>(flags);
}

// Quiet moves onto these squares mark a castling path of the other colour as
// attacked: the index of the `castle_attacked` flag, or 0.
constexpr auto castle_path_flags(bool white_mover) {
    struct Table {
        int8_t flag[100] = {};
    } t;
    if (white_mover) {
        t.flag[sq_f8] = t.flag[sq_g8] = 5;
        t.flag[sq_c8] = t.flag[sq_d8] = 6;
    } else {
        t.flag[sq_f1] = t.flag[sq_g1] = 2;
        t.flag[sq_c1] = t.flag[sq_d1] = 3;
    }
    return t;
}
constexpr auto white_quiet_path = castle_path_flags(true);
constexpr auto black_quiet_path = castle_path_flags(false);

// One piece whose moves are being produced: its square, its code and the part
// of the flag word that does not depend on the target. The mover's colour is a
// template argument (-1 White, +1 Black), so the kind of each move follows
// from the target alone.
struct Mover {
    int origin;
    int x, y;        // file and row of the origin
    int code_base;   // origin * 100
    int flags_base;  // side * 1000 + |piece| * 100
};

// side * 1000 + |piece| * 100 by piece code + 6.
constexpr int flags_base_by_code[13] = {1600, 1500, 1400, 1300, 1200, 1100, 0,
                                        2100, 2200, 2300, 2400, 2500, 2600};

// The flag word of a capture by piece code + 6, less the captured piece's
// tens.
constexpr auto capture_flags_by_code = [] {
    struct Flags {
        int16_t of[13] = {};
        constexpr int16_t operator[](int i) const { return of[i]; }
    } f;
    for (int i = 0; i < 13; ++i) {
        f.of[i] = static_cast<int16_t>(flags_base_by_code[i] +
                                       (i < 6 ? kind_white_capture : kind_black_capture));
    }
    return f;
}();

inline Mover mover_at(int origin, int x, int y, int piece) {
    return {origin, x, y, origin * 100, flags_base_by_code[piece + 6]};
}

// Tries the move to `target`. Returns the content of the target cell, which
// ends a sliding piece's ray when it is not 0. A lean pass writes only the
// capture rows at the front of the list.
template <int Colour, bool Lean>
[[gnu::always_inline]] inline int16_t try_target(Pass& s, const Mover& m, int target) {
    const int16_t c = s.board[target];
    // Only an empty square or an enemy piece: not an own piece, a border cell,
    // a marker or a scratch code.
    if (Colour < 0 ? static_cast<unsigned>(c) > 6u : static_cast<unsigned>(c + 6) > 6u) return c;
    if (s.count >= max_list_rows) return c;  // a full list drops the move
    ++s.count;
    if (Colour < 0) {
        ++s.white_count;
    } else {
        ++s.black_count;
    }
    const int16_t code = static_cast<int16_t>(m.code_base + target);

    if (c == 0) {
        // Quiet moves onto a castling path mark it attacked.
        if (Colour < 0) {
            const int flag = white_quiet_path.flag[target];
            if (flag != 0 && s.black_king_moved != 1) s.castle_attacked[flag] = 1;
        } else {
            const int flag = black_quiet_path.flag[target];
            if (flag != 0 && s.white_king_moved != 1) s.castle_attacked[flag] = 1;
        }
        if (!Lean) {
            int16_t* row = s.rows + s.count * move_list_columns;
            row[0] = code;
            row[1] = static_cast<int16_t>(m.flags_base +
                                          (Colour < 0 ? kind_white_quiet : kind_black_quiet));
        }
        return c;
    }

    const int captured = Colour < 0 ? c : -c;
    const int16_t flags = static_cast<int16_t>(
        m.flags_base + captured * 10 + (Colour < 0 ? kind_white_capture : kind_black_capture));
    if (c == -Colour * king) {
        if (Colour < 0) {
            s.board[1] = code;
            s.black_king_attack = code;
            s.castle_attacked[4] = 1;
        } else {
            s.board[9] = code;
            s.white_king_attack = code;
            s.castle_attacked[1] = 1;
        }
    }
    // Keep every capture at the front of the list, in the order found: the
    // row at the front moves to the end.
    ++s.captures;
    int16_t* front = s.rows + s.captures * move_list_columns;
    if (!Lean) {
        int16_t* row = s.rows + s.count * move_list_columns;
        row[0] = front[0];
        row[1] = front[1];
    }
    front[0] = code;
    front[1] = flags;
    return c;
}

template <int Colour, bool Lean>
[[gnu::always_inline]] inline void slide(Pass& s, const Mover& m, int direction) {
    int t = m.origin;
    do {
        t += direction;
    } while (try_target<Colour, Lean>(s, m, t) == 0);
}

template <int Colour, bool Lean>
[[gnu::always_inline]] inline void bishop_moves(Pass& s, const Mover& m) {
    slide<Colour, Lean>(s, m, 9);
    slide<Colour, Lean>(s, m, 11);
    slide<Colour, Lean>(s, m, -11);
    slide<Colour, Lean>(s, m, -9);
}

template <int Colour, bool Lean>
[[gnu::always_inline]] inline void rook_moves(Pass& s, const Mover& m) {
    slide<Colour, Lean>(s, m, -1);
    slide<Colour, Lean>(s, m, 1);
    slide<Colour, Lean>(s, m, 10);
    slide<Colour, Lean>(s, m, -10);
}

// Two cells straight, both on the board, then one step to either side of the
// second cell; so no jump ever looks beyond the one-cell border.
template <int Colour, bool Lean>
[[gnu::always_inline]] inline void knight_moves(Pass& s, const Mover& m) {
    const int16_t* b = s.board;
    const int sq = m.origin;
    if (b[sq - 1] < GameState::border_value && b[sq - 2] < GameState::border_value) {
        try_target<Colour, Lean>(s, m, sq + 8);
        try_target<Colour, Lean>(s, m, sq - 12);
    }
    if (b[sq + 10] < GameState::border_value && b[sq + 20] < GameState::border_value) {
        try_target<Colour, Lean>(s, m, sq + 19);
        try_target<Colour, Lean>(s, m, sq + 21);
    }
    if (b[sq + 1] < GameState::border_value && b[sq + 2] < GameState::border_value) {
        try_target<Colour, Lean>(s, m, sq + 12);
        try_target<Colour, Lean>(s, m, sq - 8);
    }
    if (b[sq - 10] < GameState::border_value && b[sq - 20] < GameState::border_value) {
        try_target<Colour, Lean>(s, m, sq - 21);
        try_target<Colour, Lean>(s, m, sq - 19);
    }
}

// A pawn's steps, its captures (only onto an enemy piece: a border cell has
// sign +1 and passes White's sign test, and try_target refuses it) and its en
// passant captures, which need the marker on the captured pawn's file.
template <int Colour, bool Lean>
[[gnu::always_inline]] inline void pawn_moves(Pass& s, const Mover& m) {
    const int16_t* b = s.board;
    const int sq = m.origin;
    const int x = m.x;
    const int y = m.y;
    if (Colour < 0) {
        if (b[sq - 1] == 0) {
            try_target<Colour, Lean>(s, m, sq - 1);
            if (y == 7 && b[sq - 2] == 0) try_target<Colour, Lean>(s, m, sq - 2);
        }
        if (b[sq + 9] > 0) try_target<Colour, Lean>(s, m, sq + 9);
        if (b[sq - 11] > 0) try_target<Colour, Lean>(s, m, sq - 11);
        if (y == 4) {
            const int16_t flags = GameState::ep_flag_word[1];
            if (b[sq + 10] == 1 && b[10 * (x + 1)] == GameState::ep_marker) {
                append_special<Lean>(s, sq * 100 + sq + 9, flags);
            }
            if (b[sq - 10] == 1 && b[10 * (x - 1)] == GameState::ep_marker) {
                append_special<Lean>(s, sq * 100 + sq - 11, flags);
            }
        }
    } else {
        if (b[sq + 1] == 0) {
            try_target<Colour, Lean>(s, m, sq + 1);
            if (y == 2 && b[sq + 2] == 0) try_target<Colour, Lean>(s, m, sq + 2);
        }
        if (b[sq + 11] < 0) try_target<Colour, Lean>(s, m, sq + 11);
        if (b[sq - 9] < 0) try_target<Colour, Lean>(s, m, sq - 9);
        if (y == 5) {
            const int16_t flags = GameState::ep_flag_word[3];
            if (b[sq + 10] == -1 && b[10 * (x + 1) + 9] == GameState::ep_marker) {
                append_special<Lean>(s, sq * 100 + sq + 11, flags);
            }
            if (b[sq - 10] == -1 && b[10 * (x - 1) + 9] == GameState::ep_marker) {
                append_special<Lean>(s, sq * 100 + sq - 9, flags);
            }
        }
    }
}

// Whether a king on `sq` could castle as far as the squares go: on E1 or E8,
// with the squares between it and a rook of E1's or E8's colour empty.
inline bool castling_squares_free(const int16_t* b, int sq) {
    if (sq == sq_e1) {
        return (b[sq_f1] == 0 && b[sq_g1] == 0 && b[sq_h1] == -rook) ||
               (b[sq_d1] == 0 && b[sq_c1] == 0 && b[sq_b1] == 0 && b[sq_a1] == -rook);
    }
    if (sq == sq_e8) {
        return (b[sq_f8] == 0 && b[sq_g8] == 0 && b[sq_h8] == rook) ||
               (b[sq_d8] == 0 && b[sq_c8] == 0 && b[sq_b8] == 0 && b[sq_a8] == rook);
    }
    return false;
}

// The castling entries a king on `sq` adds, in list order, as bits: 1 White
// king side, 2 White queen side, 4 Black king side, 8 Black queen side. E1
// is tested with White's flags and E8 with Black's, whatever the king's
// colour; `attacked` holds the attack records made so far in the pass.
inline unsigned castlings(const int16_t* b, const int16_t* moved, int white_king_moved,
                          int black_king_moved, const int16_t* attacked, int sq) {
    unsigned allowed = 0;
    if (sq == sq_e1) {
        const int white_king = moved[1] + white_king_moved;
        if (static_cast<int16_t>(white_king + moved[2] + attacked[1] + attacked[2]) == 0 &&
            b[sq_f1] == 0 && b[sq_g1] == 0 && b[sq_h1] == -rook) {
            allowed |= 1u;
        }
        if (static_cast<int16_t>(white_king + moved[3] + attacked[1] + attacked[3]) == 0 &&
            b[sq_d1] == 0 && b[sq_c1] == 0 && b[sq_b1] == 0 && b[sq_a1] == -rook) {
            allowed |= 2u;
        }
    }
    if (sq == sq_e8) {
        const int black_king = moved[4] + black_king_moved;
        if (static_cast<int16_t>(black_king + moved[5] + attacked[4] + attacked[5]) == 0 &&
            b[sq_f8] == 0 && b[sq_g8] == 0 && b[sq_h8] == rook) {
            allowed |= 4u;
        }
        if (static_cast<int16_t>(black_king + moved[6] + attacked[4] + attacked[6]) == 0 &&
            b[sq_d8] == 0 && b[sq_c8] == 0 && b[sq_b8] == 0 && b[sq_a8] == rook) {
            allowed |= 8u;
        }
    }
    return allowed;
}

// Calls add(code, flags) for each castling entry of `allowed` (see
// castlings), in list order.
template <class Add>
[[gnu::always_inline]] inline void each_castling(unsigned allowed, Add&& add) {
    if (allowed & 1u) add(white_king_side_castle, white_king_side_flags);
    if (allowed & 2u) add(white_queen_side_castle, white_queen_side_flags);
    if (allowed & 4u) add(black_king_side_castle, black_king_side_flags);
    if (allowed & 8u) add(black_queen_side_castle, black_queen_side_flags);
}

// The king's eight steps, then the four castling tests for the square it
// stands on. The kings are generated last, so these tests see the attack
// records of every other piece.
template <int Colour, bool Lean>
[[gnu::always_inline]] inline void king_moves(Pass& s, const Mover& m) {
    const int sq = m.origin;
    try_target<Colour, Lean>(s, m, sq - 1);
    try_target<Colour, Lean>(s, m, sq + 1);
    try_target<Colour, Lean>(s, m, sq + 10);
    try_target<Colour, Lean>(s, m, sq - 10);
    try_target<Colour, Lean>(s, m, sq + 9);
    try_target<Colour, Lean>(s, m, sq + 11);
    try_target<Colour, Lean>(s, m, sq - 11);
    try_target<Colour, Lean>(s, m, sq - 9);

    const unsigned allowed = castlings(s.board, s.castle_moved, s.white_king_moved,
                                       s.black_king_moved, s.castle_attacked, sq);
    each_castling(allowed, [&](int code, int flags) { append_special<Lean>(s, code, flags); });
}

template <int Colour, bool Lean>
[[gnu::always_inline]] inline void colour_piece_moves(Pass& s, int sq, int x, int y, int p) {
    const Mover m = mover_at(sq, x, y, p);
    switch (Colour < 0 ? -p : p) {
        case pawn:
            pawn_moves<Colour, Lean>(s, m);
            break;
        case knight:
            knight_moves<Colour, Lean>(s, m);
            break;
        case bishop:
            bishop_moves<Colour, Lean>(s, m);
            break;
        case rook:
            rook_moves<Colour, Lean>(s, m);
            break;
        case queen:
            bishop_moves<Colour, Lean>(s, m);
            rook_moves<Colour, Lean>(s, m);
            break;
        case king:
            king_moves<Colour, Lean>(s, m);
            break;
        default:
            break;
    }
}

bool run_sweep_pass(Pass& s);

// File by file, each file from rank 8 down to rank 1; the kings wait. A
// colour without a king gets no king moves; of two kings of one colour only
// the last one found is handled. A full pass is made from square sets where
// it can (run_sweep_pass, the same rows and records); this mailbox pass does
// the rest.
template <bool Lean>
void run_pass(Pass& pass) {
    if constexpr (!Lean) {
        if (run_sweep_pass(pass)) return;
    }
    Pass s = pass;
    s.board[1] = GameState::border_value;
    s.board[9] = GameState::border_value;
    for (uint64_t set = occupied_squares(s.board); set != 0; set &= set - 1) {
        const int bit = std::countr_zero(set);
        const int x = (bit >> 3) + 1;
        const int y = (bit & 7) + 1;
        const int sq = x * 10 + y;
        const int p = s.board[sq];
        if (p == -king) {
            s.white_king_sq = sq;
        } else if (p == king) {
            s.black_king_sq = sq;
        } else if (p < -king || p > king) {
            continue;  // a code that is no piece only blocks
        } else if (p < 0) {
            colour_piece_moves<-1, Lean>(s, sq, x, y, p);
        } else {
            colour_piece_moves<1, Lean>(s, sq, x, y, p);
        }
    }
    if (s.white_king_sq != 0) {
        const int sq = s.white_king_sq;
        colour_piece_moves<-1, Lean>(s, sq, sq / 10, sq % 10, -king);
    }
    if (s.black_king_sq != 0) {
        const int sq = s.black_king_sq;
        colour_piece_moves<1, Lean>(s, sq, sq / 10, sq % 10, king);
    }
    pass = s;
}

// ---- The counting pass --------------------------------------------------
// A lean pass needs the number of moves and the captures in the order the
// mailbox pass finds them, not the quiet moves themselves. With the squares
// as bit sets (bit (X - 1) * 8 + (Y - 1) for cell X*10 + Y) the sliding
// pieces of one side are taken a direction at a time: along one direction no
// two pieces' rays share a square, since a ray ends at the first occupied
// square, so one fill from all of them gives every quiet move and capture in
// that direction. Each capture is filed under its origin's place in the
// mailbox pass (pieces in square order, kings last) and the rank of its
// direction among that piece's; read in that order, the captures stand in
// the mailbox pass's order.

// The eight directions as file and row steps, in the order the mailbox deltas
// -1, +1, +10, -10, +9, +11, -11, -9 name them.
constexpr int dir_dx[8] = {0, 0, 1, -1, 1, 1, -1, -1};
constexpr int dir_dy[8] = {-1, 1, 0, 0, -1, 1, -1, 1};
enum Direction { up, down, right, left, up_right, down_right, up_left, down_left };
// Queens try +9, +11, -11, -9, then -1, +1, +10, -10; bishops and rooks keep
// their part of that order.
constexpr int slide_rank[8] = {4, 5, 6, 7, 0, 1, 2, 3};
constexpr int opposite[8] = {down, up, left, right, down_left, up_left, down_right, up_right};

// Of the occupied squares `blockers` on the ray in direction d from a square,
// the one nearest that square: the lowest bit where the direction counts bits
// up, else the highest.
[[gnu::always_inline]] inline int nearest_on_ray(int d, uint64_t blockers) {
    return dir_dx[d] * 8 + dir_dy[d] > 0 ? std::countr_zero(blockers)
                                         : 63 - std::countl_zero(blockers);
}

// Knight jumps in the order +8, -12, +19, +21, +12, -8, -21, -19.
constexpr int knight_dx[8] = {1, -1, 2, 2, 1, -1, -2, -2};
constexpr int knight_dy[8] = {-2, -2, -1, 1, 2, 2, -1, 1};

struct Geometry {
    uint64_t ray[8][64] = {};  // squares beyond the square, to the edge
    uint64_t knight[64] = {};
    uint64_t king[64] = {};
};

// The set of one-step targets from (x, y) by the eight steps.
constexpr uint64_t step_targets(int x, int y, const int* dx, const int* dy) {
    uint64_t set = 0;
    for (int j = 0; j < 8; ++j) {
        const int tx = x + dx[j];
        const int ty = y + dy[j];
        if (tx >= 0 && tx < 8 && ty >= 0 && ty < 8) set |= uint64_t{1} << (tx * 8 + ty);
    }
    return set;
}

constexpr Geometry make_geometry() {
    Geometry t;
    for (int b = 0; b < 64; ++b) {
        const int x = b >> 3;
        const int y = b & 7;
        for (int d = 0; d < 8; ++d) {
            int tx = x + dir_dx[d];
            int ty = y + dir_dy[d];
            while (tx >= 0 && tx < 8 && ty >= 0 && ty < 8) {
                t.ray[d][b] |= uint64_t{1} << (tx * 8 + ty);
                tx += dir_dx[d];
                ty += dir_dy[d];
            }
        }
        t.knight[b] = step_targets(x, y, knight_dx, knight_dy);
        t.king[b] = step_targets(x, y, dir_dx, dir_dy);
    }
    return t;
}
constexpr Geometry geometry = make_geometry();

// The rank of a knight's jump and of a king's step by bit difference + 17:
// the jumps in the order +8, -12, +19, +21, +12, -8, -21, -19 and the steps
// in the order -1, +1, +10, -10, +9, +11, -11, -9 of the mailbox pass.
constexpr auto make_step_ranks(const int* dx, const int* dy) {
    struct Ranks {
        int8_t of[35] = {};
    } r;
    for (int j = 0; j < 8; ++j) r.of[dx[j] * 8 + dy[j] + 17] = static_cast<int8_t>(j);
    return r;
}
constexpr auto knight_ranks = make_step_ranks(knight_dx, knight_dy);
constexpr auto king_ranks = make_step_ranks(dir_dx, dir_dy);

// The mailbox cell of each bit.
constexpr auto cells = [] {
    struct Cells {
        int8_t of[64] = {};
    } c;
    for (int b = 0; b < 64; ++b) c.of[b] = static_cast<int8_t>(cell_of_bit(b));
    return c;
}();

constexpr uint64_t bit_at(int x, int y) { return uint64_t{1} << ((x - 1) * 8 + (y - 1)); }
// Castling-path squares by flag: a White quiet move onto F8/G8 sets 5, onto
// C8/D8 sets 6; a Black one onto F1/G1 sets 2, onto C1/D1 sets 3.
constexpr uint64_t path_5 = bit_at(6, 1) | bit_at(7, 1);
constexpr uint64_t path_6 = bit_at(3, 1) | bit_at(4, 1);
constexpr uint64_t path_2 = bit_at(6, 8) | bit_at(7, 8);
constexpr uint64_t path_3 = bit_at(3, 8) | bit_at(4, 8);

// Compiled once for processors with a population-count instruction and
// once without (see run_counting_pass).
[[gnu::always_inline]] inline int count_bits(uint64_t v) { return std::popcount(v); }

// Bit sets of the rows and files: Y1 is rank 8, Y8 rank 1.
constexpr uint64_t row_bits(int y) { return uint64_t{0x0101010101010101} << (y - 1); }
constexpr uint64_t file_a_bits = 0xffull;
constexpr uint64_t file_h_bits = 0xffull << 56;

// Moves a set `n` steps in direction D. A step off the top or bottom of a
// file would land on the next file's other end: the `keep` mask drops those
// squares when applied to a one-step shift.
template <int D>
constexpr int bit_delta = dir_dx[D] * 8 + dir_dy[D];
template <int D>
constexpr uint64_t keep = dir_dy[D]<0 ? ~row_bits(8) : dir_dy[D]> 0 ? ~row_bits(1) : ~0ull;
template <int D, int N>
[[gnu::always_inline]] inline uint64_t shifted(uint64_t s) {
    constexpr int delta = bit_delta<D> * N;
    return delta > 0 ? s << delta : s >> -delta;
}

// Every square the pieces of `sliders` reach in direction D: the empty ones up
// to the first occupied square, which is included (a parallel-prefix fill).
template <int D>
[[gnu::always_inline]] inline uint64_t slide_targets(uint64_t sliders, uint64_t empty) {
    uint64_t open = empty & keep<D>;
    uint64_t reach = sliders;
    reach |= open & shifted<D, 1>(reach);
    open &= shifted<D, 1>(open);
    reach |= open & shifted<D, 2>(reach);
    open &= shifted<D, 2>(open);
    reach |= open & shifted<D, 4>(reach);
    return shifted<D, 1>(reach) & keep<D>;
}

// The places of the pieces in the mailbox pass: the squares' bits, then
// White's king and Black's.
constexpr int white_king_place = 64;
constexpr int places = 66;
// A capture's key: its piece's place and the rank of its direction among the
// piece's moves. In key order the captures stand in the mailbox pass's order.
constexpr int capture_keys = places * 8;

// The counting pass's running state: plain scalars, so they stay in
// registers, and the captures found so far.
struct Tally {
    int16_t* board;
    uint64_t side[2];  // White's squares, Black's
    uint64_t occupied;
    int count = 0;  // en passant and castling entries
    int moves[2] = {0, 0};
    // Targets by mover, captures included; its empty squares on the other
    // colour's castling paths are the quiet moves onto them.
    uint64_t hits[2] = {0, 0};
    // The captures filed by piece: for each place (the squares' bits, then
    // the two kings) the ranks of its captures as bits, and by place and rank
    // the square taken. Filing instead of sorting as they are found keeps
    // the pass free of data-dependent shifting loops.
    int captures = 0;
    uint64_t capturers = 0;  // the squares, kings apart, of pieces that capture
    uint8_t ranks[places] = {};
    uint8_t target[capture_keys];
};

constexpr int side_index(int colour) { return colour < 0 ? 0 : 1; }

// Notes the capture of the piece on bit `to` by the piece at `place`; the
// rows are written from the notes once the pass is done.
template <bool King = false>
[[gnu::always_inline]] inline void note_capture(Tally& t, int place, int rank, int to) {
    // A capture always has a piece behind it: the place is a square's bit or
    // a king's place.
    if (place < 0 || place >= places) __builtin_unreachable();
    ++t.captures;
    if (!King) t.capturers |= uint64_t{1} << place;
    t.ranks[place] = static_cast<uint8_t>(t.ranks[place] | 1u << rank);
    t.target[place * 8 + rank] = static_cast<uint8_t>(to);
}

// The moves of one side's sliders in direction D; each capture's origin is the
// nearest occupied square behind it.
template <int Colour, int D>
[[gnu::always_inline]] inline void tally_direction(Tally& t, uint64_t reach) {
    const int me = side_index(Colour);
    const uint64_t reached = reach & ~t.side[me];
    t.moves[me] += count_bits(reached);
    t.hits[me] |= reached;
    constexpr int back = opposite[D];
    for (uint64_t caps = reached & t.side[1 - me]; caps != 0; caps &= caps - 1) {
        const int to = std::countr_zero(caps);
        const int from = nearest_on_ray(back, geometry.ray[back][to] & t.occupied);
        note_capture(t, from, slide_rank[D], to);
    }
}

#if defined(__SSE2__) && !defined(CHESS_NO_SIMD)
template <int D, int N>
[[gnu::always_inline]] inline __m128i shifted_pair(__m128i v) {
    constexpr int delta = bit_delta<D> * N;
    if constexpr (delta > 0) {
        return _mm_slli_epi64(v, delta);
    } else {
        return _mm_srli_epi64(v, -delta);
    }
}
#endif

// Both sides' sliders' reach in direction D: the two fills side by side,
// White's in the low half of an SSE2 register and Black's in the high half.
struct Reach {
    uint64_t white;
    uint64_t black;
};
template <int D>
[[gnu::always_inline]] inline Reach reach_in(const Tally& t, uint64_t white, uint64_t black) {
#if defined(__SSE2__) && !defined(CHESS_NO_SIMD)
    const __m128i edge = _mm_set1_epi64x(static_cast<long long>(keep<D>));
    __m128i open = _mm_and_si128(_mm_set1_epi64x(static_cast<long long>(~t.occupied)), edge);
    __m128i reach = _mm_set_epi64x(static_cast<long long>(black), static_cast<long long>(white));
    reach = _mm_or_si128(reach, _mm_and_si128(open, shifted_pair<D, 1>(reach)));
    open = _mm_and_si128(open, shifted_pair<D, 1>(open));
    reach = _mm_or_si128(reach, _mm_and_si128(open, shifted_pair<D, 2>(reach)));
    open = _mm_and_si128(open, shifted_pair<D, 2>(open));
    reach = _mm_or_si128(reach, _mm_and_si128(open, shifted_pair<D, 4>(reach)));
    reach = _mm_and_si128(shifted_pair<D, 1>(reach), edge);
    return {static_cast<uint64_t>(_mm_cvtsi128_si64(reach)),
            static_cast<uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(reach, reach)))};
#else
    return {slide_targets<D>(white, ~t.occupied), slide_targets<D>(black, ~t.occupied)};
#endif
}

template <int D>
[[gnu::always_inline]] inline void tally_both(Tally& t, const Reach& r) {
    tally_direction<-1, D>(t, r.white);
    tally_direction<1, D>(t, r.black);
}

// Steps to a fixed set of squares (a knight's or a king's). A capture's rank
// is its step's place in the order the mailbox pass tries the steps, found
// from the step's bit difference: `rank_of` is indexed by difference + 17.
template <int Colour, bool King>
[[gnu::always_inline]] inline void count_steps(Tally& t, int b, int place, uint64_t targets,
                                               const int8_t* rank_of) {
    const int me = side_index(Colour);
    const uint64_t reached = targets & ~t.side[me];
    t.moves[me] += count_bits(reached);
    t.hits[me] |= reached;
    for (uint64_t caps = reached & t.side[1 - me]; caps != 0; caps &= caps - 1) {
        const int to = std::countr_zero(caps);
        note_capture<King>(t, place, rank_of[to - b + 17], to);
    }
}

// A side's pawns that can move: not those on their last row.
template <int Colour>
[[gnu::always_inline]] inline uint64_t movable_pawns(uint64_t pawns) {
    return pawns & ~row_bits(Colour < 0 ? 1 : 8);
}

// The squares a side's pawns take on, toward the H file and toward the A
// file. White's +9 is seven bits up and -11 nine bits down; Black's +11 is
// nine bits up and -9 seven bits down.
struct PawnTakes {
    uint64_t right;
    uint64_t left;
};
template <int Colour>
[[gnu::always_inline]] inline PawnTakes pawn_takes(uint64_t pawns) {
    const uint64_t movable = movable_pawns<Colour>(pawns);
    if (Colour < 0) return {(movable & ~file_h_bits) << 7, (movable & ~file_a_bits) >> 9};
    return {(movable & ~file_h_bits) << 9, (movable & ~file_a_bits) >> 7};
}

// All pawn moves of one side at once: pushes, captures and en passant.
template <int Colour>
[[gnu::always_inline]] inline void count_pawns(Tally& t, uint64_t pawns, uint64_t enemy_pawns) {
    const int me = side_index(Colour);
    const uint64_t empty = ~t.occupied;
    const uint64_t enemy = t.side[1 - me];
    const int16_t* bd = t.board;
    const PawnTakes takes = pawn_takes<Colour>(pawns);
    uint64_t right_caps = takes.right & enemy;
    uint64_t left_caps = takes.left & enemy;
    const uint64_t movable = movable_pawns<Colour>(pawns);
    uint64_t single, two, passant_row;
    int right_back, left_back;  // from a capture's bit back to its pawn's
    if (Colour < 0) {
        // White moves toward rank 8: one bit down.
        single = (movable >> 1) & empty;
        two = ((single & row_bits(6)) >> 1) & empty;
        right_back = -7;
        left_back = 9;
        passant_row = pawns & row_bits(4);
    } else {
        single = (movable << 1) & empty;
        two = ((single & row_bits(3)) << 1) & empty;
        right_back = -9;
        left_back = 7;
        passant_row = pawns & row_bits(5);
    }
    // En passant needs an enemy pawn beside the pawn (and a marker).
    passant_row &= (enemy_pawns >> 8) | (enemy_pawns << 8);
    t.hits[me] |= single | right_caps | left_caps;
    t.moves[me] +=
        count_bits(single) + count_bits(two) + count_bits(right_caps) + count_bits(left_caps);
    // A pawn takes toward the H file first.
    for (; right_caps != 0; right_caps &= right_caps - 1) {
        const int to = std::countr_zero(right_caps);
        const int from = to + right_back;
        note_capture(t, from, 0, to);
    }
    for (; left_caps != 0; left_caps &= left_caps - 1) {
        const int to = std::countr_zero(left_caps);
        const int from = to + left_back;
        note_capture(t, from, 1, to);
    }
    for (; passant_row != 0; passant_row &= passant_row - 1) {
        const int b = std::countr_zero(passant_row);
        const int x = (b >> 3) + 1;
        const int sq = cell_of_bit(b);
        if (Colour < 0) {
            if (bd[sq + 10] == 1 && bd[10 * (x + 1)] == GameState::ep_marker) ++t.count;
            if (bd[sq - 10] == 1 && bd[10 * (x - 1)] == GameState::ep_marker) ++t.count;
        } else {
            if (bd[sq + 10] == -1 && bd[10 * (x + 1) + 9] == GameState::ep_marker) ++t.count;
            if (bd[sq - 10] == -1 && bd[10 * (x - 1) + 9] == GameState::ep_marker) ++t.count;
        }
    }
}

// The pawns and knights of one side.
template <int Colour>
[[gnu::always_inline]] inline void count_army(Tally& t, const Armies& a) {
    const int me = side_index(Colour);
    count_pawns<Colour>(t, a.pawns[me], a.pawns[1 - me]);
    for (uint64_t n = a.knights[me]; n != 0; n &= n - 1) {
        const int b = std::countr_zero(n);
        count_steps<Colour, false>(t, b, b, geometry.knight[b], knight_ranks.of);
    }
}

// The sliders of both sides: every direction's fills first, which do not
// branch, then the tallies. A direction with no slider reaches nothing.
[[gnu::always_inline]] inline void count_sliders(Tally& t, const Armies& a) {
    const uint64_t ws = a.straight[0], bs = a.straight[1];
    const uint64_t wd = a.diagonal[0], bd = a.diagonal[1];
    const Reach r0 = reach_in<up>(t, ws, bs);
    const Reach r1 = reach_in<down>(t, ws, bs);
    const Reach r2 = reach_in<right>(t, ws, bs);
    const Reach r3 = reach_in<left>(t, ws, bs);
    const Reach r4 = reach_in<up_right>(t, wd, bd);
    const Reach r5 = reach_in<down_right>(t, wd, bd);
    const Reach r6 = reach_in<up_left>(t, wd, bd);
    const Reach r7 = reach_in<down_left>(t, wd, bd);
    tally_both<up>(t, r0);
    tally_both<down>(t, r1);
    tally_both<right>(t, r2);
    tally_both<left>(t, r3);
    tally_both<up_right>(t, r4);
    tally_both<down_right>(t, r5);
    tally_both<up_left>(t, r6);
    tally_both<down_left>(t, r7);
}

// The castling-path flags the quiet targets so far set, and the king flags
// (`king_hit`: White's king capturable, Black's).
inline void castle_flags(const Tally& t, const bool* king_hit, int white_king_moved,
                         int black_king_moved, int16_t* attacked) {
    if (king_hit[1]) attacked[4] = 1;
    if (king_hit[0]) attacked[1] = 1;
    const uint64_t white_quiet = t.hits[0] & ~t.occupied;
    const uint64_t black_quiet = t.hits[1] & ~t.occupied;
    if (black_king_moved != 1) {
        if ((white_quiet & path_5) != 0) attacked[5] = 1;
        if ((white_quiet & path_6) != 0) attacked[6] = 1;
    }
    if (white_king_moved != 1) {
        if ((black_quiet & path_2) != 0) attacked[2] = 1;
        if ((black_quiet & path_3) != 0) attacked[3] = 1;
    }
}

// The king's steps, then its castling tests, as king_moves does them: after
// every other piece and, for Black's king, after White's.
template <int Colour>
[[gnu::always_inline]] inline void count_king(Tally& t, const Pass& s, const Armies& a, int b) {
    count_steps<Colour, true>(t, b, white_king_place + side_index(Colour), geometry.king[b],
                              king_ranks.of);
    const int sq = cell_of_bit(b);
    if (!castling_squares_free(t.board, sq)) return;
    // The kings capturable by the targets found so far.
    const bool king_hit[2] = {(t.hits[1] & a.kings[0]) != 0, (t.hits[0] & a.kings[1]) != 0};
    int16_t attacked[7] = {};
    castle_flags(t, king_hit, s.white_king_moved, s.black_king_moved, attacked);
    t.count += std::popcount(
        castlings(t.board, s.castle_moved, s.white_king_moved, s.black_king_moved, attacked, sq));
}

// Writes the capture of the piece on bit `to` by the piece on bit `from` as
// the next row; a capture of a king is that king's attack record.
[[gnu::always_inline]] inline int16_t* put_capture(Pass& s, int16_t* row, int from_bit, int to_bit,
                                                   bool* king_hit) {
    const int from = cells.of[from_bit];
    const int to = cells.of[to_bit];
    const int16_t mover = s.board[from];
    const int16_t target = s.board[to];
    const int captured = target < 0 ? -target : target;
    const int16_t code = static_cast<int16_t>(from * 100 + to);
    row += move_list_columns;
    row[0] = code;
    row[1] = static_cast<int16_t>(capture_flags_by_code[mover + 6] + captured * 10);
    if (captured == king) {
        if (mover < 0) {
            s.black_king_attack = code;
            s.board[1] = code;
            king_hit[1] = true;
        } else {
            s.white_king_attack = code;
            s.board[9] = code;
            king_hit[0] = true;
        }
    }
    return row;
}

// The counters, capture rows and attack records of a lean pass. A list that
// would pass 250 rows drops moves on the way, which only the mailbox pass
// follows move by move: such a board is counted again by it. On x86-64 the
// pass is built twice, with and without the population-count instruction,
// and the loader picks one for the processor; not under the sanitizers,
// whose run-time is not yet set up when the loader makes that choice.
#if defined(__x86_64__) && defined(__ELF__) && !defined(__SANITIZE_ADDRESS__) && \
    !defined(__SANITIZE_THREAD__)
[[gnu::target_clones("popcnt", "default")]]
#endif
void run_counting_pass(Pass& s) {
    s.board[1] = GameState::border_value;
    s.board[9] = GameState::border_value;
    const Armies a = s.square_sets != nullptr ? armies_of_sets(s.square_sets) : armies_of(s.board);
    Tally t;
    t.board = s.board;
    t.side[0] = a.side[0];
    t.side[1] = a.side[1];
    t.occupied = a.side[0] | a.side[1];
    count_army<-1>(t, a);
    count_army<1>(t, a);
    count_sliders(t, a);
    // Of two kings of one colour only the last one in square order moves.
    const int white_king = last_bit(a.kings[0]);
    const int black_king = last_bit(a.kings[1]);
    if (white_king >= 0) count_king<-1>(t, s, a, white_king);
    if (black_king >= 0) count_king<1>(t, s, a, black_king);
    const int total = t.count + t.moves[0] + t.moves[1];
    if (total > max_list_rows) {
        run_pass<true>(s);
        return;
    }
    *s.sets = piece_sets(a);
    s.sets_left = true;
    // The captures in key order, at the front of the list; the last capture
    // of each king is its attack record.
    int16_t* row = s.rows;
    bool king_hit[2] = {false, false};
    // Pieces on squares first, in square order, a piece's captures in rank
    // order; then White's king and Black's. One loop step per capture.
    uint64_t capturers = t.capturers;
    while (capturers != 0) {
        const int b = std::countr_zero(capturers);
        unsigned m = t.ranks[b];
        const int rank = std::countr_zero(m);
        m &= m - 1;
        t.ranks[b] = static_cast<uint8_t>(m);
        capturers &= capturers - static_cast<uint64_t>(m == 0);  // its last capture
        row = put_capture(s, row, b, t.target[b * 8 + rank], king_hit);
    }
    // The kings' captures, when there are any.
    if ((t.ranks[white_king_place] | t.ranks[white_king_place + 1]) != 0) {
        for (int k = 0; k < 2; ++k) {
            const int place = white_king_place + k;
            const int b = k == 0 ? white_king : black_king;
            for (unsigned m = t.ranks[place]; m != 0; m &= m - 1) {
                row = put_capture(s, row, b, t.target[place * 8 + std::countr_zero(m)], king_hit);
            }
        }
    }
    s.count = total;
    s.white_count = t.moves[0];
    s.black_count = t.moves[1];
    s.captures = t.captures;
    s.white_king_sq = white_king >= 0 ? cell_of_bit(white_king) : 0;
    s.black_king_sq = black_king >= 0 ? cell_of_bit(black_king) : 0;
    castle_flags(t, king_hit, s.white_king_moved, s.black_king_moved, s.castle_attacked);
}

// ---- The full pass from square sets --------------------------------------
// The rows, counters and records of the mailbox pass, in the same order, with
// the targets read from square sets: along a ray the quiet moves are the empty
// squares before the nearest occupied one, which is a capture when it holds an
// enemy piece. Each move is written the way try_target writes it, so the
// list, the captures at its front and the rows they displace come out the
// same. A row's move code and flag word are written as one 32-bit word, the
// code in the low half.

// The squares of each side's pieces, pawns and kings, and whether a playing
// square holds a code that is no piece.
struct SideSets {
    uint64_t side[2];
    uint64_t pawns[2];
    uint64_t kings[2];
    bool odd;
};

// The same from the squares of each piece code (index code + 6), kept for
// a board of piece codes only.
inline SideSets side_sets_of(const uint64_t* sets) {
    const Armies a = armies_of_sets(sets);
    return {{a.side[0], a.side[1]}, {a.pawns[0], a.pawns[1]}, {a.kings[0], a.kings[1]}, false};
}

inline SideSets side_sets(const int16_t* board) {
    SideSets s{{0, 0}, {0, 0}, {0, 0}, false};
#if defined(__SSE2__) && !defined(CHESS_NO_SIMD)
    const __m128i zero = _mm_setzero_si128();
    const __m128i black_king = _mm_set1_epi8(king);
    const __m128i white_king = _mm_set1_epi8(-king);
    const __m128i white_pawn = _mm_set1_epi8(-pawn);
    const __m128i black_pawn = _mm_set1_epi8(pawn);
    // A code c is a piece or empty when c + 6, as an unsigned byte, is at
    // most 12.
    const __m128i six = _mm_set1_epi8(king);
    const __m128i twelve = _mm_set1_epi8(2 * king);
    __m128i beyond = zero;
    const auto mask = [](__m128i v) {
        return static_cast<uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(v)));
    };
    for (int x = 0; x < 8; x += 2) {
        // Two files at once, as bytes (saturated, so a code beyond a byte
        // stays beyond the pieces): file x in the low half.
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(board + 10 * x + 11));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(board + 10 * x + 21));
        const __m128i value = _mm_packs_epi16(a, b);
        const int shift = 8 * x;
        const uint64_t negative = mask(value);
        s.side[0] |= negative << shift;
        s.side[1] |= (~mask(_mm_cmpeq_epi8(value, zero)) & ~negative & 0xffff) << shift;
        s.pawns[0] |= mask(_mm_cmpeq_epi8(value, white_pawn)) << shift;
        s.pawns[1] |= mask(_mm_cmpeq_epi8(value, black_pawn)) << shift;
        s.kings[0] |= mask(_mm_cmpeq_epi8(value, white_king)) << shift;
        s.kings[1] |= mask(_mm_cmpeq_epi8(value, black_king)) << shift;
        beyond = _mm_or_si128(beyond, _mm_subs_epu8(_mm_add_epi8(value, six), twelve));
    }
    s.odd = _mm_movemask_epi8(_mm_cmpeq_epi8(beyond, zero)) != 0xffff;
#else
    for (int x = 0; x < 8; ++x) {
        for (int y = 0; y < 8; ++y) {
            const int v = board[10 * x + 11 + y];
            const uint64_t bit = uint64_t{1} << (8 * x + y);
            if (v < 0) s.side[0] |= bit;
            if (v > 0) s.side[1] |= bit;
            if (v == -pawn) s.pawns[0] |= bit;
            if (v == pawn) s.pawns[1] |= bit;
            if (v == -king) s.kings[0] |= bit;
            if (v == king) s.kings[1] |= bit;
            if (v < -king || v > king) s.odd = true;
        }
    }
#endif
    return s;
}

// A row's two cells as one word.
constexpr uint32_t row_word(int code, int flags) {
    return static_cast<uint16_t>(code) | static_cast<uint32_t>(static_cast<uint16_t>(flags)) << 16;
}
[[gnu::always_inline]] inline void put_row(int16_t* row, uint32_t word) {
    std::memcpy(row, &word, sizeof word);
}

constexpr int dir_cells[8] = {-1, 1, 10, -10, 9, 11, -11, -9};

struct SweepTables {
    // A pawn's single step by colour index and square.
    uint32_t pawn_step[2][64] = {};
};
constexpr SweepTables make_sweep_tables() {
    SweepTables t;
    for (int b = 0; b < 64; ++b) {
        const int sq = cell_of_bit(b);
        t.pawn_step[0][b] = row_word(sq * 101 - 1, 1100 + kind_white_quiet);
        t.pawn_step[1][b] = row_word(sq * 101 + 1, 2100 + kind_black_quiet);
    }
    return t;
}
constexpr SweepTables sweep_tables = make_sweep_tables();

// Between two tests of the list's length the pass adds at most 27 moves of a
// piece (a queen in the open) and 32 pawn steps: a list at most this long at
// a test cannot pass the row limit before the next one.
constexpr int sweep_safe_rows = max_list_rows - 27 - 32;

// The running state of a full pass; `Pass` gets its results at the end.
struct Sweep {
    int16_t* board;
    int16_t* end;    // the newest row (row `count`)
    int16_t* front;  // the newest capture row (row `captures`)
    uint64_t side[2];
    uint64_t occupied;
    uint64_t steps;      // pawns that step one square
    uint64_t two_steps;  // pawns that also step two
    // Empty squares on which a quiet move marks a castling path of the other
    // colour, by mover (none while that colour's king has moved), and the
    // ones reached so far.
    uint64_t paths[2];
    uint64_t hits[2];
    int white_king_attack;
    int black_king_attack;
    int16_t castle_attacked[7];
    // En passant and castling entries, all and those added while White's
    // pieces were generated: they count for neither colour.
    int specials;
    int white_specials;
};

template <int Colour, int Piece>
constexpr int sweep_flags = (Colour < 0 ? 1000 : 2000) + Piece * 100;
// The row of a quiet move from `sq` less its target: add the target cell.
template <int Colour, int Piece>
[[gnu::always_inline]] inline uint32_t quiet_base(int sq) {
    return row_word(
        sq * 100, sweep_flags<Colour, Piece> + (Colour < 0 ? kind_white_quiet : kind_black_quiet));
}

[[gnu::always_inline]] inline void sweep_row(Sweep& w, uint32_t word) {
    w.end += move_list_columns;
    put_row(w.end, word);
}

// A capture joins the front of the list, and the row it takes there moves to
// the end, as in try_target.
template <int Colour, int Piece>
[[gnu::always_inline]] inline void sweep_capture(Sweep& w, int from, int to) {
    const int code = from * 100 + to;
    const int c = w.board[to];
    if (c == -Colour * king) {
        if (Colour < 0) {
            w.board[1] = static_cast<int16_t>(code);
            w.black_king_attack = code;
            w.castle_attacked[4] = 1;
        } else {
            w.board[9] = static_cast<int16_t>(code);
            w.white_king_attack = code;
            w.castle_attacked[1] = 1;
        }
    }
    w.front += move_list_columns;
    w.end += move_list_columns;
    std::memcpy(w.end, w.front, sizeof(uint32_t));
    put_row(w.front, row_word(code, sweep_flags<Colour, Piece> + (Colour < 0 ? c : -c) * 10 +
                                        (Colour < 0 ? kind_white_capture : kind_black_capture)));
}

// An en passant or castling entry, as append_special writes it.
template <int Colour>
[[gnu::always_inline]] inline void sweep_special(Sweep& w, int code, int flags) {
    sweep_row(w, row_word(code, flags));
    ++w.specials;
    if (Colour < 0) ++w.white_specials;
}

// One ray of a sliding piece on bit `b` (cell `sq`): the quiet moves up to the
// nearest occupied square or the edge, then the capture there. `open` holds
// the piece's neighbours not held by its side, turned so that the piece's own
// square is bit 0: a ray that starts at the edge or at an own piece is empty,
// one that starts at an enemy piece is that capture alone.
template <int Colour, int Piece, int D>
[[gnu::always_inline]] inline void sweep_ray(Sweep& w, int b, int sq, uint32_t base,
                                             uint64_t open) {
    constexpr int at = (dir_dx[D] * 8 + dir_dy[D]) & 63;
    if (((open >> at) & 1) == 0) return;
    // Walk on while the ray's squares are empty. A square past the ray's
    // end, taken modulo 64, is never on the ray.
    constexpr int delta = dir_dx[D] * 8 + dir_dy[D];
    const int me = side_index(Colour);
    const uint64_t ray = geometry.ray[D][b];
    const uint64_t free = ray & ~w.occupied;
    int16_t* row = w.end;
    uint32_t word = base + static_cast<uint32_t>(sq);
    unsigned t = static_cast<unsigned>(b + delta);
    while (((free >> (t & 63)) & 1) != 0) {
        row += move_list_columns;
        word += static_cast<uint32_t>(dir_cells[D]);
        put_row(row, word);
        t += static_cast<unsigned>(delta);
    }
    w.end = row;
    // Stopped by a piece on the ray, or past the edge.
    const int stop = static_cast<int>(t & 63);
    const bool blocked = ((ray >> stop) & 1) != 0;
    w.hits[me] |= (blocked ? ray ^ geometry.ray[D][stop] : ray) & w.paths[me];
    if (blocked && ((w.side[1 - me] >> stop) & 1) != 0) {
        sweep_capture<Colour, Piece>(w, sq, cells.of[stop]);
    }
}

template <int Colour, int Piece>
[[gnu::always_inline]] inline void sweep_slider(Sweep& w, int b, int sq) {
    const int me = side_index(Colour);
    const uint32_t base = quiet_base<Colour, Piece>(sq);
    const uint64_t open = std::rotr(geometry.king[b] & ~w.side[me], b);
    if (Piece != rook) {
        sweep_ray<Colour, Piece, up_right>(w, b, sq, base, open);
        sweep_ray<Colour, Piece, down_right>(w, b, sq, base, open);
        sweep_ray<Colour, Piece, up_left>(w, b, sq, base, open);
        sweep_ray<Colour, Piece, down_left>(w, b, sq, base, open);
    }
    if (Piece != bishop) {
        sweep_ray<Colour, Piece, up>(w, b, sq, base, open);
        sweep_ray<Colour, Piece, down>(w, b, sq, base, open);
        sweep_ray<Colour, Piece, right>(w, b, sq, base, open);
        sweep_ray<Colour, Piece, left>(w, b, sq, base, open);
    }
}

// One knight's jump or king's step of `Cells` cells, `Bits` bits: `open` and
// `enemy` are the targets not held by the mover's side and the other side's
// squares, turned so that the piece's own square is bit 0.
template <int Colour, int Piece, int Cells, int Bits>
[[gnu::always_inline]] inline void sweep_step(Sweep& w, uint64_t open, uint64_t enemy, int sq,
                                              uint32_t base) {
    constexpr int at = Bits & 63;
    if (((open >> at) & 1) == 0) return;
    if (((enemy >> at) & 1) == 0) {
        sweep_row(w, base + static_cast<uint32_t>(sq + Cells));
    } else {
        sweep_capture<Colour, Piece>(w, sq, sq + Cells);
    }
}

template <int Colour>
[[gnu::always_inline]] inline void sweep_knight(Sweep& w, int b, int sq) {
    const int me = side_index(Colour);
    const uint64_t targets = geometry.knight[b];
    const uint64_t open = std::rotr(targets & ~w.side[me], b);
    const uint64_t enemy = std::rotr(w.side[1 - me], b);
    const uint32_t base = quiet_base<Colour, knight>(sq);
    w.hits[me] |= targets & w.paths[me];
    sweep_step<Colour, knight, 8, 6>(w, open, enemy, sq, base);
    sweep_step<Colour, knight, -12, -10>(w, open, enemy, sq, base);
    sweep_step<Colour, knight, 19, 15>(w, open, enemy, sq, base);
    sweep_step<Colour, knight, 21, 17>(w, open, enemy, sq, base);
    sweep_step<Colour, knight, 12, 10>(w, open, enemy, sq, base);
    sweep_step<Colour, knight, -8, -6>(w, open, enemy, sq, base);
    sweep_step<Colour, knight, -21, -17>(w, open, enemy, sq, base);
    sweep_step<Colour, knight, -19, -15>(w, open, enemy, sq, base);
}

// The steps of the pawns in `pawns`, which have no other moves, in square
// order. A step goes one bit down for White and one up for Black.
inline void sweep_pawn_steps(Sweep& w, uint64_t pawns, uint64_t black_pawns) {
    for (; pawns != 0; pawns &= pawns - 1) {
        const int b = std::countr_zero(pawns);
        const int black = static_cast<int>((black_pawns >> b) & 1);
        const uint32_t word = sweep_tables.pawn_step[black][b];
        sweep_row(w, word);
        if ((w.two_steps >> b) & 1) sweep_row(w, word + static_cast<uint32_t>(2 * black - 1));
    }
}

// A pawn with more than steps: its steps, its captures toward the H file and
// then the A file, and its en passant entries, as pawn_moves has them.
template <int Colour>
[[gnu::always_inline]] inline void sweep_pawn(Sweep& w, int b, int sq) {
    constexpr int ahead = Colour < 0 ? -1 : 1;
    const uint32_t word = sweep_tables.pawn_step[side_index(Colour)][b];
    if ((w.steps >> b) & 1) sweep_row(w, word);
    if ((w.two_steps >> b) & 1) sweep_row(w, word + ahead);
    const int x = b >> 3;
    const uint64_t enemy = w.side[Colour < 0 ? 1 : 0];
    if (x != 7 && ((enemy >> (b + 8 + ahead)) & 1)) {
        sweep_capture<Colour, pawn>(w, sq, sq + 10 + ahead);
    }
    if (x != 0 && ((enemy >> (b - 8 + ahead)) & 1)) {
        sweep_capture<Colour, pawn>(w, sq, sq - 10 + ahead);
    }
    if ((b & 7) == (Colour < 0 ? 3 : 4)) {
        // The marker of a double step sits in the border cell beside the
        // captured pawn's file.
        const int16_t* bd = w.board;
        const int marker = Colour < 0 ? 0 : 9;
        const int16_t flags = GameState::ep_flag_word[Colour + 2];
        if (bd[sq + 10] == -Colour && bd[10 * (x + 2) + marker] == GameState::ep_marker) {
            sweep_special<Colour>(w, sq * 100 + sq + 10 + ahead, flags);
        }
        if (bd[sq - 10] == -Colour && bd[10 * x + marker] == GameState::ep_marker) {
            sweep_special<Colour>(w, sq * 100 + sq - 10 + ahead, flags);
        }
    }
}

// The castling-path flags of the quiet moves found so far.
inline void mark_paths(Sweep& w) {
    if ((w.hits[0] & path_5) != 0) w.castle_attacked[5] = 1;
    if ((w.hits[0] & path_6) != 0) w.castle_attacked[6] = 1;
    if ((w.hits[1] & path_2) != 0) w.castle_attacked[2] = 1;
    if ((w.hits[1] & path_3) != 0) w.castle_attacked[3] = 1;
}

// The king's steps, then the castling tests of its square, which see the
// records of every move found before them. A king's quiet step onto a
// castling path of the other colour marks it.
template <int Colour>
[[gnu::always_inline]] inline void sweep_king(Sweep& w, const Pass& s, int b) {
    const int me = side_index(Colour);
    const int sq = cell_of_bit(b);
    const uint64_t targets = geometry.king[b] & ~w.side[me];
    const uint64_t open = std::rotr(targets, b);
    const uint64_t enemy = std::rotr(w.side[1 - me], b);
    const uint32_t base = quiet_base<Colour, king>(sq);
    sweep_step<Colour, king, -1, -1>(w, open, enemy, sq, base);
    sweep_step<Colour, king, 1, 1>(w, open, enemy, sq, base);
    sweep_step<Colour, king, 10, 8>(w, open, enemy, sq, base);
    sweep_step<Colour, king, -10, -8>(w, open, enemy, sq, base);
    sweep_step<Colour, king, 9, 7>(w, open, enemy, sq, base);
    sweep_step<Colour, king, 11, 9>(w, open, enemy, sq, base);
    sweep_step<Colour, king, -11, -9>(w, open, enemy, sq, base);
    sweep_step<Colour, king, -9, -7>(w, open, enemy, sq, base);
    w.hits[me] |= targets & w.paths[me];
    if (sq != sq_e1 && sq != sq_e8) return;
    mark_paths(w);
    const unsigned allowed = castlings(w.board, s.castle_moved, s.white_king_moved,
                                       s.black_king_moved, w.castle_attacked, sq);
    each_castling(allowed, [&](int code, int flags) { sweep_special<Colour>(w, code, flags); });
}

// The full pass; false when it leaves the work to the mailbox pass: a playing
// square holds a code that is no piece, or the list might pass the row limit
// (every row written by then lies within the rows the mailbox pass rewrites).
bool run_sweep_pass(Pass& s) {
    const SideSets sets =
        s.square_sets != nullptr ? side_sets_of(s.square_sets) : side_sets(s.board);
    if (sets.odd) return false;
    s.board[1] = GameState::border_value;
    s.board[9] = GameState::border_value;
    Sweep w;
    w.board = s.board;
    w.end = s.rows + s.count * move_list_columns;
    w.front = s.rows + s.captures * move_list_columns;
    w.side[0] = sets.side[0];
    w.side[1] = sets.side[1];
    w.occupied = sets.side[0] | sets.side[1];
    w.white_king_attack = s.white_king_attack;
    w.black_king_attack = s.black_king_attack;
    for (int i = 0; i < 7; ++i) w.castle_attacked[i] = s.castle_attacked[i];
    w.specials = 0;
    w.white_specials = 0;
    const uint64_t empty = ~w.occupied;
    w.paths[0] = s.black_king_moved != 1 ? (path_5 | path_6) & empty : 0;
    w.paths[1] = s.white_king_moved != 1 ? (path_2 | path_3) & empty : 0;

    // Pawns whose only moves are steps are written in runs between the other
    // pieces; pawns that may capture or take en passant go with the pieces.
    const uint64_t white_pawns = movable_pawns<-1>(sets.pawns[0]);
    const uint64_t black_pawns = movable_pawns<1>(sets.pawns[1]);
    const uint64_t white_steps = white_pawns & (empty << 1);
    const uint64_t black_steps = black_pawns & (empty >> 1);
    w.steps = white_steps | black_steps;
    w.two_steps =
        (white_steps & row_bits(7) & (empty << 2)) | (black_steps & row_bits(2) & (empty >> 2));
    w.hits[0] = (white_steps >> 1) & w.paths[0];
    w.hits[1] = (black_steps << 1) & w.paths[1];
    const PawnTakes white_takes = pawn_takes<-1>(sets.pawns[0]);
    const PawnTakes black_takes = pawn_takes<1>(sets.pawns[1]);
    const uint64_t busy_pawns =
        ((white_takes.right & sets.side[1]) >> 7) | ((white_takes.left & sets.side[1]) << 9) |
        ((black_takes.right & sets.side[0]) >> 9) | ((black_takes.left & sets.side[0]) << 7) |
        (sets.pawns[0] & row_bits(4)) | (sets.pawns[1] & row_bits(5));
    uint64_t stepping_pawns = w.steps & ~busy_pawns;
    const uint64_t pieces =
        (w.occupied & ~(sets.pawns[0] | sets.pawns[1] | sets.kings[0] | sets.kings[1])) |
        busy_pawns;

    const int16_t* const safe_end = s.rows + sweep_safe_rows * move_list_columns;
    ptrdiff_t white_cells = 0;
    for (uint64_t set = pieces; set != 0; set &= set - 1) {
        const int b = std::countr_zero(set);
        const uint64_t before_b = stepping_pawns & ((uint64_t{1} << b) - 1);
        if (before_b != 0) {
            sweep_pawn_steps(w, before_b, sets.pawns[1]);
            stepping_pawns ^= before_b;
        }
        if (w.end > safe_end) return false;
        const int sq = cells.of[b];
        const int16_t* before = w.end;
        switch (w.board[sq]) {
            case -pawn:
                sweep_pawn<-1>(w, b, sq);
                white_cells += w.end - before;
                break;
            case -knight:
                sweep_knight<-1>(w, b, sq);
                white_cells += w.end - before;
                break;
            case -bishop:
                sweep_slider<-1, bishop>(w, b, sq);
                white_cells += w.end - before;
                break;
            case -rook:
                sweep_slider<-1, rook>(w, b, sq);
                white_cells += w.end - before;
                break;
            case -queen:
                sweep_slider<-1, queen>(w, b, sq);
                white_cells += w.end - before;
                break;
            case pawn:
                sweep_pawn<1>(w, b, sq);
                break;
            case knight:
                sweep_knight<1>(w, b, sq);
                break;
            case bishop:
                sweep_slider<1, bishop>(w, b, sq);
                break;
            case rook:
                sweep_slider<1, rook>(w, b, sq);
                break;
            case queen:
                sweep_slider<1, queen>(w, b, sq);
                break;
            default:
                break;
        }
    }
    sweep_pawn_steps(w, stepping_pawns, sets.pawns[1]);
    const uint64_t white_stepping = w.steps & ~busy_pawns & sets.pawns[0];
    white_cells += (std::popcount(white_stepping) + std::popcount(white_stepping & w.two_steps)) *
                   move_list_columns;
    if (w.end > safe_end) return false;

    // Of two kings of one colour only the last one in square order moves.
    const int white_king = last_bit(sets.kings[0]);
    const int black_king = last_bit(sets.kings[1]);
    if (white_king >= 0) {
        const int16_t* before = w.end;
        sweep_king<-1>(w, s, white_king);
        white_cells += w.end - before;
    }
    if (black_king >= 0) sweep_king<1>(w, s, black_king);
    mark_paths(w);
    const int count = static_cast<int>((w.end - s.rows) / move_list_columns);
    const int white_moves = static_cast<int>(white_cells / move_list_columns) - w.white_specials;
    s.white_count += white_moves;
    s.black_count += count - s.count - w.specials - white_moves;
    s.count = count;
    s.captures = static_cast<int>((w.front - s.rows) / move_list_columns);
    s.white_king_attack = w.white_king_attack;
    s.black_king_attack = w.black_king_attack;
    for (int i = 0; i < 7; ++i) s.castle_attacked[i] = w.castle_attacked[i];
    if (white_king >= 0) s.white_king_sq = cell_of_bit(white_king);
    if (black_king >= 0) s.black_king_sq = cell_of_bit(black_king);
    return true;
}

// ---- Refusals without making the move ------------------------------------
// make_move refuses a move when the replies generated after it hold a capture
// of a king of the mover's colour. For an ordinary move that can be read off
// the square sets: the opponent's pieces that could take on a king's square
// once the move is made, by the same steps the passes use (a pawn on its last
// row does not move, only the last king of a colour steps).

// One ordinary move adds at most 125 moves to the two colours' lists: 27 for
// the piece moved (or the queen it becomes), 7 on each of the eight lines
// through the square it leaves, 8 knights' and 2 kings' steps onto that
// square, 6 pawn steps onto or through it, 20 pieces that may now take on the
// square it enters, 4 castlings and 2 en passant captures. From a list this
// short (with a few rows to spare) the replies stay below the row limit, so
// no king capture is dropped.
constexpr int short_list = max_list_rows - 130;

// The squares all pawns of one side could take on.
inline uint64_t pawn_targets(uint64_t pawns, int colour) {
    const PawnTakes t = colour < 0 ? pawn_takes<-1>(pawns) : pawn_takes<1>(pawns);
    return t.right | t.left;
}

inline int16_t* list_rows(GameState& g, int ply) {
    return &g.move_list[0][GameState::ply_base[ply] + 1];
}

// Writes the rows a lean pass left unwritten: the whole pass again on its own
// board and castling state, keeping the newer rows in front of them.
void write_deferred(GameState& g, int index) {
    DeferredRows& d = g.deferred[index];
    int16_t* rows = list_rows(g, g.lean_ply);
    int16_t newer[max_list_rows + 1][2];
    for (int r = 1; r <= d.first; ++r) {
        newer[r][0] = rows[r * move_list_columns];
        newer[r][1] = rows[r * move_list_columns + 1];
    }
    Pass s{d.board, rows, d.castle_moved, d.white_king_moved, d.black_king_moved};
    run_pass<false>(s);
    for (int r = 1; r <= d.first; ++r) {
        rows[r * move_list_columns] = newer[r][0];
        rows[r * move_list_columns + 1] = newer[r][1];
    }
    for (int i = index + 1; i < g.deferred_count; ++i) {
        g.deferred[i - 1] = g.deferred[i];
        g.deferred_last[i - 1] = g.deferred_last[i];
    }
    --g.deferred_count;
}

// A pass at the lean ply wrote rows 1..captures and counted rows up to count.
// Rows up to count now belong to it: older notes shrink to the rows above.
// The notes are kept newest last, so their ranges ascend from last to first:
// the notes dropped, those whose last row is within the count, are the newest
// ones, and the notes kept are those before the first such note. They are
// found at one look, with no branch that depends on how many there are.
int notes_above(const GameState& g, int count) {
#if defined(__SSE2__) && !defined(CHESS_NO_SIMD)
    static_assert(deferred_capacity == 16);
    const __m128i limit = _mm_set1_epi16(static_cast<short>(count));
    const __m128i older = _mm_loadu_si128(reinterpret_cast<const __m128i*>(&g.deferred_last[0]));
    const __m128i newer = _mm_loadu_si128(reinterpret_cast<const __m128i*>(&g.deferred_last[8]));
    // Two mask bits per note.
    const uint32_t above = static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpgt_epi16(older, limit))) |
                           static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpgt_epi16(newer, limit)))
                               << 16;
    return std::min<int>(std::countr_one(above) / 2, g.deferred_count);
#else
    int kept = 0;
    while (kept < g.deferred_count && g.deferred_last[kept] > count) ++kept;
    return kept;
#endif
}

void note_lean_pass(GameState& g, const Pass& s) {
    const int count = s.count;
    const int kept = notes_above(g, count);
    g.deferred_count = static_cast<int16_t>(kept);
    if (kept > 0) {
        int16_t& older_first = g.deferred[kept - 1].first;
        older_first = static_cast<int16_t>(std::max<int>(older_first, count));
    }
    if (s.captures == count) return;
    if (g.deferred_count == deferred_capacity) write_deferred(g, 0);
    g.deferred_last[g.deferred_count] = static_cast<int16_t>(count);
    DeferredRows& d = g.deferred[g.deferred_count++];
    std::memcpy(d.board, g.board, sizeof d.board);
    std::memcpy(d.castle_moved, g.castle_moved, sizeof d.castle_moved);
    d.white_king_moved = g.white_king_moved;
    d.black_king_moved = g.black_king_moved;
    d.first = static_cast<int16_t>(s.captures);
    d.pass = g.lean_passes;
}

// The note holding row `row` of the lean ply, or -1.
int deferred_holding(const GameState& g, int row) {
    for (int i = g.deferred_count - 1; i >= 0; --i) {
        if (row <= g.deferred[i].first) return -1;
        if (row <= g.deferred_last[i]) return i;
    }
    return -1;
}

}  // namespace

void generate_moves(GameState& g) {
    const int ply = g.ply;
    Pass s{g.board, list_rows(g, ply), g.castle_moved, g.white_king_moved, g.black_king_moved};
    const bool lean = ply == g.lean_ply && ply != 0;
    s.sets = &g.pass_sets;
    if (g.square_sets_ready != 0) s.square_sets = g.square_sets;
    if (lean) {
        run_counting_pass(s);
    } else {
        run_pass<false>(s);
    }
    g.pass_sets_ready = s.sets_left ? 1 : 0;
    if (s.white_king_sq != 0) g.white_king_sq = static_cast<int16_t>(s.white_king_sq);
    if (s.black_king_sq != 0) g.black_king_sq = static_cast<int16_t>(s.black_king_sq);
    std::memcpy(&g.castle_attacked[1], &s.castle_attacked[1], 6 * sizeof(int16_t));
    g.move_count[ply] = static_cast<int16_t>(s.count);
    g.white_move_count[ply] = static_cast<int16_t>(s.white_count);
    g.black_move_count[ply] = static_cast<int16_t>(s.black_count);
    g.capture_count[ply] = static_cast<int16_t>(s.captures);
    g.white_king_attack[ply] = static_cast<int16_t>(s.white_king_attack);
    g.black_king_attack[ply] = static_cast<int16_t>(s.black_king_attack);
    if (lean) {
        ++g.lean_passes;
        note_lean_pass(g, s);
    }
}

void defer_rows_at(GameState& g, int ply) {
    write_deferred_rows(g);
    g.lean_ply = static_cast<int16_t>(ply >= 1 && ply < ply_slots ? ply : 0);
}

void write_deferred_rows(GameState& g) {
    while (g.deferred_count > 0) write_deferred(g, g.deferred_count - 1);
    g.lean_ply = 0;
}

int16_t list_code(GameState& g, int ply, int row) {
    if (ply == g.lean_ply && g.deferred_count > 0) {
        const int holder = deferred_holding(g, row);
        if (holder >= 0) write_deferred(g, holder);
    }
    return g.move_list[row][GameState::ply_base[ply] + 1];
}

bool row_is_unwritten_quiet(const GameState& g, int ply, int row) {
    if (ply != g.lean_ply || g.deferred_count == 0) return false;
    const int holder = deferred_holding(g, row);
    if (holder < 0) return false;
    const DeferredRows& d = g.deferred[holder];
    return d.pass == g.lean_passes &&
           std::memcmp(&d.board[11], &g.board[11], sizeof(int16_t) * 78) == 0;
}

bool row_is_deferred(const GameState& g, int ply, int row) {
    return ply == g.lean_ply && g.deferred_count > 0 && deferred_holding(g, row) >= 0;
}

int refused_unmade(const GameState& g, const Armies& a, int ply, int row) {
    if (g.move_count[ply] > short_list) return -1;
    const int16_t* cells = &g.move_list[row][GameState::ply_base[ply] + 1];
    const int kind = code_digit_4(cells[1]);
    if (kind == kind_en_passant || kind == kind_king_side_castle ||
        kind == kind_queen_side_castle) {
        return -1;
    }
    const int from = move_from(cells[0]);
    const int to = move_to(cells[0]);
    const int16_t piece = g.board[from];
    if (piece == 0) return -1;
    const int me = side_index(piece);
    const int them = 1 - me;
    const uint64_t from_bit = bit_at(from / 10, from % 10);
    const uint64_t to_bit = bit_at(to / 10, to % 10);
    uint64_t kings = a.kings[me];
    if (abs_of(piece) == king) kings = (kings & ~from_bit) | to_bit;
    if (kings == 0) return 0;

    // The opponent's pieces once the move is made: a piece on `to` is taken.
    const uint64_t occupied = ((a.side[0] | a.side[1]) & ~from_bit) | to_bit;
    const uint64_t knights = a.knights[them] & ~to_bit;
    const uint64_t straight = a.straight[them] & ~to_bit;
    const uint64_t diagonal = a.diagonal[them] & ~to_bit;
    const uint64_t their_kings = a.kings[them] & ~to_bit;
    uint64_t takes = pawn_targets(a.pawns[them] & ~to_bit, -sign_of(piece));
    if (their_kings != 0) takes |= geometry.king[last_bit(their_kings)];
    for (uint64_t k = kings; k != 0; k &= k - 1) {
        const int b = std::countr_zero(k);
        if ((takes >> b) & 1) return 1;
        if ((geometry.knight[b] & knights) != 0) return 1;
        for (int d = 0; d < 8; ++d) {
            const uint64_t blockers = geometry.ray[d][b] & occupied;
            if (blockers == 0) continue;
            const int nearest = nearest_on_ray(d, blockers);
            const uint64_t sliders = d < up_right ? straight : diagonal;
            if ((sliders >> nearest) & 1) return 1;
        }
    }
    return 0;
}

void find_move(GameState& g) {
    const int column = GameState::ply_base[g.ply] + 1;
    g.move_index = 0;
    for (int r = 1; r <= g.move_count[g.ply]; ++r) {
        if (g.move_list[r][column] == g.move_code) {
            g.move_index = static_cast<int16_t>(r);
            return;
        }
    }
}

}  // namespace chess
