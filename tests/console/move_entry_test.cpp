// Move entry through whole console sessions: the move prompt, moves typed in
// any case, refused moves, short replies, the command keywords and QUIT.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "apps/variant_settings.h"
#include "console/program.h"
#include "support/session.h"

namespace chess {
namespace {

using testing::board_text;
using testing::number_text;

const std::array<std::string, 8> initial_ranks = {"rnbqkbnr", "oooooooo", "........", "........",
                                                  "........", "........", "PPPPPPPP", "RNBQKBNR"};
const std::string initial_board = board_text(initial_ranks, 1, 74, 37, 37, 4);

const std::string start_plain =
    "\r\n    *** QUENTARO CHESS ***\r\n\r\n"
    "    SAVE OUTPUT TO FILE (1=YES) \r\n"
    "    USE OPENING BOOK MOVES (1=YES) \r\n"
    "    PLAY AS BLACK (1=YES) \r\n"
    "\r\n    NOTE MOVES ENTERED AS E2E4  -AND-  TO CASTLE USE E1G1 NOTATION\r\n";
const std::string start_book =
    "\r\n    *** QUENTARO CHESS ***\r\n\r\n"
    "    SAVE OUTPUT TO FILE (1=YES) \r\n"
    "    USE OPENING BOOK MOVES (1=YES) \r\n"
    "    USING OPENING BOOK MOVES\r\n"
    "    PLAY AS BLACK (1=YES) \r\n"
    "\r\n    NOTE MOVES ENTERED AS E2E4  -AND-  TO CASTLE USE E1G1 NOTATION\r\n";

std::string prompt(int move, const std::string& name) {
    return number_text(move) + ") " + name + " TO MOVE ";
}
const std::string white_1 = prompt(1, "WHITE");
const std::string invalid = "     ---INVALID MOVE---\r\n\r\n";

// The 64-letter book key of the initial position after the given plain moves.
std::string key_after(const std::vector<std::string>& moves) {
    std::string key = "rnbqkbnrpppppppp................................PPPPPPPPRNBQKBNR";
    auto index = [](const std::string& sq) { return (8 - (sq[1] - '0')) * 8 + (sq[0] - 'A'); };
    for (const std::string& m : moves) {
        key[static_cast<size_t>(index(m.substr(2, 2)))] =
            key[static_cast<size_t>(index(m.substr(0, 2)))];
        key[static_cast<size_t>(index(m.substr(0, 2)))] = '.';
    }
    return key;
}

// Book files answering the first moves, so the computer's replies are known.
void write_books() {
    testing::write_file("MYBOOK.TXT", key_after({"E2E4"}) + ",E7E5\r\nZZ,\r\n");
    testing::write_file("WMYBOOK.TXT", key_after({"E7E5"}) + ",G1F3\r\nZZ,\r\n");
}

const std::string after_e4_e5 = board_text({"rnbqkbnr", "oooo.ooo", "........", "....o...",
                                            "....P...", "........", "PPPP.PPP", "RNBQKBNR"},
                                           2, 74, 37, 37, 4);

TEST(MoveEntry, LowerCaseMoveIsAcceptedAndPlayed) {
    testing::ScratchFolder folder;
    write_books();
    auto r = testing::run_session("0\n1\n0\ne2e4\n", false, {}, 1);
    EXPECT_EQ(r.output, start_book + initial_board + white_1 + "\r\n" +
                            "E7E5  \r\n"
                            "USING OPENING MOVE#  1 \r\n"
                            "\r\n"
                            "WHITE E2E4\r\n"
                            "BLACK E7E5\r\n" +
                            after_e4_e5 + prompt(2, "WHITE"));
    EXPECT_EQ(r.game->human_move_text, "E2E4");
    EXPECT_EQ(r.game->computer_move_text, "E7E5");
    EXPECT_EQ(r.game->move_number, 2);
    EXPECT_EQ(r.status, 0);
}

TEST(MoveEntry, OnlyTheFirstFourCharactersOfTheFirstFieldCount) {
    for (const char* typed : {"E2E4X", "e2e4 please", "  E2e4,E7E5", "\"e2e4\""}) {
        testing::ScratchFolder folder;
        write_books();
        auto r = testing::run_session(std::string("0\n1\n0\n") + typed + "\n", false, {}, 1);
        EXPECT_EQ(r.output, start_book + initial_board + white_1 + "\r\n" +
                                "E7E5  \r\nUSING OPENING MOVE#  1 \r\n\r\n"
                                "WHITE E2E4\r\nBLACK E7E5\r\n" +
                                after_e4_e5 + prompt(2, "WHITE"))
            << typed;
    }
}

TEST(MoveEntry, TheAcceptedMoveIsRecordedForBack) {
    testing::ScratchFolder folder;
    write_books();
    auto r = testing::run_session("0\n1\n0\nE2E4\n", false, {}, 1);
    // The snapshot holds the position before the user's move.
    EXPECT_EQ(r.game->snapshot.board[57], -1);
    EXPECT_EQ(r.game->snapshot.board[55], 0);
    EXPECT_EQ(r.game->snapshot.move_number, 1);
    EXPECT_EQ(r.game->board[55], -1);
    EXPECT_EQ(r.game->board[54], 1);  // E5
}

TEST(MoveEntry, MoveOfTheOtherColourIsRefused) {
    auto r = testing::run_session("0\n0\n0\nE7E5\ne8e7\n");
    EXPECT_EQ(r.output, start_plain + initial_board + white_1 + "\r\n" + "WRONG COLOR\r\n" +
                            white_1 + "\r\n" + invalid + white_1);
    EXPECT_EQ(r.game->move_number, 1);
    EXPECT_EQ(r.game->board[52], 1);  // E7 untouched
}

TEST(MoveEntry, TextsThatNameNoListedMoveAreInvalid) {
    for (const char* typed : {"E2E5", "E9E4", "I2I4", "E2E0", "XXXX", "1234", "E1G1", "A1A1"}) {
        auto r = testing::run_session(std::string("0\n0\n0\n") + typed + "\n");
        EXPECT_EQ(r.output, start_plain + initial_board + white_1 + "\r\n" + invalid + white_1)
            << typed;
    }
}

TEST(MoveEntry, FewerThanFourCharactersPromptAgainSilently) {
    auto r = testing::run_session("0\n0\n0\n\nE2\nboa\n   \n,E2E4\n");
    std::string expected = start_plain + initial_board;
    for (int i = 0; i < 6; ++i) expected += white_1 + (i < 5 ? "\r\n" : "");
    EXPECT_EQ(r.output, expected);
}

TEST(MoveEntry, BoardKeywordShowsTheBoardOnce) {
    auto r = testing::run_session("0\n0\n0\nboard\nBOARDS\nBoAr\n");
    EXPECT_EQ(r.output, start_plain + initial_board + white_1 + "\r\n" + initial_board + white_1 +
                            "\r\n" + initial_board + white_1 + "\r\n" + initial_board + white_1);
}

TEST(MoveEntry, QuitAsksForReturnAndEnds) {
    for (const char* typed : {"quit", "QUIT", "QUITE", "exit", "Exit now"}) {
        auto r = testing::run_session(std::string("0\n0\n0\n") + typed + "\n\nE2E4\n");
        EXPECT_EQ(r.output,
                  start_plain + initial_board + white_1 + "\r\n" + "   HIT RETURN TO QUIT\r\n")
            << typed;
        EXPECT_EQ(r.game->game_over, 1);
        EXPECT_TRUE(r.game->console.ended);
        EXPECT_EQ(r.status, 0);
    }
}

TEST(MoveEntry, QuitWithNoReplyLeft) {
    auto r = testing::run_session("0\n0\n0\nQUIT\n");
    EXPECT_EQ(r.output, start_plain + initial_board + white_1 + "\r\n" + "   HIT RETURN TO QUIT");
}

TEST(MoveEntry, QuitInTheVariantEndsLikeAFinishedGame) {
    auto r = testing::run_session("0\n0\n0\nquit\n\nE2E4\n", true);
    EXPECT_EQ(r.output, start_plain + initial_board + white_1 + "\r\n" + initial_board +
                            "GAME OVER  HIT RETURN\r\n");
    EXPECT_EQ(r.output.find("HIT RETURN TO QUIT"), std::string::npos);
    EXPECT_TRUE(r.game->console.ended);
}

TEST(MoveEntry, QuitLeavesTheTranscriptCompleteInBothPrograms) {
    for (bool variant : {false, true}) {
        testing::ScratchFolder folder;
        write_books();
        auto g = std::make_unique<GameState>();
        std::istringstream in("1\nT.TXT\n1\n0\nE2E4\nEXIT\n\n");
        std::ostringstream out;
        const int status = run_program(*g, in, out, false,
                                       variant ? variant_program_settings : main_program_settings);
        EXPECT_EQ(status, 0);
        EXPECT_EQ(testing::read_file("T.TXT"), "COMPUTER PLAYS BLACK\r\nE2E4 E7E5 ");
        const std::string tail = variant ? after_e4_e5 + "GAME OVER  HIT RETURN\r\n"
                                         : std::string("   HIT RETURN TO QUIT\r\n");
        ASSERT_GE(out.str().size(), tail.size());
        EXPECT_EQ(out.str().substr(out.str().size() - tail.size()), tail) << variant;
        EXPECT_EQ(g->transcript_file, nullptr);
    }
}

TEST(MoveEntry, ColourCommandsChangeTheUsersSide) {
    auto r = testing::run_session("0\n0\n0\nblack\nE2E4\nWhite\nWHITE\n");
    EXPECT_EQ(r.output, start_plain + initial_board + white_1 + "\r\n" + prompt(1, "BLACK") +
                            "\r\n" + "WRONG COLOR\r\n" + prompt(1, "BLACK") + "\r\n" + white_1 +
                            "\r\n" + white_1);
    EXPECT_EQ(r.game->computer_side, 1);
    EXPECT_EQ(r.game->human_side, -1);
    EXPECT_EQ(r.game->search_side, 1);
}

TEST(MoveEntry, VariantShowsTheBoardAfterColourCommands) {
    auto r = testing::run_session("0\n0\n0\nBLACK\nwhite\n", true);
    EXPECT_EQ(r.output, start_plain + initial_board + white_1 + "\r\n" + initial_board +
                            prompt(1, "BLACK") + "\r\n" + initial_board + white_1);
}

TEST(MoveEntry, AfterBlackTheUserMovesBlackAndTheComputerWhite) {
    testing::ScratchFolder folder;
    write_books();
    auto r = testing::run_session("0\n1\n0\nBLACK\ne7e5\n", false, {}, 1);
    EXPECT_EQ(r.output, start_book + initial_board + white_1 + "\r\n" + prompt(1, "BLACK") +
                            "\r\n" +
                            "G1F3  \r\nUSING OPENING MOVE#  1 \r\n\r\n"
                            "BLACK E7E5\r\n"
                            "WHITE G1F3\r\n" +
                            board_text({"rnbqkbnr", "oooo.ooo", "........", "....o...", "........",
                                        ".....N..", "PPPPPPPP", "RNBQKB.R"},
                                       2, 74, 37, 37, 4) +
                            prompt(2, "BLACK"));
    EXPECT_EQ(r.game->computer_side, -1);
}

TEST(MoveEntry, DepthShowsItsOwnBoardOnly) {
    auto r = testing::run_session("0\n0\n0\ndepth\n3\n");
    EXPECT_EQ(r.output, start_plain + initial_board + white_1 + "\r\n" +
                            "CURRENT BASE DEPTH =  4 \r\n"
                            "NEW VALUE= \r\n" +
                            board_text(initial_ranks, 1, 74, 37, 37, 3) + white_1);
    EXPECT_EQ(r.game->base_depth, 3);
}

TEST(MoveEntry, ClearKeepsTheOldListUntilItIsRebuilt) {
    auto r = testing::run_session("0\n0\n0\nCLEAR\n1\n1\nE2E4\nE2E5\n");
    const std::string empty_board = board_text({"........", "........", "........", "........",
                                                "........", "........", "........", "........"},
                                               1, 0, 0, 0, 6);
    EXPECT_EQ(r.output, start_plain + initial_board + white_1 + "\r\n" +
                            "\r\nCLEAR BOARD (0=NO/1=YES) \r\n"
                            "ENTER MOVE NUMBER \r\n" +
                            empty_board + white_1 + "\r\n" + "WRONG COLOR\r\n" + white_1 + "\r\n" +
                            invalid + white_1);
}

TEST(MoveEntry, EditRebuildsTheList) {
    // After E2 is emptied by EDIT, E2E4 is no longer a listed move.
    auto r = testing::run_session("0\n0\n0\nEDIT\n0,E2\nE2E4\n");
    const std::string tail = board_text({"rnbqkbnr", "oooooooo", "........", "........", "........",
                                         "........", "PPPP.PPP", "RNBQKBNR"},
                                        1, 73, 36, 37, 4) +
                             white_1 + "\r\n" + invalid + white_1;
    ASSERT_GE(r.output.size(), tail.size());
    EXPECT_EQ(r.output.substr(r.output.size() - tail.size()), tail);
    EXPECT_NE(r.output.find(" ENTER PIECE, CHESS SQUARE (P,XY) "), std::string::npos);
}

TEST(MoveEntry, BackReturnsToThePositionBeforeTheLastAcceptedMove) {
    testing::ScratchFolder folder;
    testing::write_file("MYBOOK.TXT", key_after({"E2E4"}) + ",E7E5\r\n" +
                                          key_after({"E2E4", "E7E5", "G1F3"}) + ",B8C6\r\nZZ,\r\n");
    auto r = testing::run_session("0\n1\n0\nE2E4\nG1F3\nBACK\n", false, {}, 1);
    // The snapshot was recorded when G1F3 was accepted, after the first turn.
    const std::string tail = "WHITE G1F3\r\nBLACK B8C6\r\n" +
                             board_text({"r.bqkbnr", "oooo.ooo", "..n.....", "....o...", "....P...",
                                         ".....N..", "PPPP.PPP", "RNBQKB.R"},
                                        3, 74, 37, 37, 4) +
                             prompt(3, "WHITE") + "\r\n" + after_e4_e5 + prompt(2, "WHITE");
    ASSERT_GE(r.output.size(), tail.size());
    EXPECT_EQ(r.output.substr(r.output.size() - tail.size()), tail);
    EXPECT_EQ(r.game->move_number, 2);
    EXPECT_EQ(r.game->board[78], -2);  // the knight is back on G1
}

TEST(MoveEntry, SwapRebuildsTheList) {
    // The computer plays the user's E2E4 from the book; afterwards E2E3 is no
    // longer a listed move of the position.
    testing::ScratchFolder folder;
    testing::write_file("WMYBOOK.TXT", key_after({}) + ",E2E4\r\nZZ,\r\n");
    auto r = testing::run_session("0\n1\n0\nSWAP\nE2E3\n", false, {}, 1);
    const std::string tail = white_1 + "\r\n" +
                             "E2E4  \r\n"
                             "USING OPENING MOVE#  1 \r\n"
                             "\r\n"
                             "E2E4\r\n" +
                             board_text({"rnbqkbnr", "oooooooo", "........", "........", "....P...",
                                         "........", "PPPP.PPP", "RNBQKBNR"},
                                        1, 74, 37, 37, 4) +
                             prompt(1, "BLACK ") + "\r\n" + invalid + prompt(1, "BLACK ");
    ASSERT_GE(r.output.size(), tail.size());
    EXPECT_EQ(r.output.substr(r.output.size() - tail.size()), tail);
}

TEST(MoveEntry, EndOfInputAtTheMovePrompt) {
    auto r = testing::run_session("0\n0\n0\n");
    EXPECT_EQ(r.output, start_plain + initial_board + white_1);
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.game->console.ended);
    EXPECT_EQ(r.game->game_over, 0);
}

}  // namespace
}  // namespace chess
