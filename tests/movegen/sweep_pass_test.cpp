// The sweep pass against the mailbox pass on random boards: where the sweep
// pass takes a board, its rows, counters and attack records are the mailbox
// pass's.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "model/board.h"
#include "model/game_state.h"
#include "movegen/make_move.h"
#include "movegen/pass.h"
#include "support/session.h"

namespace chess {
namespace {

// Pieces scattered at a random density (pawns on their last rows and several
// kings a side included), kings and rooks often on their castling squares,
// random castling flags and en passant markers, now and then a code that is
// no piece.
void random_board(GameState& g, std::mt19937& random) {
    const auto chance = [&](unsigned in) { return random() % in == 0; };
    constexpr int16_t kinds[] = {pawn, pawn, pawn, knight, bishop, rook, queen, king};
    const unsigned density = 5 + random() % 60;
    for (int x = 1; x <= 8; ++x) {
        for (int y = 1; y <= 8; ++y) {
            const int16_t kind = kinds[random() % 8];
            g.board[10 * x + y] = random() % 100 < density ? (chance(2) ? kind : -kind) : 0;
        }
        g.board[10 * x] = chance(8) ? GameState::ep_marker : GameState::border_value;
        g.board[10 * x + 9] = chance(8) ? GameState::ep_marker : GameState::border_value;
    }
    for (const int rank : {1, 8}) {
        if (chance(2)) continue;
        const int16_t colour = rank == 1 ? -1 : 1;
        const int y = rank == 1 ? 8 : 1;
        g.board[50 + y] = static_cast<int16_t>(colour * king);
        g.board[10 + y] = g.board[80 + y] = static_cast<int16_t>(colour * rook);
        for (const int x : {2, 3, 4, 6, 7}) {
            if (!chance(4)) g.board[10 * x + y] = 0;
        }
    }
    for (int i = 1; i < 7; ++i) g.castle_moved[i] = static_cast<int16_t>(chance(4));
    g.white_king_moved = static_cast<int16_t>(chance(4));
    g.black_king_moved = static_cast<int16_t>(chance(4));
    if (chance(20)) {
        const unsigned square = random() % 64;
        g.board[11 + 10 * (square / 8) + square % 8] = chance(2) ? 8 : -9;
    }
}

passes::Pass pass_on(GameState& g) {
    return {g.board, passes::list_rows(g, 1), g.castle_moved, g.white_king_moved,
            g.black_king_moved};
}

TEST(SweepPass, SameListsAndRecordsAsTheMailboxPass) {
    auto mailbox = testing::fresh_game();
    auto sweep = testing::fresh_game();
    std::mt19937 random(31);
    constexpr int boards = 20000;
    int taken = 0;
    for (int step = 0; step < boards; ++step) {
        random_board(*mailbox, random);
        std::memcpy(sweep->board, mailbox->board, sizeof sweep->board);
        std::memcpy(sweep->castle_moved, mailbox->castle_moved, sizeof sweep->castle_moved);
        sweep->white_king_moved = mailbox->white_king_moved;
        sweep->black_king_moved = mailbox->black_king_moved;
        passes::Pass m = pass_on(*mailbox);
        passes::Pass s = pass_on(*sweep);
        // Half the boards with the square sets a search keeps (for a board of
        // piece codes only).
        if (step % 2 == 0) {
            keep_square_sets(*sweep);
            if (sweep->square_sets_ready != 0) s.square_sets = sweep->square_sets;
        }
        passes::run_mailbox_pass<false>(m);
        if (!passes::run_sweep_pass(s)) continue;
        ++taken;
        SCOPED_TRACE(step);
        ASSERT_EQ(m.count, s.count);
        EXPECT_EQ(m.white_count, s.white_count);
        EXPECT_EQ(m.black_count, s.black_count);
        EXPECT_EQ(m.captures, s.captures);
        EXPECT_TRUE(m.records == s.records);
        EXPECT_EQ(m.white_king_sq, s.white_king_sq);
        EXPECT_EQ(m.black_king_sq, s.black_king_sq);
        EXPECT_EQ(mailbox->board[1], sweep->board[1]);
        EXPECT_EQ(mailbox->board[9], sweep->board[9]);
        for (int r = 1; r <= m.count; ++r) {
            ASSERT_EQ(m.rows[r * move_list_columns], s.rows[r * move_list_columns]) << "row " << r;
            ASSERT_EQ(m.rows[r * move_list_columns + 1], s.rows[r * move_list_columns + 1])
                << "row " << r;
        }
    }
    // The boards left to the mailbox pass: codes that are no piece, lists
    // near the row limit.
    EXPECT_GT(taken, boards * 9 / 10);
}

}  // namespace
}  // namespace chess
