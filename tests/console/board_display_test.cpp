// The board display: its exact text, the material totals, the depth of the
// next search and the castling-flag correction made at every display.
#include "console/board_display.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "io/console_io.h"
#include "model/board.h"
#include "model/start_position.h"
#include "support/session.h"

namespace chess {
namespace {

// A fresh game whose console output goes to `out`.
std::unique_ptr<GameState> game_printing_to(std::ostringstream& out) {
    auto g = testing::fresh_game();
    g->console.out = &out;
    return g;
}

// Kings on E1 and E8 and `queens` + `pawns` more white and black material,
// for a board whose `piece_total` is 12 + 5 * queens + pawns.
std::string placement_with(int queens, int pawns) {
    std::string squares(64, '.');
    squares[4] = 'k';   // E8
    squares[60] = 'K';  // E1
    int next = 8;       // from A7 on, skipping the kings' ranks
    for (int i = 0; i < queens; ++i) squares[next++] = (i % 2 == 0) ? 'Q' : 'q';
    for (int i = 0; i < pawns; ++i) squares[next++] = (i % 2 == 0) ? 'P' : 'p';
    return squares;
}

const std::string initial_board_text =
    "\r\n"
    "    A B C D E F G H     COMMANDS= DEPTH SWAP  LOAD  EDIT  SUGGEST\r\n"
    "   =================        XMOVE BACK  WHITE BLACK CLEAR SAVE QUIT\r\n"
    " 8  r n b q k b n r  8 \r\n"
    " 7  o o o o o o o o  7 \r\n"
    " 6  . . . . . . . .  6 \r\n"
    " 5  . . . . . . . .  5 \r\n"
    " 4  . . . . . . . .  4 \r\n"
    " 3  . . . . . . . .  3 \r\n"
    " 2  P P P P P P P P  2 \r\n"
    " 1  R N B Q K B N R  1 \r\n"
    "   =================       MOVE  BOARD  WHITE  BLACK   DEPTH\r\n"
    "    A B C D E F G H          1     74     37     37     4 \r\n"
    "\r\n"
    "\r\n";

TEST(BoardDisplay, InitialPositionExactText) {
    std::ostringstream out;
    auto g = game_printing_to(out);
    show_board(*g);
    EXPECT_EQ(out.str(), initial_board_text);
    EXPECT_EQ(g->piece_total, 74);
    EXPECT_EQ(g->white_total, -37);
    EXPECT_EQ(g->black_total, 37);
    EXPECT_EQ(g->search_depth, 4);
    EXPECT_EQ(g->threat_divisor, 15);
    // The footer's figures stand in their print zones: the first zone
    // after the 22-character file line starts at column 28.
    const std::string footer = "    A B C D E F G H          1     74     37     37     4 ";
    EXPECT_EQ(footer.find(" 1 "), 28u);
}

TEST(BoardDisplay, TotalsAreRecountedAtEveryDisplay) {
    std::ostringstream out;
    auto g = game_printing_to(out);
    show_board(*g);
    show_board(*g);
    EXPECT_EQ(g->piece_total, 74);
    EXPECT_EQ(g->white_total, -37);
    EXPECT_EQ(g->black_total, 37);
    EXPECT_EQ(out.str(), initial_board_text + initial_board_text);
}

TEST(BoardDisplay, TwoKingsAlone) {
    std::ostringstream out;
    auto g = game_printing_to(out);
    ASSERT_TRUE(testing::set_placement(*g, placement_with(0, 0)));
    show_board(*g);
    EXPECT_EQ(g->piece_total, 12);
    EXPECT_EQ(g->search_depth, 6);  // base depth 4 + 2
    EXPECT_EQ(g->threat_divisor, 50);
    EXPECT_EQ(out.str(),
              "\r\n"
              "    A B C D E F G H     COMMANDS= DEPTH SWAP  LOAD  EDIT  SUGGEST\r\n"
              "   =================        XMOVE BACK  WHITE BLACK CLEAR SAVE QUIT\r\n"
              " 8  . . . . k . . .  8 \r\n"
              " 7  . . . . . . . .  7 \r\n"
              " 6  . . . . . . . .  6 \r\n"
              " 5  . . . . . . . .  5 \r\n"
              " 4  . . . . . . . .  4 \r\n"
              " 3  . . . . . . . .  3 \r\n"
              " 2  . . . . . . . .  2 \r\n"
              " 1  . . . . K . . .  1 \r\n"
              "   =================       MOVE  BOARD  WHITE  BLACK   DEPTH\r\n"
              "    A B C D E F G H          1     12     6     6     6 \r\n"
              "\r\n"
              "\r\n");
}

TEST(BoardDisplay, FooterShowsMoveNumberAndWhiteMaterialUnsigned) {
    std::ostringstream out;
    auto g = game_printing_to(out);
    g->move_number = 123;
    g->board[55] = -5;  // an extra white queen on E4
    show_board(*g);
    EXPECT_EQ(g->white_total, -42);
    EXPECT_NE(out.str().find("    A B C D E F G H          123     79     42     37     4 \r\n"),
              std::string::npos)
        << out.str();
    EXPECT_NE(out.str().find(" 4  . . . . Q . . .  4 \r\n"), std::string::npos);
}

struct ScheduleCase {
    int queens;
    int pawns;
    int total;
    int depth;           // with base depth 4
    int threat_divisor;  // from the starting 15
};

TEST(BoardDisplay, DepthScheduleFollowsMaterial) {
    const ScheduleCase cases[] = {
        {6, 3, 45, 4, 15}, {6, 2, 44, 5, 15}, {5, 4, 41, 5, 15},
        {5, 3, 40, 5, 50}, {2, 0, 22, 5, 50}, {1, 4, 21, 6, 50},
    };
    for (const ScheduleCase& c : cases) {
        std::ostringstream out;
        auto g = game_printing_to(out);
        ASSERT_TRUE(testing::set_placement(*g, placement_with(c.queens, c.pawns)));
        show_board(*g);
        EXPECT_EQ(g->piece_total, c.total);
        EXPECT_EQ(g->search_depth, c.depth) << "total " << c.total;
        EXPECT_EQ(g->threat_divisor, c.threat_divisor) << "total " << c.total;
    }
}

TEST(BoardDisplay, DepthNeverExceedsEight) {
    std::ostringstream out;
    auto g = game_printing_to(out);
    ASSERT_TRUE(testing::set_placement(*g, placement_with(1, 3)));  // total 20
    g->base_depth = 8;
    show_board(*g);
    EXPECT_EQ(g->piece_total, 20);
    EXPECT_EQ(g->search_depth, 8);
    g->base_depth = 7;
    show_board(*g);
    EXPECT_EQ(g->search_depth, 8);
    g->base_depth = 5;
    show_board(*g);
    EXPECT_EQ(g->search_depth, 7);
}

TEST(BoardDisplay, ThreatDivisorIsNeverSetBack) {
    std::ostringstream out;
    auto g = game_printing_to(out);
    ASSERT_TRUE(testing::set_placement(*g, placement_with(0, 0)));
    show_board(*g);
    EXPECT_EQ(g->threat_divisor, 50);
    load_start_position(*g);
    g->threat_divisor = 50;  // as a game would have left it
    show_board(*g);
    EXPECT_EQ(g->piece_total, 74);
    EXPECT_EQ(g->threat_divisor, 50);
    EXPECT_EQ(g->search_depth, 4);
}

TEST(BoardDisplay, RaisedDepthIsKeptForOneDisplay) {
    std::ostringstream out;
    auto g = game_printing_to(out);
    ASSERT_TRUE(testing::set_placement(*g, placement_with(0, 0)));
    g->search_depth = 9;
    g->hold_depth = 1;
    show_board(*g);
    EXPECT_EQ(g->search_depth, 9);
    EXPECT_EQ(g->hold_depth, 0);
    // The held display leaves the divisor alone even at low material.
    EXPECT_EQ(g->threat_divisor, 15);
    EXPECT_NE(out.str().find("     12     6     6     9 \r\n"), std::string::npos);
    show_board(*g);
    EXPECT_EQ(g->search_depth, 6);
    EXPECT_EQ(g->threat_divisor, 50);
}

TEST(BoardDisplay, CastlingFlagsFollowKingsAndRooksOffTheirSquares) {
    std::ostringstream out;
    auto g = game_printing_to(out);
    show_board(*g);
    for (int i = 1; i <= 6; ++i) EXPECT_EQ(g->castle_moved[i], 0) << i;
    EXPECT_EQ(g->white_king_moved, 0);
    EXPECT_EQ(g->black_king_moved, 0);

    // The rook on H1 has gone: only its flag is set.
    g->board[sq_h1] = 0;
    show_board(*g);
    EXPECT_EQ(g->castle_moved[2], 1);
    for (int i : {1, 3, 4, 5, 6}) EXPECT_EQ(g->castle_moved[i], 0) << i;

    // Putting a rook back does not clear it.
    g->board[sq_h1] = -4;
    show_board(*g);
    EXPECT_EQ(g->castle_moved[2], 1);

    // A black piece on A1 is not White's rook; the black king off E8.
    g->board[sq_a1] = 4;
    g->board[sq_e8] = 0;
    g->board[sq_e8 + 10] = 6;
    show_board(*g);
    EXPECT_EQ(g->castle_moved[3], 1);
    EXPECT_EQ(g->castle_moved[4], 1);
    EXPECT_EQ(g->black_king_moved, 1);
    EXPECT_EQ(g->castle_moved[1], 0);
    EXPECT_EQ(g->white_king_moved, 0);

    // White king and both black rooks gone.
    g->board[sq_e1] = 0;
    g->board[sq_h8] = 0;
    g->board[sq_a8] = 0;
    show_board(*g);
    EXPECT_EQ(g->castle_moved[1], 1);
    EXPECT_EQ(g->white_king_moved, 1);
    EXPECT_EQ(g->castle_moved[5], 1);
    EXPECT_EQ(g->castle_moved[6], 1);
}

TEST(BoardDisplay, CastlingCorrectionOnlyEverSetsFlags) {
    std::ostringstream out;
    auto g = game_printing_to(out);
    for (int i = 1; i <= 6; ++i) g->castle_moved[i] = 1;
    g->white_king_moved = 1;
    g->black_king_moved = 1;
    show_board(*g);  // every king and rook is at home
    for (int i = 1; i <= 6; ++i) EXPECT_EQ(g->castle_moved[i], 1) << i;
    EXPECT_EQ(g->white_king_moved, 1);
    EXPECT_EQ(g->black_king_moved, 1);
}

TEST(BoardDisplay, NothingIsPrintedOnceTheConsoleHasEnded) {
    std::ostringstream out;
    auto g = game_printing_to(out);
    g->console.ended = true;
    show_board(*g);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(g->piece_total, 74);
}

}  // namespace
}  // namespace chess
