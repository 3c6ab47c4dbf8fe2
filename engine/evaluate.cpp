#include "engine/evaluate.h"

#include <array>
#include <bit>
#include <cstring>

#include "engine/thread_records.h"
#include "model/board.h"
#include "movegen/generate.h"
#include "movegen/make_move.h"
#include "movegen/occupancy.h"

namespace chess {

namespace {

// The value v stored in a 16-bit field: wraps around like every number of
// the game logic.
inline int16_t wrap16(long v) { return static_cast<int16_t>(v); }

// The nearest integer of a value computed in double precision, a value exactly
// halfway going to the even neighbour, stored with 16-bit wrap-around. Adding
// and taking away 2^52 rounds in the default rounding mode (to nearest, halves
// to even) like std::nearbyint, without a library call; every value met here
// is far below 2^52 in size.
inline int16_t nearest16(double v) {
    constexpr double shift = 4503599627370496.0;
    const double rounded = v >= 0.0 ? (v + shift) - shift : (v - shift) + shift;
    return wrap16(static_cast<long>(rounded));
}

// The nearest integer of a + v / D, halves to even, in integer arithmetic. For
// the small divisors below this is the same number as the double-precision
// sum rounded by nearest16: a half is exactly representable, and any other
// quotient lies at least 1 / (2 * D) from a half, far beyond the double's error.
template <int D>
inline int16_t add_ratio_exact(int a, int v) {
    const int n = a * D + v;
    int q = n / D;
    int r = n - q * D;
    if (r < 0) {
        --q;
        r += D;
    }
    if (2 * r > D || (2 * r == D && (q & 1) != 0)) ++q;
    return wrap16(q);
}

// nearest16(a + v / d): the divisors the program uses take the integer route.
inline int16_t add_ratio(int a, int v, int d) {
    switch (d) {
        case 4:
            return add_ratio_exact<4>(a, v);
        case 5:
            return add_ratio_exact<5>(a, v);
        case 6:
            return add_ratio_exact<6>(a, v);
        case 15:
            return add_ratio_exact<15>(a, v);
        case 50:
            return add_ratio_exact<50>(a, v);
        default:
            return nearest16(a + static_cast<double>(v) / d);
    }
}

inline int16_t value_of(int16_t code) { return GameState::piece_value[code + 7]; }

// Plays out captures on the square the evaluated move's row names in the
// list after it, alternating the capturing colour, and collects the values
// the capturing colour could take as a threat sum. The 64 squares are put
// back afterwards; the list of ply + 1 keeps whatever the last pass built.
void exchange_step(GameState& g) {
    int16_t* board = g.board;
    std::memcpy(&g.board_copy[11], &board[11], sizeof(int16_t) * 78);
    const int terms_sum = g.board_terms_sum;
    g.ply = wrap16(g.ply + 1);
    const int code_column = GameState::ply_base[g.ply] + 1;
    g.exchange_sign = g.node_sign;
    const int captures_first = g.capture_count[g.ply];
    const int capturing_first = g.exchange_sign * g.search_side;
    bool square_matters = false;
    for (int j = 1; j <= captures_first && !square_matters; ++j) {
        const unsigned flags = static_cast<uint16_t>(g.move_list[j][code_column + 1]);
        square_matters = GameState::side_sign[flags / 1000u] == capturing_first;
    }
    // The row with the evaluated move's own row number, whether or not it lies
    // within this list: a row beyond the list still holds an older entry. Its
    // square matters only when the capturing colour has a capture; and a
    // non-capture row of this very position names an empty square, onto which
    // no capture lands. In both cases the square is left as 0.
    if (!square_matters || row_is_unwritten_quiet(g, g.ply, g.current_row)) {
        g.exchange_square = 0;
    } else {
        g.exchange_square = move_to(list_code(g, g.ply, g.current_row));
        const int16_t* square_row = g.move_list[g.current_row];
        if (square_row[code_column + 1] == GameState::unwritten) {
            log_older_code(g, g.ply, g.current_row, square_row[code_column]);
        }
    }

    const int square = g.exchange_square;
    const int threat_divisor = g.threat_divisor;
    const int last_to_row = g.last_to_row;
    int threat_sum = g.threat_sum;
    int score = g.eval_score;
    int sign = g.exchange_sign;
    for (int pass = 1; pass <= 8; ++pass) {
        const int capturing = sign * g.search_side;
        bool captured = false;
        const int captures = g.capture_count[g.ply];
        const int16_t* row = &g.move_list[1][code_column];
        for (int j = 1; j <= captures; ++j, row += move_list_columns) {
            // Capture rows hold codes and flag words of generated moves, never
            // negative, so plain unsigned division takes their digits.
            const unsigned code = static_cast<uint16_t>(row[0]);
            const int from = static_cast<int>(code / 100u);
            const int to = static_cast<int>(code % 100u);
            const int colour =
                GameState::side_sign[static_cast<unsigned>(static_cast<uint16_t>(row[1])) / 1000u];
            if (colour == capturing) {
                threat_sum = add_ratio(threat_sum, value_of(board[to]), threat_divisor);
            }
            // A pawn that takes after a move to the last row counts as a queen.
            if (last_to_row == 8 && board[from] == 1) set_square(g, from, 5);
            if (last_to_row == 1 && board[from] == -1) set_square(g, from, -5);
            if (to == square && colour == capturing) {
                score = add_ratio(score, value_of(board[square]), g.exchange_divisor);
                set_square(g, square, board[from]);
                set_square(g, from, 0);
                captured = true;
                break;
            }
        }
        if (!captured) {
            score = add_ratio(score, threat_sum, threat_divisor);
            break;
        }
        sign = wrap16(-sign);
        g.exchange_sign = static_cast<int16_t>(sign);
        g.threat_sum = static_cast<int16_t>(threat_sum);
        g.eval_score = static_cast<int16_t>(score);
        generate_moves(g);
    }
    g.exchange_sign = static_cast<int16_t>(sign);
    g.threat_sum = static_cast<int16_t>(threat_sum);
    g.eval_score = static_cast<int16_t>(score);

    g.ply = wrap16(g.ply - 1);
    std::memcpy(&board[11], &g.board_copy[11], sizeof(int16_t) * 78);
    g.board_terms_sum = terms_sum;
}

// Queen or king moves at the root cost early in the game; castling gains.
void opening_terms(GameState& g) {
    const int flags = g.move_list[g.root_row][GameState::ply_base[1] + 2];
    if (code_digit_2(flags) > 4 && g.move_number < 5) {
        g.eval_score = wrap16(g.eval_score - g.search_side * 50);
    }
    if (code_digit_4(flags) > 7) g.eval_score = wrap16(g.eval_score + g.search_side * 30);
}

// The square tables by piece code 1..6: pawns, rooks and kings use their
// endgame tables in the endgame.
std::array<const int16_t*, 7> square_tables(const GameState& g) {
    const bool endgame = g.endgame == 1;
    return {nullptr,
            endgame ? g.pawn_end_table : g.pawn_table,
            g.knight_table,
            g.bishop_table,
            endgame ? g.rook_end_table : g.rook_table,
            g.queen_table,
            endgame ? g.king_end_table : g.king_table};
}

// Material, the ten tables (black reads them mirrored top to bottom), the
// lone-pawn term; records the kings and counts the bishops. The occupied
// squares are visited file by file, each from rank 8 down, and the sum is
// rounded where the late endgame quarters a rook's value.
void board_scan_in_order(GameState& g) {
    const int16_t* board = g.board;
    const int endgame = g.endgame;
    const int late = g.late_endgame;
    const std::array<const int16_t*, 7> table = square_tables(g);
    // The king's endgame value counts double in the late endgame.
    const int king_weight = endgame == 1 ? late + 1 : 1;
    // In the late endgame the rook's endgame value is quartered and the whole
    // sum rounded, halves to even, so it depends on the sum so far.
    const bool rook_rounded = endgame == 1 && late == 1;
    int score = g.eval_score;
    int pawn_tally = g.pawn_tally;
    int white_bishops = g.white_bishops;
    int black_bishops = g.black_bishops;
    int current_file = 0;
    // Pawns of either colour on the current file, counted when the first pawn
    // of the file is met.
    int file_pawns = -1;
    for (uint64_t set = occupied_squares(board); set != 0; set &= set - 1) {
        const int bit = std::countr_zero(set);
        const int x = (bit >> 3) + 1;
        const int y = (bit & 7) + 1;
        const int file = x * 10;
        if (x != current_file) {
            current_file = x;
            file_pawns = -1;
        }
        const int16_t p = board[file + y];
        const int s = sign_of(p);
        const int k = abs_of(p);
        const int row = s < 0 ? y : 9 - y;
        const int cell = file + row;
        score = wrap16(score + value_of(p));
        if (k == 1) {
            if (file_pawns < 0) {
                file_pawns = 0;
                for (int i = 1; i <= 8; ++i) file_pawns += abs_of(board[file + i]) == 1;
            }
            pawn_tally = wrap16(pawn_tally + file_pawns);
            // A pawn alone on its file: its row number, doubled in the endgame.
            if (file_pawns == 1) score += row * s * (endgame + 1);
            score = wrap16(score + table[1][cell] * s);
        } else if (k == 4 && rook_rounded) {
            score = add_ratio_exact<4>(score, s * table[4][cell]);
        } else if (k == 6) {
            if (s > 0) {
                g.black_king_x = static_cast<int16_t>(x);
                g.black_king_y = static_cast<int16_t>(y);
            } else {
                g.white_king_x = static_cast<int16_t>(x);
                g.white_king_y = static_cast<int16_t>(y);
            }
            score = wrap16(score + table[6][cell] * s * king_weight);
        } else {
            if (k == 3) {
                if (s < 0) {
                    ++white_bishops;
                } else {
                    ++black_bishops;
                }
            }
            score = wrap16(score + table[k][cell] * s);
        }
    }
    g.eval_score = static_cast<int16_t>(score);
    g.pawn_tally = static_cast<int16_t>(pawn_tally);
    g.white_bishops = static_cast<int16_t>(white_bishops);
    g.black_bishops = static_cast<int16_t>(black_bishops);
}

// Where no term is rounded (not the late endgame) every term is added with
// 16-bit wrap-around, so the order of the terms does not matter and a
// piece's material and table value can be one number.
bool terms_unrounded(const GameState& g) {
    const int king_weight = g.endgame == 1 ? g.late_endgame + 1 : 1;
    return !(g.endgame == 1 && g.late_endgame == 1) && king_weight == 1;
}

// The number of bits set in each byte.
constexpr auto make_bit_counts() {
    struct Counts {
        uint8_t n[256] = {};
        constexpr uint8_t operator[](unsigned i) const { return n[i]; }
    } c;
    for (int i = 1; i < 256; ++i) c.n[i] = static_cast<uint8_t>(c.n[i >> 1] + (i & 1));
    return c;
}
constexpr auto pawns_in_file = make_bit_counts();

// Each pawn adds the number of pawns on its file to the tally; a pawn alone
// on its file adds its row number, doubled in the endgame.
void pawn_files(GameState& g, uint64_t pawns, int& score) {
    const int16_t* board = g.board;
    int pawn_tally = g.pawn_tally;
    for (int x = 1; pawns != 0; ++x, pawns >>= 8) {
        const unsigned file = static_cast<unsigned>(pawns & 0xffu);
        if (file == 0) continue;
        const int n = pawns_in_file[file];
        pawn_tally += n * n;
        if (n == 1) {
            const int y = std::countr_zero(file) + 1;
            const int s = sign_of(board[x * 10 + y]);
            const int row = s < 0 ? y : 9 - y;
            score += row * s * (g.endgame + 1);
        }
    }
    g.pawn_tally = wrap16(pawn_tally);
}

// The pieces' part of the sum kept by set_square for this search; the
// bishops, kings and pawns found from their square sets.
void board_scan_prepared(GameState& g, const PieceSets& sets) {
    int score = g.eval_score + g.board_terms_sum;
    int white_bishops = g.white_bishops;
    int black_bishops = g.black_bishops;
    for (uint64_t v = sets.bishops[0]; v != 0; v &= v - 1) ++white_bishops;
    for (uint64_t v = sets.bishops[1]; v != 0; v &= v - 1) ++black_bishops;
    // The last king of each colour in the square walk.
    if (const int bit = last_bit(sets.kings[1]); bit >= 0) {
        g.black_king_x = static_cast<int16_t>((bit >> 3) + 1);
        g.black_king_y = static_cast<int16_t>((bit & 7) + 1);
    }
    if (const int bit = last_bit(sets.kings[0]); bit >= 0) {
        g.white_king_x = static_cast<int16_t>((bit >> 3) + 1);
        g.white_king_y = static_cast<int16_t>((bit & 7) + 1);
    }
    pawn_files(g, sets.pawns[0] | sets.pawns[1], score);
    g.eval_score = wrap16(score);
    g.white_bishops = static_cast<int16_t>(white_bishops);
    g.black_bishops = static_cast<int16_t>(black_bishops);
}

// The board's terms: from the sum kept during a search, else square by
// square in the walk's order (outside a search, and in the late endgame,
// where the sum is rounded on the way).
void board_scan(GameState& g, const PieceSets* fresh) {
    if (g.board_terms_ready != 0) {
        board_scan_prepared(g, fresh != nullptr ? *fresh : piece_sets(armies_of(g.board)));
    } else {
        board_scan_in_order(g);
    }
}

// Drives a lone king to the edge when the side searched for is ahead with no
// pawns left, then subtracts the mobility of the deepest ply's list.
void drive_and_mobility(GameState& g) {
    if (g.move_count[g.search_depth] == GameState::unwritten && g.older_counts_read == 0) {
        // The deepest ply's list is older than the current root move.
        g.older_counts_read = 1;
        g.older_white_count = g.white_move_count[g.search_depth];
        g.older_black_count = g.black_move_count[g.search_depth];
    }
    int distance;
    int mobility;
    if (g.search_side == GameState::white_side) {
        distance = g.centre_distance[g.black_king_x * 10 + (9 - g.black_king_y)];
        mobility = g.black_move_count[g.search_depth];
    } else {
        distance = g.centre_distance[g.white_king_x * 10 + g.white_king_y];
        mobility = g.white_move_count[g.search_depth];
    }
    const int kings_apart =
        abs_of(g.black_king_x - g.white_king_x) + abs_of(g.black_king_y - g.white_king_y);
    const int drive = (distance * 5 - 4 * kings_apart) * 10 + 560;
    if (g.late_endgame == 1 && g.pawn_tally == 0 && g.black_total < abs_of(g.white_total) &&
        g.search_side == GameState::white_side) {
        g.eval_score = wrap16(g.eval_score - drive);
    } else if (g.late_endgame == 1 && g.pawn_tally == 0 && abs_of(g.white_total) < g.black_total &&
               g.search_side == GameState::black_side) {
        g.eval_score = wrap16(g.eval_score + drive);
    }
    g.eval_score = wrap16(g.eval_score - mobility);
}

}  // namespace

int16_t evaluate(GameState& g, bool replies_just_generated) {
    ++g.eval_count;
    // The piece sets of the counting pass that generated this board's
    // replies, taken before the exchange step generates on other boards.
    const bool have_sets = replies_just_generated && g.pass_sets_ready != 0;
    PieceSets fresh;
    if (have_sets) fresh = g.pass_sets;
    g.eval_score = 0;
    g.threat_sum = 0;
    g.pawn_tally = 0;
    g.white_bishops = 0;
    g.black_bishops = 0;

    if (g.move_number > 3) exchange_step(g);
    opening_terms(g);
    board_scan(g, have_sets ? &fresh : nullptr);
    if (g.white_bishops == 2) g.eval_score = wrap16(g.eval_score - 30);
    if (g.black_bishops == 2) g.eval_score = wrap16(g.eval_score + 30);
    drive_and_mobility(g);
    return g.eval_score;
}

void prepare_board_terms(GameState& g) {
    g.board_terms_ready = 0;
    if (!terms_unrounded(g)) return;
    const std::array<const int16_t*, 7> table = square_tables(g);
    for (int p = -6; p <= 6; ++p) {
        for (int cell = 0; cell < 100; ++cell) {
            int term = 0;
            if (p != 0 && is_playing_square(cell)) {
                const int x = cell / 10;
                const int y = cell % 10;
                term = p < 0 ? value_of(static_cast<int16_t>(p)) - table[-p][cell]
                             : value_of(static_cast<int16_t>(p)) + table[p][x * 10 + 9 - y];
            }
            g.board_terms[p + 6][cell] = wrap16(term);
        }
    }
    int sum = 0;
    for (int x = 1; x <= 8; ++x) {
        for (int y = 1; y <= 8; ++y) sum += g.board_terms[g.board[x * 10 + y] + 6][x * 10 + y];
    }
    g.board_terms_sum = sum;
    g.board_terms_ready = 1;
}

void end_board_terms(GameState& g) { g.board_terms_ready = 0; }

}  // namespace chess
