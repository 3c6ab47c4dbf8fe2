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

// The digits of the flag words of generated moves (side, piece, captured,
// kind), looked up rather than divided out: make and take back read them at
// every node. Any other word gets code_digits.
inline constexpr int flag_table_size = 3000;
struct FlagDigits {
    uint8_t side, moved, captured, kind;
};
inline constexpr auto flag_table = [] {
    struct Table {
        FlagDigits of[flag_table_size] = {};
    } t;
    for (int f = 0; f < flag_table_size; ++f) {
        t.of[f] = {static_cast<uint8_t>(f / 1000), static_cast<uint8_t>(f / 100 % 10),
                   static_cast<uint8_t>(f / 10 % 10), static_cast<uint8_t>(f % 10)};
    }
    return t;
}();
inline CodeDigits flag_digits(int16_t f) {
    if (static_cast<uint16_t>(f) < flag_table_size) {
        const FlagDigits d = flag_table.of[f];
        return {d.side, d.moved, d.captured, d.kind};
    }
    return code_digits(f);
}

// The row (Y) of each cell of the 10x10 board array, looked up rather than
// divided out; row_of gives square_y for any other value.
inline constexpr auto cell_row = [] {
    struct Table {
        uint8_t of[100] = {};
    } t;
    for (int cell = 0; cell < 100; ++cell) t.of[cell] = static_cast<uint8_t>(cell % 10);
    return t;
}();
inline int row_of(int cell) {
    return static_cast<unsigned>(cell) < 100u ? cell_row.of[cell] : square_y(cell);
}

// The castling right a rook leaving each corner ends (the index into
// `castle_moved`), 0 for every other square.
inline constexpr auto rook_corner = [] {
    struct Table {
        uint8_t of[100] = {};
    } t;
    t.of[sq_h1] = 2;
    t.of[sq_a1] = 3;
    t.of[sq_h8] = 5;
    t.of[sq_a8] = 6;
    return t;
}();

// A king or a rook leaving its home square ends that castling right (the
// first matching test applies: a king, White's first, before a corner of
// the other side). Most moves are neither and leave at the first test.
inline void note_castling_rights(GameState& g, int16_t p, int from) {
    const int corner = static_cast<unsigned>(from) < 100u ? rook_corner.of[from] : 0;
    if (corner == 0 && abs_of(p) != king) return;
    if (p == -king) {
        g.castle_moved[1] = 1;
    } else if (corner == 2 || corner == 3) {
        g.castle_moved[corner] = 1;
    } else if (p == king) {
        g.castle_moved[4] = 1;
    } else if (corner != 0) {
        g.castle_moved[corner] = 1;
    }
}

// True while a search keeps both the board terms and the square sets in
// step, as it does at every node: the two-square updates below then take
// one way with no further tests.
inline bool keeps_terms_and_sets(const GameState& g) {
    return (g.board_terms_ready != 0) & (g.square_sets_ready != 0);
}

// The board term of piece code `value` on `cell`.
inline int board_term(const GameState& g, int value, int cell) {
    return g.board_terms[value + std::ptrdiff_t{6}][static_cast<std::ptrdiff_t>(cell)];
}

// set_square(g, to, board[from]) then set_square(g, from, 0), exactly (also
// for one square given twice); the moved piece's square set changes at both
// squares at once.
inline void move_piece(GameState& g, int from, int to) {
    const int16_t p = g.board[from];
    if (!keeps_terms_and_sets(g)) [[unlikely]] {
        set_square(g, to, p);
        set_square(g, from, 0);
        return;
    }
    const int16_t target = g.board[to];
    g.board_terms_sum += board_term(g, p, to) - board_term(g, target, to) + board_term(g, 0, from) -
                         board_term(g, p, from);
    const uint64_t to_bit = square_bit.of[to];
    const uint64_t from_bit = square_bit.of[from];
    g.square_sets[target + 6] ^= to_bit;
    g.square_sets[p + 6] ^= to_bit ^ from_bit;
    g.square_sets[6] ^= from_bit;
    g.board[to] = p;
    g.board[from] = 0;
}

