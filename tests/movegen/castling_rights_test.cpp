// The castling bookkeeping that follows every move of the game.
#include "movegen/castling_rights.h"

#include <gtest/gtest.h>

#include "support/session.h"

namespace chess {
namespace {

// Puts `code` into row 1 of the ply-1 list, moves the piece on the board as
// the move would, and applies the bookkeeping.
void note_move(GameState& g, int16_t code) {
    g.ply = 1;
    g.move_index = 1;
    g.move_list[1][GameState::ply_base[1] + 1] = code;
    const int from = code / 100;
    const int to = code % 100;
    g.board[to] = g.board[from];
    g.board[from] = 0;
    note_castling_loss(g);
}

int flags_set(const GameState& g) {
    int n = 0;
    for (int i = 1; i <= 6; ++i) n += g.castle_moved[i];
    return n + g.white_king_moved + g.black_king_moved;
}

TEST(CastlingLoss, KingMovesMarkTheKing) {
    auto g = testing::fresh_game();
    g->board[57] = 0;
    note_move(*g, 5857);  // E1E2
    EXPECT_EQ(g->castle_moved[1], 1);
    EXPECT_EQ(g->white_king_moved, 1);
    EXPECT_EQ(flags_set(*g), 2);

    auto b = testing::fresh_game();
    b->board[52] = 0;
    note_move(*b, 5152);  // E8E7
    EXPECT_EQ(b->castle_moved[4], 1);
    EXPECT_EQ(b->black_king_moved, 1);
    EXPECT_EQ(flags_set(*b), 2);
}

TEST(CastlingLoss, CastlingMarksTheKingOnly) {
    auto g = testing::fresh_game();
    g->board[68] = 0;
    g->board[78] = 0;
    note_move(*g, 5878);  // E1G1: the king lands on G1
    EXPECT_EQ(g->castle_moved[1], 1);
    EXPECT_EQ(g->white_king_moved, 1);
    EXPECT_EQ(flags_set(*g), 2);
}

TEST(CastlingLoss, CornerSquaresLeftByAnyPiece) {
    struct Case {
        int16_t code;
        int flag;
    };
    for (const Case c : {Case{8887, 2}, Case{1817, 3}, Case{8182, 5}, Case{1112, 6}}) {
        auto g = testing::fresh_game();
        g->board[c.code % 100] = 0;  // make room on the square in front
        note_move(*g, c.code);
        EXPECT_EQ(g->castle_moved[c.flag], 1) << c.code;
        EXPECT_EQ(flags_set(*g), 1) << c.code;
    }
    // A knight that stood on H1 counts as well: only the square is looked at.
    auto g = testing::fresh_game();
    g->board[88] = -2;
    g->board[76] = 0;
    note_move(*g, 8876);
    EXPECT_EQ(g->castle_moved[2], 1);
}

TEST(CastlingLoss, OtherMovesAndCapturesOnTheCornerChangeNothing) {
    auto g = testing::fresh_game();
    note_move(*g, 5755);  // E2E4
    note_move(*g, 7866);  // G1F3
    EXPECT_EQ(flags_set(*g), 0);
    // A piece arriving on H8 (a rook captured there) is not caught here.
    g->board[72] = 0;
    g->board[81] = 4;
    note_move(*g, 6681);
    EXPECT_EQ(flags_set(*g), 0);
}

TEST(CastlingLoss, FlagsAreOnlyEverSet) {
    auto g = testing::fresh_game();
    for (int i = 1; i <= 6; ++i) g->castle_moved[i] = 1;
    g->white_king_moved = 1;
    g->black_king_moved = 1;
    note_move(*g, 5755);
    EXPECT_EQ(flags_set(*g), 8);
}

TEST(CastlingLoss, RowOutsideTheListIsIgnored) {
    auto g = testing::fresh_game();
    g->ply = 1;
    g->move_index = 0;  // row 0 is never used and holds no move
    note_castling_loss(*g);
    g->move_index = -3;
    note_castling_loss(*g);
    g->move_index = 251;
    note_castling_loss(*g);
    EXPECT_EQ(flags_set(*g), 0);
}

}  // namespace
}  // namespace chess
