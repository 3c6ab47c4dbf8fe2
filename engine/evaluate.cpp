#include "engine/evaluate.h"

#include <array>
#include <bit>
#include <cstring>

#include "engine/thread_records.h"
#include "model/board.h"
#include "movegen/generate.h"
#include "movegen/make_move.h"
#include "movegen/occupancy.h"

#if defined(__SSE2__) && !defined(CHESS_NO_SIMD)
#include <emmintrin.h>
#endif

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

// add_ratio(a, value_of(code), D) by piece code + 7, for a divisor where no
// piece value leaves a remainder of exactly a half: the value's share v / D
// rounds the same way whatever `a` is, so the sum just adds the rounded share.
struct PieceRatios {
    int16_t share[15];
    int16_t add(int a, int16_t code) const { return wrap16(a + share[code + 7]); }
};

template <int D>
constexpr bool has_half_share() {
    for (const int v : GameState::piece_value) {
        const int r = ((v % D) + D) % D;
        if (2 * r == D) return true;
    }
    return false;
}

template <int D>
constexpr PieceRatios make_piece_ratios() {
    static_assert(!has_half_share<D>());
    PieceRatios t{};
    for (int i = 0; i < 15; ++i) {
        const int v = GameState::piece_value[i];
        int q = v / D;
        int r = v - q * D;
        if (r < 0) {
            --q;
            r += D;
        }
        t.share[i] = static_cast<int16_t>(2 * r > D ? q + 1 : q);
    }
    return t;
}

// The table of divisor d, or null for a divisor add_ratio is left to (one
// where a share can be a half, which rounds to the even sum).
const PieceRatios* piece_ratios(int d) {
    static_assert(has_half_share<4>());
    static constexpr PieceRatios by_5 = make_piece_ratios<5>();
    static constexpr PieceRatios by_6 = make_piece_ratios<6>();
    static constexpr PieceRatios by_15 = make_piece_ratios<15>();
    static constexpr PieceRatios by_50 = make_piece_ratios<50>();
    switch (d) {
        case 5:
            return &by_5;
        case 6:
            return &by_6;
        case 15:
            return &by_15;
        case 50:
            return &by_50;
        default:
            return nullptr;
    }
}

// The square the evaluated move's row names in the list of `g.ply`, where
// captures are played out, or 0. It is the row with the evaluated move's own
// row number, whether or not it lies within this list: a row beyond the list
// still holds an older entry. Its square matters only when the capturing
// colour has a capture; and a non-capture row of this very position names an
// empty square, onto which no capture lands. In both cases the square is 0.
// A list just generated at the lean ply left its non-capture rows unwritten;
// for such a row the captures need no look.
inline int find_exchange_square(GameState& g, bool fresh_list, int code_column) {
    const int captures_first = g.capture_count[g.ply];
    const unsigned capturing_first = side_flags(g.exchange_sign * g.search_side);
    const int row_number = g.current_row;
    const bool fresh_quiet = fresh_list && g.ply == g.lean_ply && row_number > captures_first &&
                             row_number <= g.move_count[g.ply];
    bool square_matters = false;
    if (!fresh_quiet) {
        for (int j = 1; j <= captures_first && !square_matters; ++j) {
            square_matters = is_side_flags(g.move_list[j][code_column + 1], capturing_first);
        }
    }
    const bool unwritten_quiet =
        fresh_list ? fresh_quiet : square_matters && row_is_unwritten_quiet(g, g.ply, row_number);
    if (!square_matters || unwritten_quiet) return 0;
    // Reading the code writes the row first if the counting pass owes it;
    // only a row still unwritten after that is older than this search.
    const int square = move_to(list_code(g, g.ply, row_number));
    const int16_t* square_row = g.move_list[row_number];
    if (square_row[code_column + 1] == GameState::unwritten) {
        log_older_code(g, g.ply, row_number, square_row[code_column]);
    }
    return square;
}

