// Positions from FEN and moves in long algebraic form, as a GUI gives them:
// good input sets up the position the rules of chess give, bad input is
// refused with a reason and leaves the position as it was.
#include "uci/position_setup.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <string>
#include <utility>

#include "model/board.h"
#include "model/game_state.h"

namespace chess::uci {
namespace {

const char* const start_fen = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

// The piece on a square named as in a FEN ("e4"): White's pieces negative.
int16_t at(const GameState& g, const char* square) {
    return g.board[(square[0] - 'a' + 1) * 10 + ('9' - square[1])];
}

bool same_position(const GameState& a, const GameState& b) {
    return std::equal(std::begin(a.board), std::end(a.board), std::begin(b.board)) &&
           std::equal(std::begin(a.castle_moved), std::end(a.castle_moved),
                      std::begin(b.castle_moved)) &&
           a.search_side == b.search_side && a.move_number == b.move_number;
}

std::unique_ptr<GameState> game(const char* fen = nullptr) {
    auto g = std::make_unique<GameState>();
    g->console.out = nullptr;
    set_up_start(*g);
    std::string error;
    if (fen != nullptr) {
        EXPECT_TRUE(set_up_fen(*g, fen, error)) << fen << ": " << error;
    }
    return g;
}

// Plays the moves; true when every one was accepted.
bool play(GameState& g, std::initializer_list<const char*> moves) {
    for (const char* move : moves) {
        std::string error;
        if (!play_move(g, move, error)) return false;
    }
    return true;
}

TEST(PositionSetup, StartPositionAndMoveNumbers) {
    const auto start = game();
    const auto from_fen = game(start_fen);
    EXPECT_TRUE(same_position(*start, *from_fen));
    EXPECT_EQ(at(*start, "e1"), -king);
    EXPECT_EQ(at(*start, "d8"), queen);
    EXPECT_TRUE(has_legal_move(*from_fen));
    ASSERT_TRUE(play(*from_fen, {"e2e4", "e7e5", "G1F3"}));
    EXPECT_EQ(at(*from_fen, "e4"), -pawn);
    EXPECT_EQ(at(*from_fen, "e2"), 0);
    EXPECT_EQ(at(*from_fen, "f3"), -knight);
    EXPECT_EQ(from_fen->move_number, 2);
    EXPECT_EQ(from_fen->search_side, GameState::black_side);

    // Missing fields: White to move, move 1; a given number is kept.
    const auto bare = game("4k3/8/8/8/8/8/8/4K3");
    EXPECT_EQ(bare->search_side, GameState::white_side);
    EXPECT_EQ(bare->move_number, 1);
    const auto late = game("4k3/8/8/8/8/8/8/4K3 b - - 12 37");
    EXPECT_EQ(late->move_number, 37);
    ASSERT_TRUE(play(*late, {"e8d7"}));
    EXPECT_EQ(late->move_number, 38);
}

TEST(PositionSetup, CastlingFollowsTheRightsAndTheAttackedSquares) {
    auto g = game("r3k2r/8/8/8/8/8/8/R3K2R w Kq - 0 1");
    EXPECT_FALSE(play(*g, {"e1c1"}));
    ASSERT_TRUE(play(*g, {"e1g1"}));
    EXPECT_EQ(at(*g, "g1"), -king);
    EXPECT_EQ(at(*g, "f1"), -rook);
    EXPECT_EQ(at(*g, "h1"), 0);
    EXPECT_FALSE(play(*g, {"e8g8"}));
    ASSERT_TRUE(play(*g, {"e8c8"}));
    EXPECT_EQ(at(*g, "c8"), king);
    EXPECT_EQ(at(*g, "d8"), rook);
    // No rights, or a right without its rook: the king steps one square only.
    EXPECT_FALSE(play(*game("r3k2r/8/8/8/8/8/8/R3K2R w - - 0 1"), {"e1g1"}));
    EXPECT_FALSE(play(*game("4k3/8/8/8/8/8/8/4K3 w KQ - 0 1"), {"e1g1"}));
    // Not across a square the rook on f8 attacks; the other side is free.
    EXPECT_FALSE(play(*game("r3kr2/8/8/8/8/8/8/R3K2R w KQq - 0 1"), {"e1g1"}));
    EXPECT_TRUE(play(*game("r3kr2/8/8/8/8/8/8/R3K2R w KQq - 0 1"), {"e1c1"}));
    // A king or rook that has moved loses the right.
    g = game("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1");
    EXPECT_FALSE(play(*g, {"h1g1", "a8b8", "g1h1", "b8a8", "e1g1"}));
    EXPECT_TRUE(play(*g, {"e1c1"}));
}

TEST(PositionSetup, EnPassantOnlyRightAfterTheDoubleStep) {
    auto g = game("4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 2");
    ASSERT_TRUE(play(*g, {"e5d6"}));
    EXPECT_EQ(at(*g, "d6"), -pawn);
    EXPECT_EQ(at(*g, "d5"), 0);
    EXPECT_FALSE(play(*game("4k3/8/8/3pP3/8/8/8/4K3 w - - 0 2"), {"e5d6"}));
    g = game("4k3/8/8/8/3Pp3/8/8/4K3 b - d3 0 1");
    ASSERT_TRUE(play(*g, {"e4d3"}));
    EXPECT_EQ(at(*g, "d4"), 0);
    // From moves: the right lasts one move.
    g = game();
    EXPECT_TRUE(play(*g, {"e2e4", "a7a6", "e4e5", "d7d5", "e5d6"}));
    g = game();
    EXPECT_FALSE(play(*g, {"e2e4", "a7a6", "e4e5", "d7d5", "a2a3", "a6a5", "e5d6"}));
    // A square with no pawn beside it that could have made the step is no right.
    g = game("4k3/8/8/4P3/8/8/8/4K3 w - d6 0 1");
    EXPECT_FALSE(play(*g, {"e5d6"}));
}

TEST(PositionSetup, PromotionToTheNamedPiece) {
    for (const auto& [text, piece] :
         {std::pair{"a7a8", queen}, std::pair{"a7a8q", queen}, std::pair{"a7a8r", rook},
          std::pair{"a7a8b", bishop}, std::pair{"A7A8N", knight}}) {
        const auto g = game("4k3/P7/8/8/8/8/8/4K3 w - - 0 1");
        ASSERT_TRUE(play(*g, {text})) << text;
        EXPECT_EQ(at(*g, "a8"), -piece) << text;
        EXPECT_EQ(at(*g, "a7"), 0) << text;
    }
    auto g = game("4k3/8/8/8/8/8/p7/4K3 b - - 0 1");
    ASSERT_TRUE(play(*g, {"a2a1r"}));
    EXPECT_EQ(at(*g, "a1"), rook);
    // The engine's own moves are always named with a queen.
    g = game("4k3/P7/8/8/8/8/8/4K3 w - - 0 1");
    EXPECT_EQ(move_text(*g, 1211), "a7a8q");
    EXPECT_EQ(move_text(*g, 5848), "e1d1");
    EXPECT_EQ(move_text(*g, 0), "0000");
}

TEST(PositionSetup, BadFenIsRefusedAndChangesNothing) {
    for (const char* fen : {
             "",
             "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1 extra",
             "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP w KQkq - 0 1",
             "rnbqkbnr/pppppppp/8/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
             "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR/ w",
             "rnbqkbnr/ppppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w",
             "rnbqkbnr/ppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w",
             "rnbqkbnr/pppppppp/9/8/8/8/PPPPPPPP/RNBQKBNR w",
             "rnbqkbnx/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w",
             "\x01\x7f\xff w - - 0 1",
             "w KQkq - 0 1",
             "4k3/8/8/8/8/8/8/4KK2 w - - 0 1",  // two white kings
             "8/8/8/8/8/8/8/4K3 w - - 0 1",     // no black king
             "P3k3/8/8/8/8/8/8/4K3 w - - 0 1",  // a pawn on the last rank
             "4k3/8/8/8/8/8/8/p3K3 b - - 0 1",  // ... and on the first
             "4k3/8/8/8/8/8/8/4QK2 w - - 0 1",  // the side not to move in check
             "4k3/8/8/8/8/8/8/4K3 x - - 0 1",
             "4k3/8/8/8/8/8/8/4K3 W - - 0 1",
             "4k3/8/8/8/8/8/8/4K3 w KX - 0 1",
             "4k3/8/8/8/8/8/8/4K3 w - e4 0 1",
             "4k3/8/8/8/8/8/8/4K3 w - z6 0 1",
             "4k3/8/8/8/8/8/8/4K3 w - d66 0 1",
             "4k3/8/8/8/8/8/8/4K3 w - - -1 1",
             "4k3/8/8/8/8/8/8/4K3 w - - 0 abc",
         }) {
        const auto g = game("4k3/8/8/8/8/8/8/R3K3 b Q - 3 20");
        const auto before = std::make_unique<GameState>(*g);
        std::string error;
        EXPECT_FALSE(set_up_fen(*g, fen, error)) << fen;
        EXPECT_FALSE(error.empty()) << fen;
        EXPECT_TRUE(same_position(*g, *before)) << fen;
    }
}

TEST(PositionSetup, BadMovesAreRefusedAndChangeNothing) {
    for (const char* move : {"", "e2", "e2e", "e2e4x", "e2e4e5", "i2i4", "e0e1", "e2e9", "e7e5",
                             "e2e5", "e1e2", "e2e4q", "a7a8k", "g1g3", "\xff\xfe\x01\x02"}) {
        const auto g = game();
        const auto before = std::make_unique<GameState>(*g);
        std::string error;
        EXPECT_FALSE(play_move(*g, move, error)) << move;
        EXPECT_FALSE(error.empty()) << move;
        EXPECT_TRUE(same_position(*g, *before)) << move;
        EXPECT_TRUE(play(*g, {"e2e4"})) << "after " << move;
    }
    // A pinned piece stays; a king does not step into check.
    EXPECT_FALSE(play(*game("4k3/4r3/8/8/8/8/4B3/4K3 w - - 0 1"), {"e2d3"}));
    EXPECT_FALSE(play(*game("4k3/3r4/8/8/8/8/8/4K3 w - - 0 1"), {"e1d1"}));
    EXPECT_TRUE(play(*game("4k3/3r4/8/8/8/8/8/4K3 w - - 0 1"), {"e1f1"}));
    // Mate and stalemate leave no legal move.
    EXPECT_FALSE(has_legal_move(*game("7k/6Q1/6K1/8/8/8/8/8 b - - 0 1")));
    EXPECT_FALSE(has_legal_move(*game("7k/5Q2/6K1/8/8/8/8/8 b - - 0 1")));
    EXPECT_TRUE(has_legal_move(*game("7k/8/5QK1/8/8/8/8/8 b - - 0 1")));
}

}  // namespace
}  // namespace chess::uci
