#include "movegen/generate.h"

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
    int castle_attacked[7] = {};
    int white_king_sq = 0;  // 0: no white king found
    int black_king_sq = 0;
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

    const int16_t* b = s.board;
    const int16_t* moved = s.castle_moved;
    const int* attacked = s.castle_attacked;
    if (sq == sq_e1) {
        const int white_king = moved[1] + s.white_king_moved;
        if (static_cast<int16_t>(white_king + moved[2] + attacked[1] + attacked[2]) == 0 &&
            b[sq_f1] == 0 && b[sq_g1] == 0 && b[sq_h1] == -rook) {
            append_special<Lean>(s, white_king_side_castle, white_king_side_flags);
        }
        if (static_cast<int16_t>(white_king + moved[3] + attacked[1] + attacked[3]) == 0 &&
            b[sq_d1] == 0 && b[sq_c1] == 0 && b[sq_b1] == 0 && b[sq_a1] == -rook) {
            append_special<Lean>(s, white_queen_side_castle, white_queen_side_flags);
        }
    }
    if (sq == sq_e8) {
        const int black_king = moved[4] + s.black_king_moved;
        if (static_cast<int16_t>(black_king + moved[5] + attacked[4] + attacked[5]) == 0 &&
            b[sq_f8] == 0 && b[sq_g8] == 0 && b[sq_h8] == rook) {
            append_special<Lean>(s, black_king_side_castle, black_king_side_flags);
        }
        if (static_cast<int16_t>(black_king + moved[6] + attacked[4] + attacked[6]) == 0 &&
            b[sq_d8] == 0 && b[sq_c8] == 0 && b[sq_b8] == 0 && b[sq_a8] == rook) {
            append_special<Lean>(s, black_queen_side_castle, black_queen_side_flags);
        }
    }
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

// File by file, each file from rank 8 down to rank 1; the kings wait. A
// colour without a king gets no king moves; of two kings of one colour only
// the last one found is handled.
template <bool Lean>
void run_pass(Pass& pass) {
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
    for (int i = index + 1; i < g.deferred_count; ++i) g.deferred[i - 1] = g.deferred[i];
    --g.deferred_count;
}

// A pass at the lean ply wrote rows 1..captures and counted rows up to count.
// Rows up to count now belong to it: older notes shrink to the rows above.
// The notes are kept newest last, so their ranges ascend from last to first.
void note_lean_pass(GameState& g, const Pass& s) {
    const int count = s.count;
    while (g.deferred_count > 0 && g.deferred[g.deferred_count - 1].last <= count) {
        --g.deferred_count;
    }
    if (g.deferred_count > 0) {
        DeferredRows& older = g.deferred[g.deferred_count - 1];
        if (older.first < count) older.first = static_cast<int16_t>(count);
    }
    if (s.captures == count) return;
    if (g.deferred_count == deferred_capacity) write_deferred(g, 0);
    DeferredRows& d = g.deferred[g.deferred_count++];
    std::memcpy(d.board, g.board, sizeof d.board);
    for (int i = 0; i < 7; ++i) d.castle_moved[i] = g.castle_moved[i];
    d.white_king_moved = g.white_king_moved;
    d.black_king_moved = g.black_king_moved;
    d.first = static_cast<int16_t>(s.captures);
    d.last = static_cast<int16_t>(count);
    d.pass = g.lean_passes;
}

// The note holding row `row` of the lean ply, or -1.
int deferred_holding(const GameState& g, int row) {
    for (int i = g.deferred_count - 1; i >= 0; --i) {
        const DeferredRows& d = g.deferred[i];
        if (row <= d.first) return -1;
        if (row <= d.last) return i;
    }
    return -1;
}

}  // namespace

void generate_moves(GameState& g) {
    const int ply = g.ply;
    Pass s{g.board, list_rows(g, ply), g.castle_moved, g.white_king_moved, g.black_king_moved};
    const bool lean = ply == g.lean_ply && ply != 0;
    if (lean) {
        run_pass<true>(s);
    } else {
        run_pass<false>(s);
    }
    if (s.white_king_sq != 0) g.white_king_sq = static_cast<int16_t>(s.white_king_sq);
    if (s.black_king_sq != 0) g.black_king_sq = static_cast<int16_t>(s.black_king_sq);
    for (int i = 1; i <= 6; ++i) g.castle_attacked[i] = static_cast<int16_t>(s.castle_attacked[i]);
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