// The usual case: no row of a generated list names square 0, so nothing is
// captured, and no pawn becomes a queen; one look at the capturing colour's
// rows sums the threats.
inline int sum_threats(const GameState& g, int code_column, unsigned capturing,
                       const PieceRatios& ratios, int threat_sum) {
    const int captures = g.capture_count[g.ply];
    const int16_t* row = &g.move_list[1][code_column];
    // Every share is added with 16-bit wrap-around: wrapping once at the end
    // gives the same number.
    int sum = threat_sum;
    for (int j = 1; j <= captures; ++j, row += move_list_columns) {
        if (is_side_flags(row[1], capturing)) {
            const unsigned to = static_cast<uint16_t>(row[0]) % 100u;
            sum += ratios.share[g.board[to] + 7];
        }
    }
    return wrap16(sum);
}

// The last-row pawn code when no pawn may have reached the last row: a value
// no square holds.
constexpr int no_pawn = 1 << 20;

// The running sums of an exchange played out, and its capturing colour.
struct Exchange {
    int threat_sum;
    int score;
    int sign;
};

// Plays the captures on `square` out, alternating the capturing colour and
// generating the replies anew after each, and sums what the capturing colour
// could take as threats. A pawn that takes after a move to the last row
// (`last_row_pawn`) becomes a queen. True when the board was changed.
bool play_out_captures(GameState& g, int code_column, int square, int last_row_pawn,
                       const PieceRatios* threat_ratios, Exchange& x) {
    int16_t* board = g.board;
    const int threat_divisor = g.threat_divisor;
    bool board_changed = false;
    const bool pawn_may_promote = last_row_pawn != no_pawn;
    for (int pass = 1; pass <= 8; ++pass) {
        const unsigned capturing = side_flags(x.sign * g.search_side);
        bool captured = false;
        const int captures = g.capture_count[g.ply];
        const int16_t* row = &g.move_list[1][code_column];
        for (int j = 1; j <= captures; ++j, row += move_list_columns) {
            // Capture rows hold codes and flag words of generated moves, never
            // negative, so plain unsigned division takes their digits.
            const unsigned code = static_cast<uint16_t>(row[0]);
            const int from = static_cast<int>(code / 100u);
            const int to = static_cast<int>(code % 100u);
            const bool own = is_side_flags(row[1], capturing);
            if (own) {
                x.threat_sum = threat_ratios != nullptr
                                   ? threat_ratios->add(x.threat_sum, board[to])
                                   : add_ratio(x.threat_sum, value_of(board[to]), threat_divisor);
            }
            if (pawn_may_promote && board[from] == last_row_pawn) {
                set_square(g, from, static_cast<int16_t>(queen * last_row_pawn));
                board_changed = true;
            }
            if (to == square && own) {
                x.score = add_ratio(x.score, value_of(board[square]), g.exchange_divisor);
                set_square(g, square, board[from]);
                set_square(g, from, 0);
                board_changed = true;
                captured = true;
                break;
            }
        }
        if (!captured) {
            x.score = add_ratio(x.score, x.threat_sum, threat_divisor);
            break;
        }
        x.sign = wrap16(-x.sign);
        g.exchange_sign = static_cast<int16_t>(x.sign);
        g.threat_sum = static_cast<int16_t>(x.threat_sum);
        g.eval_score = static_cast<int16_t>(x.score);
        generate_moves(g);
    }
    return board_changed;
}

