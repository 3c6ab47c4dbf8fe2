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

namespace {

// A king or a rook leaving its home square ends that castling right (the
// first matching test applies).
inline void note_castling_rights(GameState& g, int16_t p, int from) {
    if (p == -king) {
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
}

}  // namespace

void make_move(GameState& g) {
    ++g.node_count;
    g.in_check = 0;
    const int16_t* cells = &g.move_list[g.move_index][GameState::ply_base[g.ply] + 1];
    const int16_t m = cells[0];
    const int16_t f = cells[1];
    g.move_code = m;
    const int from = move_from(m);
    const int to = move_to(m);
    const int16_t p = g.board[from];
    const int16_t colour = sign_of(p);

    clear_ep_markers(g);

    // The digits the special moves need are taken where they are tested.
    const int kind = code_digit_4(f);
    const int to_row = square_y(to);
    g.last_to_row = static_cast<int16_t>(to_row);

    int16_t* b = g.board;
    set_square(g, to, b[from]);
    set_square(g, from, 0);

    // By the kind digit: castling's rook, en passant's captured pawn, the
    // marker of a pawn's double step and promotion to a queen. Any other
    // move, and a move of these kinds that is none of them, may end a
    // castling right.
    switch (kind) {
        case kind_king_side_castle:
        case kind_queen_side_castle: {
            // Castling flag words always carry side 1 or 2; anything else is
            // treated as White's rather than indexing past the side tables.
            const int side = code_digit_1(f) == 2 ? 2 : 1;
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
            break;
        }
        case kind_en_passant:
            if (square_y(from) == 4) {
                set_square(g, to + 1, 0);
            } else if (square_y(from) == 5) {
                set_square(g, to - 1, 0);
            } else {
                note_castling_rights(g, p, from);
            }
            break;
        case kind_black_quiet:
            if (to_row == 4 && square_y(from) == 2 && b[to] == pawn) {
                b[10 * code_digit_1(m)] = GameState::ep_marker;
            } else if (to_row == 8 && b[to] == pawn) {
                set_square(g, to, queen);
            } else {
                note_castling_rights(g, p, from);
            }
            break;
        case kind_white_quiet:
            if (to_row == 5 && square_y(from) == 7 && b[to] == -pawn) {
                b[10 * code_digit_1(m) + 9] = GameState::ep_marker;
            } else if (to_row == 1 && b[to] == -pawn) {
                set_square(g, to, -queen);
            } else {
                note_castling_rights(g, p, from);
            }
            break;
        case kind_black_capture:
            if (to_row == 8 && b[to] == pawn) {
                set_square(g, to, queen);
            } else {
                note_castling_rights(g, p, from);
            }
            break;
        case kind_white_capture:
            if (to_row == 1 && b[to] == -pawn) {
                set_square(g, to, -queen);
            } else {
                note_castling_rights(g, p, from);
            }
            break;
        default:
            note_castling_rights(g, p, from);
            break;
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
    const CodeDigits flag = code_digits(f);
    const int side = flag.d1;
    const int16_t moved = static_cast<int16_t>(flag.d2);
    const int16_t captured = static_cast<int16_t>(flag.d3);
    int16_t* b = g.board;

    switch (flag.d4) {
        case kind_white_quiet:
            set_square(g, from, static_cast<int16_t>(-moved));
            set_square(g, to, static_cast<int16_t>(-captured));
            if (moved == pawn && square_y(from) == 7 && square_y(to) == 5) {
                b[10 * code_digit_1(m) + 9] = GameState::border_value;
            }
            break;
        case kind_white_capture:
            set_square(g, from, static_cast<int16_t>(-moved));
            set_square(g, to, captured);
            break;
        case kind_black_quiet:
            set_square(g, from, moved);
            set_square(g, to, captured);
            if (moved == pawn && square_y(from) == 2 && square_y(to) == 4) {
                b[10 * code_digit_1(m)] = GameState::border_value;
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
                b[10 * code_digit_3(m)] = GameState::ep_marker;
            } else if (side == 2) {
                set_square(g, from, pawn);
                set_square(g, to - 1, -pawn);
                set_square(g, to, 0);
                b[10 * code_digit_3(m) + 9] = GameState::ep_marker;
            }
            break;
        default:
            break;
    }
}

void keep_square_sets(GameState& g) {
    g.square_sets_ready = 0;
    for (uint64_t& set : g.square_sets) set = 0;
    for (int x = 1; x <= 8; ++x) {
        for (int y = 1; y <= 8; ++y) {
            const int16_t v = g.board[x * 10 + y];
            if (v < -king || v > king) return;  // not a board of piece codes
            g.square_sets[v + 6] |= square_bit.of[x * 10 + y];
        }
    }
    g.square_sets_ready = 1;
}

void drop_square_sets(GameState& g) { g.square_sets_ready = 0; }

void save_castle_state(Position& g) {
    for (int i = 1; i <= 6; ++i) {
        g.saved_castle_moved[i] = g.castle_moved[i];
        g.saved_castle_attacked[i] = g.castle_attacked[i];
    }
    g.saved_white_king_moved = g.white_king_moved;
    g.saved_black_king_moved = g.black_king_moved;
}

void restore_castle_state(Position& g) {
    for (int i = 1; i <= 6; ++i) {
        g.castle_moved[i] = g.saved_castle_moved[i];
        g.castle_attacked[i] = g.saved_castle_attacked[i];
    }
    g.white_king_moved = g.saved_white_king_moved;
    g.black_king_moved = g.saved_black_king_moved;
}

}  // namespace chess
