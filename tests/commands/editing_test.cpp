// EDIT, CLEAR and XMOVE: setting up and altering a position by hand.
#include "commands/editing.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "model/board.h"
#include "movegen/generate.h"
#include "support/command_helpers.h"
#include "support/session.h"

namespace chess {
namespace {

using namespace command_tests;
using testing::fresh_game;
using testing::run_session;

const std::string legend = "\r\n WHITE: PNBRQK=(-1,-6)   BLACK: pnbrqk=(+1, +6)\r\n";
const std::string edit_prompt = " ENTER PIECE, CHESS SQUARE (P,XY) ? \r\n";

std::unique_ptr<GameState> game_with(Io& io, const std::string& input) {
    auto g = fresh_game();
    g->ply = 1;
    generate_moves(*g);
    attach(*g, io, input);
    return g;
}

bool listed_at_ply_1(const GameState& g, int code) {
    for (int r = 1; r <= g.move_count[1]; ++r) {
        if (g.move_list[r][1] == code) return true;
    }
    return false;
}

// The cells other than `except` hold what they held before.
void expect_board_unchanged(const int16_t (&before)[100], const GameState& g, int except = -1) {
    for (int i = 0; i < 100; ++i) {
        if (i != except) {
            EXPECT_EQ(g.board[i], before[i]) << "cell " << i;
        }
    }
}

// ---- EDIT -----------------------------------------------------------------

TEST(EditSquare, PutsAPieceOrEmptiesASquare) {
    Io io;
    auto g = game_with(io, "0,E2\n");
    int16_t before[100];
    std::memcpy(before, g->board, sizeof before);
    edit_square(*g);
    EXPECT_EQ(io.out.str(), legend + edit_prompt);
    EXPECT_EQ(g->board[cell("E2")], 0);
    expect_board_unchanged(before, *g, cell("E2"));

    attach(*g, io, " 5 , d8\n");
    edit_square(*g);
    EXPECT_EQ(g->board[cell("D8")], queen);
    attach(*g, io, "-6,H5\n");
    edit_square(*g);
    EXPECT_EQ(g->board[cell("H5")], -king);
}

TEST(EditSquare, SquareOfAnotherLengthAsksAgainWithoutTheLegend) {
    Io io;
    auto g = game_with(io, "-2,E10\n-2\n-2,E\n-2,E3\n");
    edit_square(*g);
    EXPECT_EQ(io.out.str(), legend + edit_prompt + edit_prompt + edit_prompt + edit_prompt);
    EXPECT_EQ(g->board[cell("E3")], -knight);
}

TEST(EditSquare, LetterAsThePieceCodeEmptiesTheSquare) {
    Io io;
    auto g = game_with(io, "K,E1\n");
    edit_square(*g);
    EXPECT_EQ(g->board[sq_e1], 0);
}

TEST(EditSquare, CodesOutsideTheRangeAndSquaresOffTheBoardStoreNothing) {
    for (const std::string reply :
         {"7,E4", "-7,E4", "99999,E4", "-1,A0", "-1,A9", "-1,I4", "-1,E9", "1,@1", "1,44"}) {
        Io io;
        auto g = game_with(io, reply + "\n");
        int16_t before[100];
        std::memcpy(before, g->board, sizeof before);
        g->move_count[1] = 0;  // the list is generated again all the same
        edit_square(*g);
        expect_board_unchanged(before, *g);
        EXPECT_EQ(g->move_count[1], 40) << reply;
    }
}

TEST(EditSquare, GeneratesTheListAndKeepsTheRest) {
    Io io;
    auto g = game_with(io, "-5,D4\n");
    g->castle_moved[2] = 1;
    g->board[50] = GameState::ep_marker;
    g->computer_side = -1;
    edit_square(*g);
    EXPECT_TRUE(listed_at_ply_1(*g, cell("D4") * 100 + cell("D7")));
    EXPECT_EQ(g->castle_moved[2], 1);
    EXPECT_EQ(g->board[50], GameState::ep_marker);
    EXPECT_EQ(g->computer_side, -1);
}

TEST(EditSquare, EndOfInputStopsAtOnce) {
    Io io;
    auto g = game_with(io, "1,E123\n");
    edit_square(*g);
    EXPECT_TRUE(g->console.ended);
    EXPECT_EQ(io.out.str(), legend + edit_prompt + " ENTER PIECE, CHESS SQUARE (P,XY) ? ");
}

// ---- CLEAR -----------------------------------------------------------------

TEST(ClearBoard, EmptiesTheSquaresAndSetsTheMoveNumber) {
    Io io;
    auto g = game_with(io, "1\n12\n");
    const int16_t moves_before = g->move_count[1];
    const int16_t first_before = g->move_list[1][1];
    clear_board(*g);
    EXPECT_EQ(io.out.str(), "\r\nCLEAR BOARD (0=NO/1=YES) \r\nENTER MOVE NUMBER \r\n");
    for (int i = 0; i < 100; ++i) {
        if (is_playing_square(i)) {
            EXPECT_EQ(g->board[i], 0) << i;
        } else {
            EXPECT_GE(g->board[i], GameState::border_value) << i;
        }
    }
    EXPECT_EQ(g->move_number, 12);
    // The list of the position before CLEAR stays.
    EXPECT_EQ(g->move_count[1], moves_before);
    EXPECT_EQ(g->move_list[1][1], first_before);
}

TEST(ClearBoard, AnyAnswerButOneChangesNothing) {
    for (const std::string answer : {"0", "", "2", "YES", "-1"}) {
        Io io;
        auto g = game_with(io, answer + "\n5\n");
        int16_t before[100];
        std::memcpy(before, g->board, sizeof before);
        clear_board(*g);
        EXPECT_EQ(io.out.str(), "\r\nCLEAR BOARD (0=NO/1=YES) \r\n") << answer;
        expect_board_unchanged(before, *g);
        EXPECT_EQ(g->move_number, 1);
    }
}

// ---- XMOVE -----------------------------------------------------------------

TEST(MoveAnywhere, MovesWithoutAnyTest) {
    Io io;
    auto g = game_with(io, "E2E5\n");
    move_anywhere(*g);
    EXPECT_EQ(io.out.str(), "     MOVE ANYWHERE! >> \r\n");
    EXPECT_EQ(g->board[cell("E5")], -pawn);
    EXPECT_EQ(g->board[cell("E2")], 0);
    // Own piece captured, lower case, a king removed by the same square twice.
    attach(*g, io, "d1d2\n");
    move_anywhere(*g);
    EXPECT_EQ(g->board[cell("D2")], -queen);
    EXPECT_EQ(g->board[cell("D1")], 0);
    EXPECT_EQ(g->move_text, "D1D2");
    attach(*g, io, "E8E8\n");
    move_anywhere(*g);
    EXPECT_EQ(g->board[sq_e8], 0);
    // From an empty square: the to-square is emptied.
    attach(*g, io, "E4A7\n");
    move_anywhere(*g);
    EXPECT_EQ(g->board[cell("A7")], 0);
    EXPECT_TRUE(listed_at_ply_1(*g, cell("D2") * 100 + cell("D7")));
}

TEST(MoveAnywhere, ShortTextOrSquaresOffTheBoardChangeNothing) {
    for (const std::string text : {"E2E", "", "E2E9", "E0E4", "I2E4", "E2J4", "1234"}) {
        Io io;
        auto g = game_with(io, text + "\n");
        int16_t before[100];
        std::memcpy(before, g->board, sizeof before);
        g->move_count[1] = 0;
        move_anywhere(*g);
        expect_board_unchanged(before, *g);
        EXPECT_EQ(g->move_count[1], 40) << text;
    }
}

TEST(MoveAnywhere, KeepsCastlingFlagsMarkersAndColours) {
    Io io;
    auto g = game_with(io, "H1H4\n");
    g->board[59] = GameState::ep_marker;
    move_anywhere(*g);
    EXPECT_EQ(g->castle_moved[2], 0);
    EXPECT_EQ(g->board[59], GameState::ep_marker);
    EXPECT_EQ(g->human_side, -1);
}

// ---- Whole sessions -----------------------------------------------------------

TEST(EditingSession, ClearThenEditSetsUpAPosition) {
    auto r = run_session("0\n0\n0\nCLEAR\n1\n12\nEDIT\n-6,E1\nEDIT\n6,e8\nEDIT\n-4,A1\nA1A8\n",
                         false, [](GameState& g) { g.base_depth = 2; });
    EXPECT_TRUE(has_line(r.output, " 8  . . . . k . . .  8 "));
    EXPECT_TRUE(has_line(r.output, " 1  R . . . K . . .  1 "));
    EXPECT_TRUE(has_line(r.output, " 12 ) WHITE TO MOVE "));
    EXPECT_TRUE(has_line(r.output, "WHITE A1A8")) << r.output;
    EXPECT_EQ(r.game->move_number, 13);
}

TEST(EditingSession, MoveRightAfterClearIsLookedUpInTheOldList) {
    // CLEAR does not generate the list again: E2E4 is still listed, its
    // from-square is now empty; D2D5 was never listed.
    auto r = run_session("0\n0\n0\nCLEAR\n1\n1\nE2E4\nD2D5\n");
    EXPECT_NE(r.output.find(" 1 ) WHITE TO MOVE \r\nWRONG COLOR\r\n"), std::string::npos);
    EXPECT_NE(r.output.find(" 1 ) WHITE TO MOVE \r\n     ---INVALID MOVE---\r\n\r\n"),
              std::string::npos);
}

TEST(EditingSession, XmoveShowsTheBoardAndTheUserIsStillToMove) {
    auto r = run_session("0\n0\n0\nXMOVE\ne2e5\n", false, {});
    EXPECT_NE(r.output.find("     MOVE ANYWHERE! >> \r\n\r\n    A B C D E F G H"),
              std::string::npos);
    EXPECT_TRUE(has_line(r.output, " 5  . . . . P . . .  5 "));
    EXPECT_EQ(count_of(r.output, " 1 ) WHITE TO MOVE "), 2);
}

}  // namespace
}  // namespace chess