// Plays out captures on the square the evaluated move's row names in the
// list after it, alternating the capturing colour, and collects the values
// the capturing colour could take as a threat sum. The 64 squares are put
// back afterwards; the list of ply + 1 keeps whatever the last pass built.
// `fresh_list`: that list was generated from this very board just before.
void exchange_step(GameState& g, bool fresh_list) {
    int16_t* board = g.board;
    const int terms_sum = g.board_terms_sum;
    g.ply = wrap16(g.ply + 1);
    const int code_column = GameState::ply_base[g.ply] + 1;
    g.exchange_sign = g.node_sign;
    g.exchange_square = static_cast<int16_t>(find_exchange_square(g, fresh_list, code_column));

    const int square = g.exchange_square;
    const PieceRatios* threat_ratios = piece_ratios(g.threat_divisor);
    // A pawn that takes after a move to the last row counts as a queen: the
    // pawn code of the colour that may have reached it, else no_pawn.
    const int last_row_pawn = g.last_to_row == 8 ? pawn : g.last_to_row == 1 ? -pawn : no_pawn;
    Exchange x{g.threat_sum, g.eval_score, g.exchange_sign};
    if (square == 0 && last_row_pawn == no_pawn && threat_ratios != nullptr) {
        x.threat_sum = sum_threats(g, code_column, side_flags(x.sign * g.search_side),
                                   *threat_ratios, x.threat_sum);
        x.score = add_ratio(x.score, x.threat_sum, g.threat_divisor);
    } else {
        // The board and its square sets are kept to be put back.
        uint64_t square_sets[13];
        std::memcpy(&g.board_copy[11], &board[11], sizeof(int16_t) * 78);
        std::memcpy(square_sets, g.square_sets, sizeof square_sets);
        if (play_out_captures(g, code_column, square, last_row_pawn, threat_ratios, x)) {
            std::memcpy(&board[11], &g.board_copy[11], sizeof(int16_t) * 78);
            g.board_terms_sum = terms_sum;
            std::memcpy(g.square_sets, square_sets, sizeof square_sets);
        }
    }
    g.exchange_sign = static_cast<int16_t>(x.sign);
    g.threat_sum = static_cast<int16_t>(x.threat_sum);
    g.eval_score = static_cast<int16_t>(x.score);
    g.ply = wrap16(g.ply - 1);
}

// Queen or king moves at the root cost early in the game; castling gains.
// The root move's flag word names the piece moved (digit 2: 5 queen, 6 king)
// and the kind (digit 4: 8 and 9 castle). Flag words 0..2999 are looked up:
// bit 0 a queen or king moved, bit 1 castled.
constexpr int opening_word_limit = 3000;
constexpr struct OpeningDigits {
    uint8_t of[opening_word_limit] = {};
    constexpr OpeningDigits() {
        for (int w = 0; w < opening_word_limit; ++w) {
            of[w] =
                static_cast<uint8_t>((code_digit_2(w) > 4 ? 1 : 0) | (code_digit_4(w) > 7 ? 2 : 0));
        }
    }
} opening_digits;

