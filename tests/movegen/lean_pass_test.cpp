// Passes at the lean ply: everything they record, and every row once read or
// written out, is what full passes over the same boards leave.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "model/board.h"
#include "model/game_state.h"
#include "movegen/generate.h"
#include "movegen/make_move.h"
#include "support/session.h"

namespace chess {
namespace {

using testing::fresh_game;

constexpr int lean = 4;  // the ply both records generate at
constexpr int code_column = GameState::ply_base[lean] + 1;

// Puts the walker's position (squares, markers, castling state) on `g`.
void copy_position(const GameState& from, GameState& g) {
    std::memcpy(g.board, from.board, sizeof g.board);
    std::memcpy(g.castle_moved, from.castle_moved, sizeof g.castle_moved);
    g.white_king_moved = from.white_king_moved;
    g.black_king_moved = from.black_king_moved;
}

void expect_same_records(const GameState& a, const GameState& b, int step) {
    SCOPED_TRACE(step);
    EXPECT_EQ(a.move_count[lean], b.move_count[lean]);
    EXPECT_EQ(a.white_move_count[lean], b.white_move_count[lean]);
    EXPECT_EQ(a.black_move_count[lean], b.black_move_count[lean]);
    EXPECT_EQ(a.capture_count[lean], b.capture_count[lean]);
    EXPECT_EQ(a.white_king_attack[lean], b.white_king_attack[lean]);
    EXPECT_EQ(a.black_king_attack[lean], b.black_king_attack[lean]);
    EXPECT_EQ(0, std::memcmp(a.castle_attacked, b.castle_attacked, sizeof a.castle_attacked));
    EXPECT_EQ(a.board[1], b.board[1]);
    EXPECT_EQ(a.board[9], b.board[9]);
    EXPECT_EQ(a.white_king_sq, b.white_king_sq);
    EXPECT_EQ(a.black_king_sq, b.black_king_sq);
    for (int r = 1; r <= a.capture_count[lean]; ++r) {
        EXPECT_EQ(a.move_list[r][code_column], b.move_list[r][code_column]) << "row " << r;
        EXPECT_EQ(a.move_list[r][code_column + 1], b.move_list[r][code_column + 1]) << "row " << r;
    }
}

// Random games (pseudo-legal moves, kings may be taken), with a few hand-made
// boards mixed in: castling rights, en passant markers, promotions, a list
// that fills all 250 rows, two kings of one colour. After each position the
// lean record and the full one must agree, and rows read at random must be
// the full record's.
TEST(LeanPass, RecordsAndRowsMatchFullPasses) {
    auto walker = fresh_game();
    auto lean_record = fresh_game();
    auto full_record = fresh_game();
    defer_rows_at(*lean_record, lean);
    std::mt19937 random(14);
    for (int step = 0; step < 3000; ++step) {
        if (step % 500 == 249) {
            // Two kings a side (an edited board): only the last of each moves.
            ASSERT_TRUE(testing::set_placement(
                *walker, "k.r..K............B.........p......Q.........n....k.........K..R"));
        }
        if (step % 500 == 499) {
            // Nine queens a side: more moves than the list holds.
            ASSERT_TRUE(testing::set_placement(
                *walker, "k.q..q...Q...q...Q...q..Q.Q...q...Q...q...Q...q.q..Q...q...QQ..K"));
        }
        walker->ply = 1;
        generate_moves(*walker);
        if (walker->move_count[1] == 0 || step % 120 == 119) {
            walker = fresh_game();
            continue;
        }
        walker->move_index =
            static_cast<int16_t>(1 + random() % static_cast<unsigned>(walker->move_count[1]));
        make_move(*walker);

        copy_position(*walker, *lean_record);
        copy_position(*walker, *full_record);
        lean_record->ply = lean;
        full_record->ply = lean;
        generate_moves(*lean_record);
        generate_moves(*full_record);
        expect_same_records(*lean_record, *full_record, step);
        const int row = 1 + static_cast<int>(random() % 250);
        EXPECT_EQ(list_code(*lean_record, lean, row), full_record->move_list[row][code_column])
            << "step " << step << " row " << row;
    }
    write_deferred_rows(*lean_record);
    for (int r = 1; r < move_list_rows; ++r) {
        EXPECT_EQ(lean_record->move_list[r][code_column], full_record->move_list[r][code_column]);
        EXPECT_EQ(lean_record->move_list[r][code_column + 1],
                  full_record->move_list[r][code_column + 1]);
    }
}

}  // namespace
}  // namespace chess
