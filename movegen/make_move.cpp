#include "movegen/make_move.h"

#include "model/board.h"
#include "movegen/generate.h"

namespace chess {

void clear_ep_markers(GameState& g) {
    for (int x = 1; x <= 8; ++x) {
        g.board[10 * x] = GameState::border_value;
        g.board[10 * x + 9] = GameState::border_value;
    }
}

void make_move(GameState& g) {
    ++g.node_count;
    g.in_check = 0;
    const int16_t* row = g.move_list[g.move_index];
    const int base = GameState::ply_base[g.ply];
    const int16_t m = row[base + 1];
    g.move_code = m;
    const int from = move_from(m);
    const int16_t p = g.board[from];
    const int16_t colour = sign_of(p);

    clear_ep_markers(g);

    const int16_t f = row[base + 2];
    int side = code_digit_1(f);
    const int kind = code_digit_4(f);
    const int to = move_to(m);
    const int from_file = code_digit_1(m);
    const int from_row = code_digit_2(m);
    const int to_row = code_digit_4(m);
    g.last_to_row = static_cast<int16_t>(to_row);

    int16_t* b = g.board;
    set_square(g, to, b[from]);
    set_square(g, from, 0);

    // Only the first matching case applies.
    if (kind == kind_king_side_castle || kind == kind_queen_side_castle) {
        // Castling flag words always carry side 1 or 2; anything else is
        // treated as White's rather than indexing past the side tables.
        if (side != 2) side = 1;
        const int home = GameState::home_y[side];
        const int16_t castling_rook = static_cast<int16_t>(GameState::side_sign[side] * rook);
        if (kind == kind_king_side_castle) {
            set_square(g, home + 60, castling_rook);
            set_square(g, home + 80, 0);
        } else {
            set_square(g, home + 40, castling_rook);
            set_square(g, home + 10, 0);
        }
        g.castle_moved[side == 1 ? 1 : 4] = 1;
    } else if (kind == kind_en_passant && from_row == 4) {
        set_square(g, to + 1, 0);
    } else if (kind == kind_en_passant && from_row == 5) {
        set_square(g, to - 1, 0);
    } else if (kind == kind_black_quiet && from_row == 2 && to_row == 4 && b[to] == pawn) {
        b[10 * from_file] = GameState::ep_marker;
    } else if (kind == kind_white_quiet && from_row == 7 && to_row == 5 && b[to] == -pawn) {
        b[10 * from_file + 9] = GameState::ep_marker;
    } else if (kind == kind_black_quiet && to_row == 8 && b[to] == pawn) {
        set_square(g, to, queen);
    } else if (kind == kind_white_quiet && to_row == 1 && b[to] == -pawn) {
        set_square(g, to, -queen);
    } else if (kind == kind_black_capture && to_row == 8 && b[to] == pawn) {
        set_square(g, to, queen);
    } else if (kind == kind_white_capture && to_row == 1 && b[to] == -pawn) {
        set_square(g, to, -queen);
    } else if (p == -king) {
        g.castle_moved[1] = 1;
    } else if (from == sq_h1) {
        g.castle_moved[2] = 1;
    } else if (from == sq_a1) {
        g.castle_moved[3] = 1;
    } else if (p == king) {
        g.castle_moved[4] = 1;
    } else if (from == sq_h8) {
        g.castle_moved[5] = 1;
    } else if (from == sq_a8) {
        g.castle_moved[6] = 1;
    }

    g.last_move = m;
    g.last_flags = f;

    // The replies: refuse the move when one of them captures the mover's king.
    ++g.ply;
    generate_moves(g);
    if ((colour == GameState::white_side && g.white_king_attack[g.ply] != 0) ||
        (colour == GameState::black_side && g.black_king_attack[g.ply] != 0)) {
        take_back(g);
        g.in_check = 1;
    }
    --g.ply;
}

void take_back(GameState& g) {
    const int16_t m = g.last_move;
    const int16_t f = g.last_flags;
    const int from = move_from(m);
    const int to = move_to(m);
    const int from_file = code_digit_1(m);
    const int from_row = code_digit_2(m);
    const int to_file = code_digit_3(m);
    const int to_row = code_digit_4(m);
    const int side = code_digit_1(f);
    const int16_t moved = code_digit_2(f);
    const int16_t captured = code_digit_3(f);
    int16_t* b = g.board;

    switch (code_digit_4(f)) {
        case kind_white_quiet:
            set_square(g, from, static_cast<int16_t>(-moved));
            set_square(g, to, static_cast<int16_t>(-captured));
            if (moved == pawn && from_row == 7 && to_row == 5) {
                b[10 * from_file + 9] = GameState::border_value;
            }
            break;
        case kind_white_capture:
            set_square(g, from, static_cast<int16_t>(-moved));
            set_square(g, to, captured);
            break;
        case kind_black_quiet:
            set_square(g, from, moved);
            set_square(g, to, captured);
            if (moved == pawn && from_row == 2 && to_row == 4) {
                b[10 * from_file] = GameState::border_value;
            }
            break;
        case kind_black_capture:
            set_square(g, from, moved);
            set_square(g, to, static_cast<int16_t>(-captured));
            break;
        case kind_king_side_castle:
            if (side == 1) {
                set_square(g, sq_h1, -rook);
                set_square(g, sq_f1, 0);
                set_square(g, sq_g1, 0);
                set_square(g, sq_e1, -king);
                g.castle_moved[1] = 0;
            } else if (side == 2) {
                set_square(g, sq_h8, rook);
                set_square(g, sq_f8, 0);
                set_square(g, sq_g8, 0);
                set_square(g, sq_e8, king);
                g.castle_moved[4] = 0;
            }
            break;
        case kind_queen_side_castle:
            if (side == 1) {
                set_square(g, sq_a1, -rook);
                set_square(g, sq_c1, 0);
                set_square(g, sq_d1, 0);
                set_square(g, sq_e1, -king);
                g.castle_moved[1] = 0;
            } else if (side == 2) {
                set_square(g, sq_a8, rook);
                set_square(g, sq_c8, 0);
                set_square(g, sq_d8, 0);
                set_square(g, sq_e8, king);
                g.castle_moved[4] = 0;
            }
            break;
        case kind_en_passant:
            if (side == 1) {
                set_square(g, from, -pawn);
                set_square(g, to + 1, pawn);
                set_square(g, to, 0);
                b[10 * to_file] = GameState::ep_marker;
            } else if (side == 2) {
                set_square(g, from, pawn);
                set_square(g, to - 1, -pawn);
                set_square(g, to, 0);
                b[10 * to_file + 9] = GameState::ep_marker;
            }
            break;
        default:
            break;
    }
}

void save_castle_state(GameState& g) {
    for (int i = 1; i <= 6; ++i) {
        g.saved_castle_moved[i] = g.castle_moved[i];
        g.saved_castle_attacked[i] = g.castle_attacked[i];
    }
    g.saved_white_king_moved = g.white_king_moved;
    g.saved_black_king_moved = g.black_king_moved;
}

void restore_castle_state(GameState& g) {
    for (int i = 1; i <= 6; ++i) {
        g.castle_moved[i] = g.saved_castle_moved[i];
        g.castle_attacked[i] = g.saved_castle_attacked[i];
    }
    g.white_king_moved = g.saved_white_king_moved;
    g.black_king_moved = g.saved_black_king_moved;
}

}  // namespace chess
