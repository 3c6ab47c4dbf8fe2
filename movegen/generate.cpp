#include "movegen/generate.h"

#include "model/board.h"

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
};

// Appends an en passant or castling entry: no per-colour count, no move to
// the front, no attack record. A full list drops it.
inline void append_special(Pass& s, int code, int flags) {
    if (s.count >= max_list_rows) return;
    ++s.count;
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
// ends a sliding piece's ray when it is not 0.
template <int Colour>
[[gnu::always_inline]] inline int16_t try_target(Pass& s, const Mover& m, int target) {
    const int16_t c = s.board[target];
    if (static_cast<unsigned>(c + 6) > 12u) return c;  // border, marker or scratch code
    int kind;
    if (Colour < 0) {
        if (c < 0) return c;  // own piece
        kind = c == 0 ? kind_white_quiet : kind_white_capture;
    } else {
        if (c > 0) return c;
        kind = c == 0 ? kind_black_quiet : kind_black_capture;
    }
    if (s.count >= max_list_rows) return c;  // a full list drops the move
    ++s.count;
    if (Colour < 0) {
        ++s.white_count;
    } else {
        ++s.black_count;
    }
    const int captured = c < 0 ? -c : c;
    const int16_t flags = static_cast<int16_t>(m.flags_base + captured * 10 + kind);
    const int16_t code = static_cast<int16_t>(m.code_base + target);

    // Attack records: king captures, and quiet moves onto castling paths.
    if (c == 0) {
        if (Colour < 0) {
            const int flag = white_quiet_path.flag[target];
            if (flag != 0 && s.black_king_moved != 1) s.castle_attacked[flag] = 1;
        } else {
            const int flag = black_quiet_path.flag[target];
            if (flag != 0 && s.white_king_moved != 1) s.castle_attacked[flag] = 1;
        }
    } else if (c == -Colour * king) {
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

    int16_t* row = s.rows + s.count * move_list_columns;
    if (c == 0) {
        row[0] = code;
        row[1] = flags;
        return c;
    }
    // Keep every capture at the front of the list, in the order found: the
    // row at the front moves to the end.
    ++s.captures;
    int16_t* front = s.rows + s.captures * move_list_columns;
    row[0] = front[0];
    row[1] = front[1];
    front[0] = code;
    front[1] = flags;
    return c;
}

template <int Colour>
inline void slide(Pass& s, const Mover& m, int direction) {
    int t = m.origin;
    do {
        t += direction;
    } while (try_target<Colour>(s, m, t) == 0);
}

template <int Colour>
void bishop_moves(Pass& s, const Mover& m) {
    slide<Colour>(s, m, 9);
    slide<Colour>(s, m, 11);
    slide<Colour>(s, m, -11);
    slide<Colour>(s, m, -9);
}

template <int Colour>
void rook_moves(Pass& s, const Mover& m) {
    slide<Colour>(s, m, -1);
    slide<Colour>(s, m, 1);
    slide<Colour>(s, m, 10);
    slide<Colour>(s, m, -10);
}

// Two cells straight, both on the board, then one step to either side of the
// second cell; so no jump ever looks beyond the one-cell border.
template <int Colour>
void knight_moves(Pass& s, const Mover& m) {
    const int16_t* b = s.board;
    const int sq = m.origin;
    if (b[sq - 1] < GameState::border_value && b[sq - 2] < GameState::border_value) {
        try_target<Colour>(s, m, sq + 8);
        try_target<Colour>(s, m, sq - 12);
    }
    if (b[sq + 10] < GameState::border_value && b[sq + 20] < GameState::border_value) {
        try_target<Colour>(s, m, sq + 19);
        try_target<Colour>(s, m, sq + 21);
    }
    if (b[sq + 1] < GameState::border_value && b[sq + 2] < GameState::border_value) {
        try_target<Colour>(s, m, sq + 12);
        try_target<Colour>(s, m, sq - 8);
    }
    if (b[sq - 10] < GameState::border_value && b[sq - 20] < GameState::border_value) {
        try_target<Colour>(s, m, sq - 21);
        try_target<Colour>(s, m, sq - 19);
    }
}

// A pawn's steps, its captures (only onto an enemy piece: a border cell has
// sign +1 and passes White's sign test, and try_target refuses it) and its en
// passant captures, which need the marker on the captured pawn's file.
template <int Colour>
void pawn_moves(Pass& s, const Mover& m) {
    const int16_t* b = s.board;
    const int sq = m.origin;
    const int x = m.x;
    const int y = m.y;
    if (Colour < 0) {
        if (b[sq - 1] == 0) {
            try_target<Colour>(s, m, sq - 1);
            if (y == 7 && b[sq - 2] == 0) try_target<Colour>(s, m, sq - 2);
        }
        if (b[sq + 9] > 0) try_target<Colour>(s, m, sq + 9);
        if (b[sq - 11] > 0) try_target<Colour>(s, m, sq - 11);
        if (y == 4) {
            const int16_t flags = GameState::ep_flag_word[1];
            if (b[sq + 10] == 1 && b[10 * (x + 1)] == GameState::ep_marker) {
                append_special(s, sq * 100 + sq + 9, flags);
            }
            if (b[sq - 10] == 1 && b[10 * (x - 1)] == GameState::ep_marker) {
                append_special(s, sq * 100 + sq - 11, flags);
            }
        }
    } else {
        if (b[sq + 1] == 0) {
            try_target<Colour>(s, m, sq + 1);
            if (y == 2 && b[sq + 2] == 0) try_target<Colour>(s, m, sq + 2);
        }
        if (b[sq + 11] < 0) try_target<Colour>(s, m, sq + 11);
        if (b[sq - 9] < 0) try_target<Colour>(s, m, sq - 9);
        if (y == 5) {
            const int16_t flags = GameState::ep_flag_word[3];
            if (b[sq + 10] == -1 && b[10 * (x + 1) + 9] == GameState::ep_marker) {
                append_special(s, sq * 100 + sq + 11, flags);
            }
            if (b[sq - 10] == -1 && b[10 * (x - 1) + 9] == GameState::ep_marker) {
                append_special(s, sq * 100 + sq - 9, flags);
            }
        }
    }
}

// The king's eight steps, then the four castling tests for the square it
// stands on. The kings are generated last, so these tests see the attack
// records of every other piece.
template <int Colour>
void king_moves(Pass& s, const GameState& g, const Mover& m) {
    const int sq = m.origin;
    try_target<Colour>(s, m, sq - 1);
    try_target<Colour>(s, m, sq + 1);
    try_target<Colour>(s, m, sq + 10);
    try_target<Colour>(s, m, sq - 10);
    try_target<Colour>(s, m, sq + 9);
    try_target<Colour>(s, m, sq + 11);
    try_target<Colour>(s, m, sq - 11);
    try_target<Colour>(s, m, sq - 9);

    const int16_t* b = s.board;
    const int16_t* moved = g.castle_moved;
    const int* attacked = s.castle_attacked;
    if (sq == sq_e1) {
        const int white_king = moved[1] + g.white_king_moved;
        if (static_cast<int16_t>(white_king + moved[2] + attacked[1] + attacked[2]) == 0 &&
            b[sq_f1] == 0 && b[sq_g1] == 0 && b[sq_h1] == -rook) {
            append_special(s, white_king_side_castle, white_king_side_flags);
        }
        if (static_cast<int16_t>(white_king + moved[3] + attacked[1] + attacked[3]) == 0 &&
            b[sq_d1] == 0 && b[sq_c1] == 0 && b[sq_b1] == 0 && b[sq_a1] == -rook) {
            append_special(s, white_queen_side_castle, white_queen_side_flags);
        }
    }
    if (sq == sq_e8) {
        const int black_king = moved[4] + g.black_king_moved;
        if (static_cast<int16_t>(black_king + moved[5] + attacked[4] + attacked[5]) == 0 &&
            b[sq_f8] == 0 && b[sq_g8] == 0 && b[sq_h8] == rook) {
            append_special(s, black_king_side_castle, black_king_side_flags);
        }
        if (static_cast<int16_t>(black_king + moved[6] + attacked[4] + attacked[6]) == 0 &&
            b[sq_d8] == 0 && b[sq_c8] == 0 && b[sq_b8] == 0 && b[sq_a8] == rook) {
            append_special(s, black_queen_side_castle, black_queen_side_flags);
        }
    }
}

template <int Colour>
inline void colour_piece_moves(Pass& s, const GameState& g, int sq, int x, int y, int p) {
    const Mover m = mover_at(sq, x, y, p);
    switch (Colour < 0 ? -p : p) {
        case pawn:
            pawn_moves<Colour>(s, m);
            break;
        case knight:
            knight_moves<Colour>(s, m);
            break;
        case bishop:
            bishop_moves<Colour>(s, m);
            break;
        case rook:
            rook_moves<Colour>(s, m);
            break;
        case queen:
            bishop_moves<Colour>(s, m);
            rook_moves<Colour>(s, m);
            break;
        case king:
            king_moves<Colour>(s, g, m);
            break;
        default:
            break;
    }
}

// Dispatch on the piece standing on `sq`; an empty square or anything that is
// not a piece produces nothing.
inline void generate_piece_moves(Pass& s, const GameState& g, int sq, int x, int y) {
    const int p = s.board[sq];
    if (p < 0) {
        colour_piece_moves<-1>(s, g, sq, x, y, p);
    } else if (p > 0) {
        colour_piece_moves<1>(s, g, sq, x, y, p);
    }
}

}  // namespace

void generate_moves(GameState& g) {
    const int ply = g.ply;
    Pass s{g.board, &g.move_list[0][GameState::ply_base[ply] + 1], g.white_king_moved,
           g.black_king_moved};
    g.board[1] = GameState::border_value;
    g.board[9] = GameState::border_value;

    // File by file, each file from rank 8 down to rank 1; the kings wait.
    bool white_king_found = false;
    bool black_king_found = false;
    for (int x = 1; x <= 8; ++x) {
        for (int y = 1; y <= 8; ++y) {
            const int sq = x * 10 + y;
            const int16_t p = g.board[sq];
            if (p == 0) continue;
            if (p == -king) {
                g.white_king_sq = static_cast<int16_t>(sq);
                white_king_found = true;
            } else if (p == king) {
                g.black_king_sq = static_cast<int16_t>(sq);
                black_king_found = true;
            } else {
                generate_piece_moves(s, g, sq, x, y);
            }
        }
    }
    // A colour without a king gets no king moves; of two kings of one colour
    // only the last one found is handled.
    if (white_king_found) {
        generate_piece_moves(s, g, g.white_king_sq, g.white_king_sq / 10, g.white_king_sq % 10);
    }
    if (black_king_found) {
        generate_piece_moves(s, g, g.black_king_sq, g.black_king_sq / 10, g.black_king_sq % 10);
    }

    for (int i = 1; i <= 6; ++i) g.castle_attacked[i] = static_cast<int16_t>(s.castle_attacked[i]);
    g.move_count[ply] = static_cast<int16_t>(s.count);
    g.white_move_count[ply] = static_cast<int16_t>(s.white_count);
    g.black_move_count[ply] = static_cast<int16_t>(s.black_count);
    g.capture_count[ply] = static_cast<int16_t>(s.captures);
    g.white_king_attack[ply] = static_cast<int16_t>(s.white_king_attack);
    g.black_king_attack[ply] = static_cast<int16_t>(s.black_king_attack);
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
