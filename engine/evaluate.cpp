#include "engine/evaluate.h"

#include <cstring>

#include "model/board.h"
#include "movegen/generate.h"

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

inline int16_t value_of(int16_t code) { return GameState::piece_value[code + 7]; }

// Plays out captures on the square the evaluated move's row names in the
// list after it, alternating the capturing colour, and collects the values
// the capturing colour could take as a threat sum. The 64 squares are put
// back afterwards; the list of ply + 1 keeps whatever the last pass built.
void exchange_step(GameState& g) {
    int16_t* board = g.board;
    std::memcpy(&g.board_copy[11], &board[11], sizeof(int16_t) * 78);
    g.ply = wrap16(g.ply + 1);
    const int code_column = GameState::ply_base[g.ply] + 1;
    const int flag_column = code_column + 1;
    // The row with the evaluated move's own row number, whether or not it lies
    // within this list: a row beyond the list still holds an older entry.
    g.exchange_square = move_to(g.move_list[g.current_row][code_column]);
    g.exchange_sign = g.node_sign;

    for (int pass = 1; pass <= 8; ++pass) {
        const int capturing = g.exchange_sign * g.search_side;
        bool captured = false;
        const int captures = g.capture_count[g.ply];
        for (int j = 1; j <= captures; ++j) {
            const int16_t code = g.move_list[j][code_column];
            const int from = move_from(code);
            const int to = move_to(code);
            const int colour = GameState::side_sign[code_digit_1(g.move_list[j][flag_column])];
            if (colour == capturing) {
                g.threat_sum = nearest16(g.threat_sum + static_cast<double>(value_of(board[to])) /
                                                            g.threat_divisor);
            }
            // A pawn that takes after a move to the last row counts as a queen.
            if (g.last_to_row == 8 && board[from] == 1) board[from] = 5;
            if (g.last_to_row == 1 && board[from] == -1) board[from] = -5;
            if (to == g.exchange_square && colour == capturing) {
                g.eval_score = nearest16(g.eval_score +
                                         static_cast<double>(value_of(board[g.exchange_square])) /
                                             g.exchange_divisor);
                board[g.exchange_square] = board[from];
                board[from] = 0;
                captured = true;
                break;
            }
        }
        if (!captured) {
            g.eval_score =
                nearest16(g.eval_score + static_cast<double>(g.threat_sum) / g.threat_divisor);
            break;
        }
        g.exchange_sign = wrap16(-g.exchange_sign);
        generate_moves(g);
    }

    g.ply = wrap16(g.ply - 1);
    std::memcpy(&board[11], &g.board_copy[11], sizeof(int16_t) * 78);
}

// Queen or king moves at the root cost early in the game; castling gains.
void opening_terms(GameState& g) {
    const int flags = g.move_list[g.root_row][GameState::ply_base[1] + 2];
    if (code_digit_2(flags) > 4 && g.move_number < 5) {
        g.eval_score = wrap16(g.eval_score - g.search_side * 50);
    }
    if (code_digit_4(flags) > 7) g.eval_score = wrap16(g.eval_score + g.search_side * 30);
}

// Material, the ten tables (black reads them mirrored top to bottom), the
// lone-pawn term; records the kings and counts the bishops.
void board_scan(GameState& g) {
    const int16_t* board = g.board;
    const int endgame = g.endgame;
    const int late = g.late_endgame;
    // Pawns, rooks and kings use their endgame tables in the endgame; the
    // king's endgame value counts double in the late endgame.
    const int16_t* const table[7] = {nullptr,
                                     endgame == 1 ? g.pawn_end_table : g.pawn_table,
                                     g.knight_table,
                                     g.bishop_table,
                                     endgame == 1 ? g.rook_end_table : g.rook_table,
                                     g.queen_table,
                                     endgame == 1 ? g.king_end_table : g.king_table};
    const int king_weight = endgame == 1 ? late + 1 : 1;
    // In the late endgame the rook's endgame value is quartered and the whole
    // sum rounded, halves to even, so it depends on the sum so far.
    const bool rook_rounded = endgame == 1 && late == 1;
    int score = g.eval_score;
    for (int x = 1; x <= 8; ++x) {
        const int file = x * 10;
        // Pawns of either colour on this file, counted when the first pawn of
        // the file is met.
        int file_pawns = -1;
        for (int y = 1; y <= 8; ++y) {
            const int16_t p = board[file + y];
            if (p == 0) continue;
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
                g.pawn_tally = wrap16(g.pawn_tally + file_pawns);
                // A pawn alone on its file: its row number, doubled in the endgame.
                if (file_pawns == 1) score += row * s * (endgame + 1);
                score = wrap16(score + table[1][cell] * s);
            } else if (k == 4 && rook_rounded) {
                score = nearest16(score + static_cast<double>(s * table[4][cell]) / 4);
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
                        ++g.white_bishops;
                    } else {
                        ++g.black_bishops;
                    }
                }
                score = wrap16(score + table[k][cell] * s);
            }
        }
    }
    g.eval_score = static_cast<int16_t>(score);
}

// Drives a lone king to the edge when the side searched for is ahead with no
// pawns left, then subtracts the mobility of the deepest ply's list.
void drive_and_mobility(GameState& g) {
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

int16_t evaluate(GameState& g) {
    ++g.eval_count;
    g.eval_score = 0;
    g.threat_sum = 0;
    g.pawn_tally = 0;
    g.white_bishops = 0;
    g.black_bishops = 0;

    if (g.move_number > 3) exchange_step(g);
    opening_terms(g);
    board_scan(g);
    if (g.white_bishops == 2) g.eval_score = wrap16(g.eval_score - 30);
    if (g.black_bishops == 2) g.eval_score = wrap16(g.eval_score + 30);
    drive_and_mobility(g);
    return g.eval_score;
}

}  // namespace chess