inline void opening_terms(GameState& g) {
    const int flags = g.move_list[g.root_row][GameState::ply_base[1] + 2];
    const int digits = static_cast<unsigned>(flags) < opening_word_limit
                           ? opening_digits.of[flags]
                           : (code_digit_2(flags) > 4 ? 1 : 0) | (code_digit_4(flags) > 7 ? 2 : 0);
    if (g.move_number < 5 && (digits & 1) != 0) {
        g.eval_score = wrap16(g.eval_score - g.search_side * 50);
    }
    if ((digits & 2) != 0) g.eval_score = wrap16(g.eval_score + g.search_side * 30);
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

// The number of pawns on each file, one byte per file (file A lowest).
inline uint64_t pawns_per_file(uint64_t pawns) {
    uint64_t n = pawns - ((pawns >> 1) & 0x5555555555555555u);
    n = (n & 0x3333333333333333u) + ((n >> 2) & 0x3333333333333333u);
    return (n + (n >> 4)) & 0x0f0f0f0f0f0f0f0fu;
}

// The sum of the squares of the eight byte counts.
inline int sum_of_squares(uint64_t counts) {
#if defined(__SSE2__) && !defined(CHESS_NO_SIMD)
    const __m128i lanes =
        _mm_unpacklo_epi8(_mm_cvtsi64_si128(static_cast<long long>(counts)), _mm_setzero_si128());
    __m128i sums = _mm_madd_epi16(lanes, lanes);
    sums = _mm_add_epi32(sums, _mm_shuffle_epi32(sums, 0x4e));
    sums = _mm_add_epi32(sums, _mm_shuffle_epi32(sums, 0xb1));
    return _mm_cvtsi128_si32(sums);
#else
    int sum = 0;
    for (; counts != 0; counts >>= 8) {
        const int n = static_cast<int>(counts & 0xffu);
        sum += n * n;
    }
    return sum;
#endif
}

// Each pawn adds the number of pawns on its file to the tally; a pawn alone
// on its file adds its row number, doubled in the endgame (White's pawns count
// rows from rank 8 and subtract them, Black's from rank 1 and add them).
[[gnu::always_inline]] inline void pawn_files(GameState& g, uint64_t white_pawns,
                                              uint64_t black_pawns, int& score) {
    const uint64_t pawns = white_pawns | black_pawns;
    const uint64_t counts = pawns_per_file(pawns);
    g.pawn_tally = wrap16(g.pawn_tally + sum_of_squares(counts));
    // Bytes holding 1 become 0 (every count is at most 8, so adding 0x7f
    // sets a byte's top bit exactly when it is not 0).
    const uint64_t not_one = (counts ^ 0x0101010101010101u) + 0x7f7f7f7f7f7f7f7fu;
    const uint64_t lone_files = ~not_one & 0x8080808080808080u;
    if (lone_files == 0) return;
    const uint64_t lone = (lone_files >> 7) * 0xffu;
    // Bit b stands for row (b & 7) + 1.
    int rows = 0;
    for (uint64_t set = black_pawns & lone; set != 0; set &= set - 1) {
        rows += 8 - (std::countr_zero(set) & 7);
    }
    for (uint64_t set = white_pawns & lone; set != 0; set &= set - 1) {
        rows -= (std::countr_zero(set) & 7) + 1;
    }
    score += rows * (g.endgame + 1);
}

// The pieces' part of the sum kept by set_square for this search; the
// bishops, kings and pawns found from their square sets. Returns the sum of
// the board's terms, to be added to the score.
[[gnu::always_inline]] inline int board_scan_prepared(GameState& g, const PieceSets& sets) {
    int score = g.board_terms_sum;
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
    pawn_files(g, sets.pawns[0], sets.pawns[1], score);
    g.white_bishops = static_cast<int16_t>(white_bishops);
    g.black_bishops = static_cast<int16_t>(black_bishops);
    return score;
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
    const bool white_searched = g.search_side == GameState::white_side;
    if (g.late_endgame == 1 && g.pawn_tally == 0) {
        const int distance = white_searched
                                 ? g.centre_distance[g.black_king_x * 10 + (9 - g.black_king_y)]
                                 : g.centre_distance[g.white_king_x * 10 + g.white_king_y];
        const int kings_apart =
            abs_of(g.black_king_x - g.white_king_x) + abs_of(g.black_king_y - g.white_king_y);
        const int drive = (distance * 5 - 4 * kings_apart) * 10 + 560;
        if (g.black_total < abs_of(g.white_total) && white_searched) {
            g.eval_score = wrap16(g.eval_score - drive);
        } else if (abs_of(g.white_total) < g.black_total &&
                   g.search_side == GameState::black_side) {
            g.eval_score = wrap16(g.eval_score + drive);
        }
    }
    const int mobility =
        white_searched ? g.black_move_count[g.search_depth] : g.white_move_count[g.search_depth];
    g.eval_score = wrap16(g.eval_score - mobility);
}

}  // namespace

int16_t evaluate(GameState& g, bool replies_just_generated) {
    ++g.eval_count;
    g.eval_score = 0;
    g.threat_sum = 0;
    g.pawn_tally = 0;
    g.white_bishops = 0;
    g.black_bishops = 0;

    if (g.board_terms_ready != 0) {
        // The board's terms from the sum kept during a search: every term is
        // added with 16-bit wrap-around, so they can be taken first, from the
        // piece sets of the counting pass that generated this board's replies
        // while the exchange step has not yet generated on other boards (it
        // puts the board back).
        const int board_terms = replies_just_generated && g.pass_sets_ready != 0
                                    ? board_scan_prepared(g, g.pass_sets)
                                    : board_scan_prepared(g, piece_sets(armies_of(g.board)));
        if (g.move_number > 3) exchange_step(g, replies_just_generated);
        opening_terms(g);
        g.eval_score = wrap16(g.eval_score + board_terms);
    } else {
        // Square by square in the walk's order, outside a search and in the
        // late endgame, where the sum is rounded on the way.
        if (g.move_number > 3) exchange_step(g, replies_just_generated);
        opening_terms(g);
        board_scan_in_order(g);
    }
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
