#include "movegen/generate.h"

#include "model/board.h"

namespace chess {

namespace {

// The state of one generation pass. The pass works on locals and writes the
// per-ply counters back at its end; the board, the list columns of the ply
// and the attack records are written in place.
struct Pass {
    int16_t* __restrict board;
    int16_t (*__restrict rows)[move_list_columns];  // g.move_list
    int code_column;                                // ply_base(ply) + 1
    int flag_column;                                // ply_base(ply) + 2
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
    s.rows[s.count][s.code_column] = static_cast<int16_t>(code);
    s.rows[s.count][s.flag_column] = static_cast<int16_t>(flags);
}

// Tries the move origin -> target of piece p. Returns the content of the
// target cell, which ends a sliding piece's ray when it is not 0.
inline int16_t try_target(Pass& s, int origin, int target, int p) {
    const int16_t c = s.board[target];
    if (c > 6 || c < -6) return c;  // border, marker or scratch code
    const int kind = move_kind(p, c);
    if (kind == 1 || kind == 7) return c;    // own piece
    if (s.count >= max_list_rows) return c;  // a full list drops the move
    ++s.count;
    int side;
    if (p < 0) {
        ++s.white_count;
        side = 1;
    } else {
        ++s.black_count;
        side = 2;
    }
    const int16_t flags = make_flag_word(side, p, c, kind);
    const int16_t code = make_move_code(origin, target);

    // Attack records: king captures, and quiet moves onto castling paths.
    if (kind == kind_white_capture && c == king) {
        s.board[1] = code;
        s.black_king_attack = code;
        s.castle_attacked[4] = 1;
    } else if (kind == kind_black_capture && c == -king) {
        s.board[9] = code;
        s.white_king_attack = code;
        s.castle_attacked[1] = 1;
    } else if (kind == kind_black_quiet) {
        if (s.white_king_moved != 1) {
            if (target == sq_g1 || target == sq_f1) s.castle_attacked[2] = 1;
            if (target == sq_c1 || target == sq_d1) s.castle_attacked[3] = 1;
        }
    } else if (kind == kind_white_quiet) {
        if (s.black_king_moved != 1) {
            if (target == sq_g8 || target == sq_f8) s.castle_attacked[5] = 1;
            if (target == sq_c8 || target == sq_d8) s.castle_attacked[6] = 1;
        }
    }

    int16_t* row = s.rows[s.count];
    row[s.code_column] = code;
    row[s.flag_column] = flags;
    if (kind == kind_white_capture || kind == kind_black_capture) {
        // Keep every capture at the front of the list, in the order found.
        ++s.captures;
        int16_t* front = s.rows[s.captures];
        const int16_t front_code = front[s.code_column];
        const int16_t front_flags = front[s.flag_column];
        front[s.code_column] = code;
        front[s.flag_column] = flags;
        row[s.code_column] = front_code;
        row[s.flag_column] = front_flags;
    }
    return c;
}

inline void slide(Pass& s, int origin, int p, int direction) {
    int t = origin;
    do {
        t += direction;
    } while (try_target(s, origin, t, p) == 0);
}

void bishop_moves(Pass& s, int sq, int p) {
    slide(s, sq, p, 9);
    slide(s, sq, p, 11);
    slide(s, sq, p, -11);
    slide(s, sq, p, -9);
}

void rook_moves(Pass& s, int sq, int p) {
    slide(s, sq, p, -1);
    slide(s, sq, p, 1);
    slide(s, sq, p, 10);
    slide(s, sq, p, -10);
}

// Two cells straight, both on the board, then one step to either side of the
// second cell; so no jump ever looks beyond the one-cell border.
void knight_moves(Pass& s, int sq, int p) {
    const int16_t* b = s.board;
    if (b[sq - 1] < GameState::border_value && b[sq - 2] < GameState::border_value) {
        try_target(s, sq, sq + 8, p);
        try_target(s, sq, sq - 12, p);
    }
    if (b[sq + 10] < GameState::border_value && b[sq + 20] < GameState::border_value) {
        try_target(s, sq, sq + 19, p);
        try_target(s, sq, sq + 21, p);
    }
    if (b[sq + 1] < GameState::border_value && b[sq + 2] < GameState::border_value) {
        try_target(s, sq, sq + 12, p);
        try_target(s, sq, sq - 8, p);
    }
    if (b[sq - 10] < GameState::border_value && b[sq - 20] < GameState::border_value) {
        try_target(s, sq, sq - 21, p);
        try_target(s, sq, sq - 19, p);
    }
}

void pawn_moves(Pass& s, int sq, int p) {
    const int16_t* b = s.board;
    const int x = square_x(sq);
    const int y = square_y(sq);
    if (p < 0) {
        if (b[sq - 1] == 0) {
            try_target(s, sq, sq - 1, p);
            if (y == 7 && b[sq - 2] == 0) try_target(s, sq, sq - 2, p);
        }
        if (sign_of(b[sq + 9]) == 1) try_target(s, sq, sq + 9, p);
        if (sign_of(b[sq - 11]) == 1) try_target(s, sq, sq - 11, p);
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
            try_target(s, sq, sq + 1, p);
            if (y == 2 && b[sq + 2] == 0) try_target(s, sq, sq + 2, p);
        }
        if (sign_of(b[sq + 11]) == -1) try_target(s, sq, sq + 11, p);
        if (sign_of(b[sq - 9]) == -1) try_target(s, sq, sq - 9, p);
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
void king_moves(Pass& s, const GameState& g, int sq, int p) {
    try_target(s, sq, sq - 1, p);
    try_target(s, sq, sq + 1, p);
    try_target(s, sq, sq + 10, p);
    try_target(s, sq, sq - 10, p);
    try_target(s, sq, sq + 9, p);
    try_target(s, sq, sq + 11, p);
    try_target(s, sq, sq - 11, p);
    try_target(s, sq, sq - 9, p);

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

inline void generate_piece_moves(Pass& s, const GameState& g, int sq) {
    const int p = s.board[sq];
    switch (p < 0 ? -p : p) {
        case pawn:
            pawn_moves(s, sq, p);
            break;
        case knight:
            knight_moves(s, sq, p);
            break;
        case bishop:
            bishop_moves(s, sq, p);
            break;
        case rook:
            rook_moves(s, sq, p);
            break;
        case queen:
            bishop_moves(s, sq, p);
            rook_moves(s, sq, p);
            break;
        case king:
            king_moves(s, g, sq, p);
            break;
        default:
            break;
    }
}

}  // namespace

void generate_moves(GameState& g) {
    const int ply = g.ply;
    Pass s{g.board,
           g.move_list,
           GameState::ply_base[ply] + 1,
           GameState::ply_base[ply] + 2,
           g.white_king_moved,
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
                generate_piece_moves(s, g, sq);
            }
        }
    }
    // A colour without a king gets no king moves; of two kings of one colour
    // only the last one found is handled.
    if (white_king_found) generate_piece_moves(s, g, g.white_king_sq);
    if (black_king_found) generate_piece_moves(s, g, g.black_king_sq);

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
