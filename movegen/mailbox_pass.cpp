// The mailbox pass: the board walked square by square, file by file and each
// file from rank 8 down to rank 1, each piece's targets tried cell by cell.
// It handles every board, and takes the ones the sweep pass and the counting
// pass leave to it: a playing square holding a code that is no piece, or a
// list that would pass the row limit.
#include <bit>

#include "model/board.h"
#include "movegen/geometry.h"
#include "movegen/occupancy.h"
#include "movegen/pass.h"

namespace chess::passes {

namespace {

// Appends an en passant or castling entry: no per-colour count, no move to
// the front, no attack record. A full list drops it.
template <bool CapturesOnly>
[[gnu::always_inline]] inline void append_special(Pass& s, int code, int flags) {
    if (s.count >= max_list_rows) return;
    ++s.count;
    if (CapturesOnly) return;
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

inline Mover mover_at(int origin, int x, int y, int piece) {
    return {origin, x, y, origin * 100, flags_base_by_code[piece + 6]};
}

// Tries the move to `target`. Returns the content of the target cell, which
// ends a sliding piece's ray when it is not 0.
template <int Colour, bool CapturesOnly>
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
            if (flag != 0 && s.black_king_moved != 1) s.records.castle_attacked[flag] = 1;
        } else {
            const int flag = black_quiet_path.flag[target];
            if (flag != 0 && s.white_king_moved != 1) s.records.castle_attacked[flag] = 1;
        }
        if (!CapturesOnly) {
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
    if (c == -Colour * king) record_king_capture(s.records, s.board, Colour, code);
    ++s.captures;
    int16_t* front = s.rows + s.captures * move_list_columns;
    if (CapturesOnly) {
        put_row(front, row_word(code, flags));
    } else {
        capture_to_front(front, s.rows + s.count * move_list_columns, row_word(code, flags));
    }
    return c;
}

template <int Colour, bool CapturesOnly>
[[gnu::always_inline]] inline void slide(Pass& s, const Mover& m, int direction) {
    int t = m.origin;
    do {
        t += direction;
    } while (try_target<Colour, CapturesOnly>(s, m, t) == 0);
}

template <int Colour, bool CapturesOnly>
[[gnu::always_inline]] inline void bishop_moves(Pass& s, const Mover& m) {
    slide<Colour, CapturesOnly>(s, m, 9);
    slide<Colour, CapturesOnly>(s, m, 11);
    slide<Colour, CapturesOnly>(s, m, -11);
    slide<Colour, CapturesOnly>(s, m, -9);
}

template <int Colour, bool CapturesOnly>
[[gnu::always_inline]] inline void rook_moves(Pass& s, const Mover& m) {
    slide<Colour, CapturesOnly>(s, m, -1);
    slide<Colour, CapturesOnly>(s, m, 1);
    slide<Colour, CapturesOnly>(s, m, 10);
    slide<Colour, CapturesOnly>(s, m, -10);
}

// Two cells straight, both on the board, then one step to either side of the
// second cell; so no jump ever looks beyond the one-cell border.
template <int Colour, bool CapturesOnly>
[[gnu::always_inline]] inline void knight_moves(Pass& s, const Mover& m) {
    const int16_t* b = s.board;
    const int sq = m.origin;
    if (b[sq - 1] < GameState::border_value && b[sq - 2] < GameState::border_value) {
        try_target<Colour, CapturesOnly>(s, m, sq + 8);
        try_target<Colour, CapturesOnly>(s, m, sq - 12);
    }
    if (b[sq + 10] < GameState::border_value && b[sq + 20] < GameState::border_value) {
        try_target<Colour, CapturesOnly>(s, m, sq + 19);
        try_target<Colour, CapturesOnly>(s, m, sq + 21);
    }
    if (b[sq + 1] < GameState::border_value && b[sq + 2] < GameState::border_value) {
        try_target<Colour, CapturesOnly>(s, m, sq + 12);
        try_target<Colour, CapturesOnly>(s, m, sq - 8);
    }
    if (b[sq - 10] < GameState::border_value && b[sq - 20] < GameState::border_value) {
        try_target<Colour, CapturesOnly>(s, m, sq - 21);
        try_target<Colour, CapturesOnly>(s, m, sq - 19);
    }
}

// A pawn's steps, its captures (only onto an enemy piece: a border cell has
// sign +1 and passes White's sign test, and try_target refuses it) and its en
// passant captures, which need the marker on the captured pawn's file.
template <int Colour, bool CapturesOnly>
[[gnu::always_inline]] inline void pawn_moves(Pass& s, const Mover& m) {
    const int16_t* b = s.board;
    const int sq = m.origin;
    const int x = m.x;
    const int y = m.y;
    if (Colour < 0) {
        if (b[sq - 1] == 0) {
            try_target<Colour, CapturesOnly>(s, m, sq - 1);
            if (y == 7 && b[sq - 2] == 0) try_target<Colour, CapturesOnly>(s, m, sq - 2);
        }
        if (b[sq + 9] > 0) try_target<Colour, CapturesOnly>(s, m, sq + 9);
        if (b[sq - 11] > 0) try_target<Colour, CapturesOnly>(s, m, sq - 11);
        if (y == 4) {
            const int16_t flags = GameState::ep_flag_word[1];
            if (b[sq + 10] == 1 && b[10 * (x + 1)] == GameState::ep_marker) {
                append_special<CapturesOnly>(s, sq * 100 + sq + 9, flags);
            }
            if (b[sq - 10] == 1 && b[10 * (x - 1)] == GameState::ep_marker) {
                append_special<CapturesOnly>(s, sq * 100 + sq - 11, flags);
            }
        }
    } else {
        if (b[sq + 1] == 0) {
            try_target<Colour, CapturesOnly>(s, m, sq + 1);
            if (y == 2 && b[sq + 2] == 0) try_target<Colour, CapturesOnly>(s, m, sq + 2);
        }
        if (b[sq + 11] < 0) try_target<Colour, CapturesOnly>(s, m, sq + 11);
        if (b[sq - 9] < 0) try_target<Colour, CapturesOnly>(s, m, sq - 9);
        if (y == 5) {
            const int16_t flags = GameState::ep_flag_word[3];
            if (b[sq + 10] == -1 && b[10 * (x + 1) + 9] == GameState::ep_marker) {
                append_special<CapturesOnly>(s, sq * 100 + sq + 11, flags);
            }
            if (b[sq - 10] == -1 && b[10 * (x - 1) + 9] == GameState::ep_marker) {
                append_special<CapturesOnly>(s, sq * 100 + sq - 9, flags);
            }
        }
    }
}

// The king's eight steps, then the four castling tests for the square it
// stands on. The kings are generated last, so these tests see the attack
// records of every other piece.
template <int Colour, bool CapturesOnly>
[[gnu::always_inline]] inline void king_moves(Pass& s, const Mover& m) {
    const int sq = m.origin;
    try_target<Colour, CapturesOnly>(s, m, sq - 1);
    try_target<Colour, CapturesOnly>(s, m, sq + 1);
    try_target<Colour, CapturesOnly>(s, m, sq + 10);
    try_target<Colour, CapturesOnly>(s, m, sq - 10);
    try_target<Colour, CapturesOnly>(s, m, sq + 9);
    try_target<Colour, CapturesOnly>(s, m, sq + 11);
    try_target<Colour, CapturesOnly>(s, m, sq - 11);
    try_target<Colour, CapturesOnly>(s, m, sq - 9);

    const unsigned allowed = castlings(s.board, s.castle_moved, s.white_king_moved,
                                       s.black_king_moved, s.records.castle_attacked, sq);
    each_castling(allowed,
                  [&](int code, int flags) { append_special<CapturesOnly>(s, code, flags); });
}

template <int Colour, bool CapturesOnly>
[[gnu::always_inline]] inline void colour_piece_moves(Pass& s, int sq, int x, int y, int p) {
    const Mover m = mover_at(sq, x, y, p);
    switch (Colour < 0 ? -p : p) {
        case pawn:
            pawn_moves<Colour, CapturesOnly>(s, m);
            break;
        case knight:
            knight_moves<Colour, CapturesOnly>(s, m);
            break;
        case bishop:
            bishop_moves<Colour, CapturesOnly>(s, m);
            break;
        case rook:
            rook_moves<Colour, CapturesOnly>(s, m);
            break;
        case queen:
            bishop_moves<Colour, CapturesOnly>(s, m);
            rook_moves<Colour, CapturesOnly>(s, m);
            break;
        case king:
            king_moves<Colour, CapturesOnly>(s, m);
            break;
        default:
            break;
    }
}

}  // namespace

// File by file, each file from rank 8 down to rank 1; the kings wait. A
// colour without a king gets no king moves; of two kings of one colour only
// the last one found is handled.
template <bool CapturesOnly>
void run_mailbox_pass(Pass& pass) {
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
            colour_piece_moves<-1, CapturesOnly>(s, sq, x, y, p);
        } else {
            colour_piece_moves<1, CapturesOnly>(s, sq, x, y, p);
        }
    }
    if (s.white_king_sq != 0) {
        const int sq = s.white_king_sq;
        colour_piece_moves<-1, CapturesOnly>(s, sq, sq / 10, sq % 10, -king);
    }
    if (s.black_king_sq != 0) {
        const int sq = s.black_king_sq;
        colour_piece_moves<1, CapturesOnly>(s, sq, sq / 10, sq % 10, king);
    }
    pass = s;
}

template void run_mailbox_pass<false>(Pass& s);
template void run_mailbox_pass<true>(Pass& s);

}  // namespace chess::passes
