// The built-in start-up data: the initial position inside its border and the
// ten evaluation tables, and the record's initial values.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <string>

#include "model/board.h"
#include "model/start_position.h"
#include "support/session.h"

namespace chess {
namespace {

using Rows = std::array<std::array<int, 8>, 8>;  // row 1..8, file A..H

struct TableCase {
    const char* name;
    Rows rows;
};

// The evaluation tables, written out by hand: line r is row r, the first
// value is file A.
const TableCase expected_tables[] = {
    {"pawn_table",
     {{
         {0, 0, 0, 0, 0, 0, 0, 0},
         {50, 50, 50, 50, 50, 50, 50, 50},
         {10, 10, 20, 30, 30, 20, 10, 10},
         {5, 5, 10, 25, 25, 10, 5, 5},
         {0, 0, 0, 20, 20, 0, 0, 0},
         {5, -5, -10, 0, 0, -10, -5, 5},
         {5, 10, 10, -20, -20, 10, 10, 5},
         {0, 0, 0, 0, 0, 0, 0, 0},
     }}},
    {"knight_table",
     {{
         {-50, -40, -30, -30, -30, -30, -40, -50},
         {-40, -20, 0, 0, 0, 0, -20, -40},
         {-30, 0, 10, 15, 15, 10, 0, -30},
         {-30, 5, 15, 20, 20, 15, 5, -30},
         {-30, 0, 15, 20, 20, 15, 0, -30},
         {-30, 5, 10, 15, 15, 11, 5, -30},
         {-40, -20, 0, 5, 5, 0, -20, -40},
         {-50, -40, -30, -30, -30, -30, -40, -50},
     }}},
    {"bishop_table",
     {{
         {-20, -10, -10, -10, -10, -10, -10, -20},
         {-10, 0, 0, 0, 0, 0, 0, -10},
         {-10, 0, 5, 10, 10, 5, 0, -10},
         {-10, 5, 5, 10, 10, 5, 5, -10},
         {-10, 0, 10, 10, 10, 10, 0, -10},
         {-10, 10, 10, 10, 10, 10, 10, -10},
         {-10, 5, 0, 0, 0, 0, 5, -10},
         {-20, -10, -10, -10, -10, -10, -10, -20},
     }}},
    {"rook_table",
     {{
         {0, 0, 0, 0, 0, 0, 0, 0},
         {5, 10, 10, 10, 10, 10, 10, 5},
         {-5, 0, 0, 0, 0, 0, 0, -5},
         {-5, 0, 0, 0, 0, 0, 0, -5},
         {-5, 0, 0, 0, 0, 0, 0, -5},
         {-5, 0, 0, 0, 0, 0, 0, -5},
         {-5, 0, 0, 0, 0, 0, 0, -5},
         {0, 0, 0, 5, 5, 0, 0, 0},
     }}},
    {"queen_table",
     {{
         {-20, -10, -10, -5, -5, -10, -10, -20},
         {-10, 0, 0, 0, 0, 0, 0, -10},
         {-10, 0, 5, 5, 5, 5, 0, -10},
         {-5, 0, 5, 5, 5, 5, 0, -5},
         {0, 0, 5, 5, 5, 5, 0, -5},
         {-10, 5, 5, 5, 5, 5, 0, -10},
         {-10, 0, 5, 0, 0, 0, 0, -10},
         {-20, -10, -10, -5, -5, -10, -10, -20},
     }}},
    {"king_table",
     {{
         {-30, -40, -40, -50, -50, -40, -40, -30},
         {-30, -40, -40, -50, -50, -40, -40, -30},
         {-30, -40, -40, -50, -50, -40, -40, -30},
         {-30, -40, -40, -50, -50, -40, -40, -30},
         {-20, -30, -30, -40, -40, -30, -30, -20},
         {-20, -20, -20, -20, -20, -20, -20, -10},
         {20, 20, 0, 0, -60, 0, 20, 20},
         {20, 30, 10, 0, 0, 10, 30, 20},
     }}},
    {"king_end_table",
     {{
         {-50, -40, -30, -20, -20, -30, -40, -50},
         {-30, -20, -10, 0, 0, -10, -20, -30},
         {-30, -10, 20, 30, 30, 20, -10, -30},
         {-30, -10, 30, 40, 40, 30, -10, -30},
         {-30, -10, 30, 40, 40, 30, -10, -30},
         {-30, -10, 20, 30, 30, 20, -10, -30},
         {-30, -30, 0, 0, 0, 0, -30, -30},
         {-50, -30, -30, -30, -30, -30, -30, -50},
     }}},
    {"pawn_end_table",
     {{
         {0, 0, 0, 0, 0, 0, 0, 0},
         {267, 260, 237, 201, 221, 198, 248, 281},
         {141, 128, 85, 100, 84, 80, 128, 126},
         {48, 36, 20, 8, -3, 5, 26, 26},
         {20, 14, -5, -11, -11, -12, 5, -2},
         {6, 11, -9, 2, 0, -8, -2, -12},
         {20, 12, 12, 15, 20, 0, 3, -11},
         {0, 0, 0, 0, 0, 0, 0, 0},
     }}},
    {"rook_end_table",
     {{
         {20, 15, 27, 23, 18, 18, 12, 8},
         {17, 20, 20, 17, -5, 5, 12, 5},
         {11, 11, 11, 8, 6, -5, -8, -5},
         {6, 5, 20, 2, 3, 2, -2, 3},
         {5, 8, 12, 6, -8, -9, -12, -17},
         {-6, 0, -8, -2, -11, -18, -12, -24},
         {-9, -9, 0, 3, -14, -14, -17, -5},
         {-14, 3, 5, -2, -8, -20, 6, -30},
     }}},
    {"centre_distance",
     {{
         {6, 5, 4, 3, 3, 4, 5, 6},
         {5, 4, 3, 2, 2, 3, 4, 5},
         {4, 3, 2, 1, 1, 2, 3, 4},
         {3, 2, 1, 0, 0, 1, 2, 3},
         {3, 2, 1, 0, 0, 1, 2, 3},
         {4, 3, 2, 1, 1, 2, 3, 4},
         {5, 4, 3, 2, 2, 3, 4, 5},
         {6, 5, 4, 3, 3, 4, 5, 6},
     }}},
};

const int16_t* table_of(const GameState& g, const std::string& name) {
    if (name == "pawn_table") return g.pawn_table;
    if (name == "knight_table") return g.knight_table;
    if (name == "bishop_table") return g.bishop_table;
    if (name == "rook_table") return g.rook_table;
    if (name == "queen_table") return g.queen_table;
    if (name == "king_table") return g.king_table;
    if (name == "king_end_table") return g.king_end_table;
    if (name == "pawn_end_table") return g.pawn_end_table;
    if (name == "rook_end_table") return g.rook_end_table;
    return g.centre_distance;
}

bool is_border(int cell) {
    const int x = cell / 10;
    const int y = cell % 10;
    return x == 0 || x == 9 || y == 0 || y == 9;
}

TEST(StartData, BorderHoldsSevenAroundTheInitialPosition) {
    auto g = testing::fresh_game();
    int border_cells = 0;
    for (int cell = 0; cell < 100; ++cell) {
        if (is_border(cell)) {
            ++border_cells;
            EXPECT_EQ(g->board[cell], 7) << cell;
        }
    }
    EXPECT_EQ(border_cells, 36);

    // Rank 8 first (row Y = 1), files A..H.
    const int expected[8][8] = {
        {4, 2, 3, 5, 6, 3, 2, 4},         {1, 1, 1, 1, 1, 1, 1, 1},
        {0, 0, 0, 0, 0, 0, 0, 0},         {0, 0, 0, 0, 0, 0, 0, 0},
        {0, 0, 0, 0, 0, 0, 0, 0},         {0, 0, 0, 0, 0, 0, 0, 0},
        {-1, -1, -1, -1, -1, -1, -1, -1}, {-4, -2, -3, -5, -6, -3, -2, -4},
    };
    int absolute_sum = 0;
    for (int y = 1; y <= 8; ++y) {
        for (int x = 1; x <= 8; ++x) {
            EXPECT_EQ(g->board[x * 10 + y], expected[y - 1][x - 1]) << x * 10 + y;
            absolute_sum += std::abs(g->board[x * 10 + y]);
        }
    }
    EXPECT_EQ(absolute_sum, 74);
    // Named squares of the notation.
    EXPECT_EQ(g->board[sq_e1], -6);
    EXPECT_EQ(g->board[sq_e8], 6);
    EXPECT_EQ(g->board[sq_d1], -5);
    EXPECT_EQ(g->board[sq_d8], 5);
    EXPECT_EQ(g->board[57], -1);  // E2
    EXPECT_EQ(g->board[55], 0);   // E4
}

TEST(StartData, EvaluationTablesHoldTheirValues) {
    auto g = testing::fresh_game();
    for (const TableCase& t : expected_tables) {
        const int16_t* table = table_of(*g, t.name);
        for (int row = 1; row <= 8; ++row) {
            for (int file = 1; file <= 8; ++file) {
                EXPECT_EQ(table[file * 10 + row], t.rows[row - 1][file - 1])
                    << t.name << " row " << row << " file " << file;
            }
        }
        // Cells off the 64 playing squares stay 0.
        for (int cell = 0; cell < 100; ++cell) {
            if (is_border(cell)) {
                EXPECT_EQ(table[cell], 0) << t.name << " cell " << cell;
            }
        }
    }
}

TEST(StartData, AsymmetricCellsSitWherePrinted) {
    auto g = testing::fresh_game();
    EXPECT_EQ(g->knight_table[6 * 10 + 6], 11);  // file F, row 6
    EXPECT_EQ(g->knight_table[3 * 10 + 6], 10);  // file C, row 6 (the mirror is 10)
    EXPECT_EQ(g->king_table[5 * 10 + 7], -60);   // file E, row 7
    EXPECT_EQ(g->king_table[1 * 10 + 6], -20);   // file A, row 6
    EXPECT_EQ(g->king_table[8 * 10 + 6], -10);   // file H, row 6
    EXPECT_EQ(g->pawn_end_table[8 * 10 + 2], 281);
    EXPECT_EQ(g->rook_end_table[8 * 10 + 8], -30);
}

TEST(StartData, RecordStartsWithItsInitialValues) {
    auto g = testing::fresh_game();
    EXPECT_EQ(g->move_number, 1);
    EXPECT_EQ(g->base_depth, 4);
    EXPECT_EQ(g->search_depth, 4);
    EXPECT_EQ(g->computer_side, 1);
    EXPECT_EQ(g->human_side, -1);
    EXPECT_EQ(g->search_side, 1);
    EXPECT_EQ(g->threat_divisor, 15);
    EXPECT_EQ(GameState::score_limit, 25000);
    EXPECT_EQ(g->game_over, 0);
    EXPECT_EQ(g->hold_depth, 0);
    EXPECT_EQ(g->transcript_on, 0);
    EXPECT_EQ(g->use_book, 0);
    for (int i = 0; i <= 6; ++i) {
        EXPECT_EQ(g->castle_moved[i], 0);
        EXPECT_EQ(g->castle_attacked[i], 0);
    }
    EXPECT_EQ(g->white_king_moved, 0);
    EXPECT_EQ(g->black_king_moved, 0);
}

TEST(StartData, LoadingAgainResetsEveryField) {
    auto g = testing::fresh_game();
    g->board[55] = -5;
    g->move_number = 30;
    g->base_depth = 7;
    g->castle_moved[2] = 1;
    g->threat_divisor = 50;
    g->pawn_table[11] = 99;
    load_start_position(*g);
    EXPECT_EQ(g->board[55], 0);
    EXPECT_EQ(g->move_number, 1);
    EXPECT_EQ(g->base_depth, 4);
    EXPECT_EQ(g->castle_moved[2], 0);
    EXPECT_EQ(g->threat_divisor, 15);
    EXPECT_EQ(g->pawn_table[11], 0);
}

}  // namespace
}  // namespace chess