// set_square(g, from, on_from) then set_square(g, to, on_to), exactly.
inline void put_pair(GameState& g, int from, int16_t on_from, int to, int16_t on_to) {
    if (from == to || !keeps_terms_and_sets(g)) [[unlikely]] {
        set_square(g, from, on_from);
        set_square(g, to, on_to);
        return;
    }
    const int16_t was_from = g.board[from];
    const int16_t was_to = g.board[to];
    g.board_terms_sum += board_term(g, on_from, from) - board_term(g, was_from, from) +
                         board_term(g, on_to, to) - board_term(g, was_to, to);
    const uint64_t from_bit = square_bit.of[from];
    const uint64_t to_bit = square_bit.of[to];
    g.square_sets[was_from + 6] ^= from_bit;
    g.square_sets[on_from + 6] ^= from_bit;
    g.square_sets[was_to + 6] ^= to_bit;
    g.square_sets[on_to + 6] ^= to_bit;
    g.board[from] = on_from;
    g.board[to] = on_to;
}

// The rest of castling (the rook's jump) and en passant (the captured
// pawn); a move of these kinds that is neither may end a castling right.
// Kept out of line, as take_back_special is.
[[gnu::noinline]] void make_special(GameState& g, int16_t p, int from, int to,
                                    const CodeDigits& flag) {
    const int kind = flag.d4;
    switch (kind) {
        case kind_king_side_castle:
        case kind_queen_side_castle: {
            // Castling flag words always carry side 1 or 2; anything else is
            // treated as White's rather than indexing past the side tables.
            const int side = flag.d1 == 2 ? 2 : 1;
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
        default:
            break;
    }
}

}  // namespace

void make_move(GameState& g) {
    make_move_at(g, &g.move_list[g.move_index][GameState::ply_base[g.ply] + 1]);
}

void make_move_at(GameState& g, const int16_t* cells) {
    ++g.node_count;
    g.in_check = 0;
    const int16_t m = cells[0];
    const int16_t f = cells[1];
    g.move_code = m;
    const int from = move_from(m);
    const int to = move_to(m);
    const int16_t p = g.board[from];
    const int16_t colour = sign_of(p);

    clear_ep_markers(g);

    const CodeDigits flag = flag_digits(f);
    const int kind = flag.d4;
    const int to_row = row_of(to);
    g.last_to_row = static_cast<int16_t>(to_row);

    int16_t* b = g.board;
    move_piece(g, from, to);

    // By the kind digit: castling's rook, en passant's captured pawn, the
    // marker of a pawn's double step and promotion to a queen. Any other
    // move, and a move of these kinds that is none of them, may end a
    // castling right.
    switch (kind) {
        case kind_king_side_castle:
        case kind_queen_side_castle:
        case kind_en_passant:
            make_special(g, p, from, to, flag);
            break;
        case kind_black_quiet:
            if (to_row == 4 && row_of(from) == 2 && b[to] == pawn) {
                b[10 * code_digit_1(m)] = GameState::ep_marker;
            } else if (to_row == 8 && b[to] == pawn) {
                set_square(g, to, queen);
            } else {
                note_castling_rights(g, p, from);
            }
            break;
        case kind_white_quiet:
            if (to_row == 5 && row_of(from) == 7 && b[to] == -pawn) {
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

namespace {

// Takes back castling and en passant, the moves that change more than their
// two squares. Kept out of line: the usual moves' way through take_back then
// saves fewer registers.
[[gnu::noinline]] void take_back_special(GameState& g, int16_t m, const CodeDigits& flag) {
    const int from = move_from(m);
    const int to = move_to(m);
    const int side = flag.d1;
    int16_t* b = g.board;
    switch (flag.d4) {
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

}  // namespace

void take_back(GameState& g) {
    const int16_t m = g.last_move;
    const int16_t f = g.last_flags;
    const CodeDigits flag = flag_digits(f);
    const int from = move_from(m);
    const int to = move_to(m);
    const int16_t moved = static_cast<int16_t>(flag.d2);
    const int16_t captured = static_cast<int16_t>(flag.d3);
    int16_t* b = g.board;

    switch (flag.d4) {
        case kind_white_quiet:
            put_pair(g, from, static_cast<int16_t>(-moved), to, static_cast<int16_t>(-captured));
            if (moved == pawn && row_of(from) == 7 && row_of(to) == 5) {
                b[10 * code_digit_1(m) + 9] = GameState::border_value;
            }
            break;
        case kind_white_capture:
            put_pair(g, from, static_cast<int16_t>(-moved), to, captured);
            break;
        case kind_black_quiet:
            put_pair(g, from, moved, to, captured);
            if (moved == pawn && row_of(from) == 2 && row_of(to) == 4) {
                b[10 * code_digit_1(m)] = GameState::border_value;
            }
            break;
        case kind_black_capture:
            put_pair(g, from, moved, to, static_cast<int16_t>(-captured));
            break;
        default:
            take_back_special(g, m, flag);
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
