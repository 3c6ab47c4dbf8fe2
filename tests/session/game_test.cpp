// Whole games through the console: refused moves and the check test, short
// games as White and as Black ending in mate or stalemate, the move report,
// the transcript and the end of the game.
//
// The positions are chosen so that the computer's reply never depends on the
// evaluation: it has exactly one legal move, or a mate in one that comes
// first among its legal moves, or its reply comes from the opening book.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "console/program.h"
#include "support/session.h"

namespace chess {
namespace {

using testing::board_text;
using testing::number_text;

std::string prompt(int move, const std::string& name) {
    return number_text(move) + ") " + name + " TO MOVE ";
}

const std::string banner = "\r\n    *** QUENTARO CHESS ***\r\n\r\n";
const std::string note =
    "\r\n    NOTE MOVES ENTERED AS E2E4  -AND-  TO CASTLE USE E1G1 NOTATION\r\n";
// Answers 0, 0, 0.
const std::string start_plain = banner +
                                "    SAVE OUTPUT TO FILE (1=YES) \r\n"
                                "    USE OPENING BOOK MOVES (1=YES) \r\n"
                                "    PLAY AS BLACK (1=YES) \r\n" +
                                note;
// Answers 1, T.TXT, 0, 0.
const std::string start_transcript = banner +
                                     "    SAVE OUTPUT TO FILE (1=YES) \r\n"
                                     "    FILENAME: \r\n"
                                     "\r\n"
                                     "    USE OPENING BOOK MOVES (1=YES) \r\n"
                                     "    PLAY AS BLACK (1=YES) \r\n" +
                                     note;
const std::string check = " YOU ARE IN CHECK!\r\n";
const std::string game_over = "GAME OVER <hit return> ";

// Replaces the position right after start-up (letters in book-key order,
// rank 8 first) and sets the base depth.
std::function<void(GameState&)> position(const std::string& placement, int16_t base_depth = 4) {
    return [placement, base_depth](GameState& g) {
        ASSERT_TRUE(testing::set_placement(g, placement));
        g.base_depth = base_depth;
    };
}

// ---- Refused moves and the check test -------------------------------------

// White: king E1, knight E2 (pinned by the rook on E8), rook H1. Black: rooks
// D8 and E8, king H8, pawn H2 (which covers G1). White lists 14 moves: knight
// C3 C1 D5 F5 G3 G1, rook xH2 G1 F1, king D1 D2 F1 F2, and E1G1. Of them only
// the three rook moves and the king's F1 and F2 are legal.
const std::string pinned_position =
    "...rr..k"
    "........"
    "........"
    "........"
    "........"
    "........"
    "....N..p"
    "....K..R";
const std::string pinned_board = board_text({"...rr..k", "........", "........", "........",
                                             "........", "........", "....N..o", "....K..R"},
                                            1, 27, 12, 15, 5);
const std::string check_test_marks = "==============\r\n.....\r\n";

TEST(CheckTest, PinnedPieceAndKingStepIntoCheck) {
    auto r = testing::run_session("0\n0\n0\nE2C3\ne1d1\n", false, position(pinned_position));
    const std::string white_1 = prompt(1, "WHITE");
    EXPECT_EQ(r.output, start_plain + pinned_board + white_1 + "\r\n" + check + check_test_marks +
                            pinned_board + white_1 + "\r\n" + check + check_test_marks +
                            pinned_board + white_1);
    const GameState& g = *r.game;
    EXPECT_EQ(g.move_number, 1);
    EXPECT_EQ(g.game_over, 0);
    EXPECT_EQ(g.board[57], -2);  // the knight is back on E2
    EXPECT_EQ(g.board[58], -6);
    EXPECT_EQ(g.board[36], 0);
    EXPECT_EQ(g.board[48], 0);
    // The check test ran for White at depth 2; both are back as before.
    EXPECT_EQ(g.search_side, 1);
    EXPECT_EQ(g.search_depth, 5);
}

TEST(CheckTest, RefusedKingStepKeepsTheRightToCastle) {
    // Making the king's step marks the king as moved; the step is refused and
    // taken back, so the mark must go too: E1G1 is still on the list (14
    // moves on the ruler) and the flags are as before.
    auto r = testing::run_session("0\n0\n0\nE1D2\n", false, position(pinned_position));
    const std::string white_1 = prompt(1, "WHITE");
    EXPECT_EQ(r.output, start_plain + pinned_board + white_1 + "\r\n" + check + check_test_marks +
                            pinned_board + white_1);
    EXPECT_EQ(r.game->castle_moved[1], 0);
    EXPECT_EQ(r.game->white_king_moved, 0);
}

TEST(CheckTest, TheCheckTestConsultsTheBookButNeverPlaysItsReply) {
    testing::ScratchFolder folder;
    testing::write_file("WMYBOOK.TXT", pinned_position + ",H1G1\r\nZZ,\r\n");
    auto r = testing::run_session("0\n1\n0\nE2C3\n", false, position(pinned_position), 2);
    const std::string white_1 = prompt(1, "WHITE");
    EXPECT_EQ(r.output, banner +
                            "    SAVE OUTPUT TO FILE (1=YES) \r\n"
                            "    USE OPENING BOOK MOVES (1=YES) \r\n"
                            "    USING OPENING BOOK MOVES\r\n"
                            "    PLAY AS BLACK (1=YES) \r\n" +
                            note + pinned_board + white_1 + "\r\n" + check +
                            "H1G1  \r\n"
                            "USING OPENING MOVE#  1 \r\n"
                            "\r\n" +
                            pinned_board + white_1);
    EXPECT_EQ(r.game->board[88], -4);
    EXPECT_EQ(r.game->board[78], 0);
    EXPECT_EQ(r.game->book_reply_pending, 0);
}

TEST(CheckTest, CastlingOntoACoveredSquare) {
    auto r = testing::run_session("0\n0\n0\nE1G1\n", false, position(pinned_position));
    const std::string white_1 = prompt(1, "WHITE");
    EXPECT_EQ(r.output, start_plain + pinned_board + white_1 + "\r\n" + check + check_test_marks +
                            pinned_board + white_1);
    const GameState& g = *r.game;
    EXPECT_EQ(g.board[58], -6);
    EXPECT_EQ(g.board[88], -4);
    EXPECT_EQ(g.board[68], 0);
    EXPECT_EQ(g.board[78], 0);
    // The refused castling keeps White's right to castle.
    EXPECT_EQ(g.castle_moved[1], 0);
    EXPECT_EQ(g.castle_moved[2], 0);
    EXPECT_EQ(g.white_king_moved, 0);
}

TEST(CheckTest, UserStalematedEndsTheGame) {
    // White king A1 alone against a black queen on C2: every white move is
    // refused and White is not in check.
    testing::ScratchFolder folder;
    const std::string board = board_text({".......k", "........", "........", "........",
                                          "........", "........", "..q.....", "K......."},
                                         1, 17, 6, 11, 6);
    auto r = testing::run_session("1\nT.TXT\n0\n0\nA1B1\n\n", false,
                                  position(".......k"
                                           "........"
                                           "........"
                                           "........"
                                           "........"
                                           "........"
                                           "..q....."
                                           "K......."));
    EXPECT_EQ(r.output, start_transcript + board + prompt(1, "WHITE") + "\r\n" + check +
                            "===\r\n"
                            "\r\n"
                            "<<<STALEMATE>>>\r\n" +
                            board + game_over + "\r\n");
    EXPECT_EQ(r.game->game_over, 1);
    EXPECT_TRUE(r.game->console.ended);
    // A stalemate leaves no record in the transcript.
    EXPECT_EQ(testing::read_file("T.TXT"), "COMPUTER PLAYS BLACK\r\n");
}

TEST(CheckTest, UserCheckmatedEndsTheGameWithATranscriptRecord) {
    // White king A1 in check from a black queen on B2 guarded by the king on C3.
    testing::ScratchFolder folder;
    const std::string board = board_text({"........", "........", "........", "........",
                                          "........", "..k.....", ".q......", "K......."},
                                         1, 17, 6, 11, 6);
    auto r = testing::run_session("1\nT.TXT\n0\n0\nA1B2\n\n", false,
                                  position("........"
                                           "........"
                                           "........"
                                           "........"
                                           "........"
                                           "..k....."
                                           ".q......"
                                           "K......."));
    EXPECT_EQ(r.output, start_transcript + board + prompt(1, "WHITE") + "\r\n" + check +
                            "===\r\n"
                            "\r\n"
                            "*** CHECKMATE! ***\r\n" +
                            board + game_over + "\r\n");
    EXPECT_EQ(testing::read_file("T.TXT"), "COMPUTER PLAYS BLACK\r\nA1B2  CHECKMATE!\r\n");
}

TEST(CheckTest, VariantEndsWithItsOwnPrompt) {
    const std::string board = board_text({"........", "........", "........", "........",
                                          "........", "..k.....", ".q......", "K......."},
                                         1, 17, 6, 11, 6);
    auto r = testing::run_session("0\n0\n0\nA1A2\n", true,
                                  position("........"
                                           "........"
                                           "........"
                                           "........"
                                           "........"
                                           "..k....."
                                           ".q......"
                                           "K......."));
    EXPECT_EQ(r.output, start_plain + board + prompt(1, "WHITE") + "\r\n" + check +
                            "===\r\n\r\n*** CHECKMATE! ***\r\n" + board + "GAME OVER  HIT RETURN");
}

// ---- Short games ------------------------------------------------------------

// Black's king shuttles between A8 and B8: the rook on D7 covers A7, B7 and
// C7, the bishop on A6 covers B7 and C8, so it always has exactly one move.
const std::string shuttle_position =
    "k......."
    "...R..P."
    "B......."
    "........"
    "........"
    "........"
    "........"
    "....K..R";

TEST(Game, WhiteCastlesThenMatesByPromotion) {
    testing::ScratchFolder folder;
    auto r = testing::run_session("1\nT.TXT\n0\n0\ne1g1\nG7G8\n\n", false,
                                  position(shuttle_position, 2));
    const std::string expected =
        start_transcript +
        board_text({"k.......", "...R..P.", "B.......", "........", "........", "........",
                    "........", "....K..R"},
                   1, 24, 18, 6, 3) +
        prompt(1, "WHITE") + "\r\n" +
        // Black's king has three moves on the list and one legal move.
        "===\r\n"
        ".\r\n"
        "WHITE E1G1\r\n"
        "BLACK A8B8\r\n" +
        board_text({".k......", "...R..P.", "B.......", "........", "........", "........",
                    "........", ".....RK."},
                   2, 24, 18, 6, 3) +
        prompt(2, "WHITE") + "\r\n" +
        // The new queen on G8 checks along the rank; five king moves, none legal.
        "=====\r\n"
        "\r\n"
        "*** CHECKMATE! ***\r\n" +
        board_text({".k....Q.", "...R....", "B.......", "........", "........", "........",
                    "........", ".....RK."},
                   2, 28, 22, 6, 3) +
        game_over + "\r\n";
    EXPECT_EQ(r.output, expected);
    const GameState& g = *r.game;
    EXPECT_EQ(g.board[71], -5);  // G8: the pawn became a queen
    EXPECT_EQ(g.board[78], -6);  // G1
    EXPECT_EQ(g.board[68], -4);  // F1
    EXPECT_EQ(g.board[88], 0);
    EXPECT_EQ(g.castle_moved[1], 1);
    EXPECT_EQ(g.white_king_moved, 1);
    EXPECT_EQ(g.move_number, 2);
    EXPECT_EQ(testing::read_file("T.TXT"),
              "COMPUTER PLAYS BLACK\r\nE1G1 A8B8 G7G8  CHECKMATE!\r\n");
}

TEST(Game, WhiteTakesEnPassantWithDiscoveredMate) {
    // Black: king A8 (boxed in by the king on B6 and the knight on A6), pawn
    // D7. White's F1G2 checks along the long diagonal; D7D5 is Black's only
    // answer, and E5D6 en passant opens the diagonal again.
    testing::ScratchFolder folder;
    auto r = testing::run_session("1\nT.TXT\n0\n0\nF1G2\nE5D6\n\n", false,
                                  position("k......."
                                           "...p...."
                                           "NK......"
                                           "....P..."
                                           "........"
                                           "........"
                                           "........"
                                           ".....B..",
                                           2));
    const std::string expected = start_transcript +
                                 board_text({"k.......", "...o....", "NK......", "....P...",
                                             "........", "........", "........", ".....B.."},
                                            1, 19, 12, 7, 4) +
                                 prompt(1, "WHITE") + "\r\n" +
                                 // Black lists D7D6, D7D5 and three king moves; only D7D5 is legal.
                                 "=====\r\n"
                                 ".\r\n"
                                 "WHITE F1G2\r\n"
                                 "BLACK D7D5\r\n" +
                                 board_text({"k.......", "........", "NK......", "...oP...",
                                             "........", "........", "......B.", "........"},
                                            2, 19, 12, 7, 4) +
                                 prompt(2, "WHITE") + "\r\n" +
                                 "===\r\n"
                                 "\r\n"
                                 "*** CHECKMATE! ***\r\n" +
                                 board_text({"k.......", "........", "NK.P....", "........",
                                             "........", "........", "......B.", "........"},
                                            2, 18, 12, 6, 4) +
                                 game_over + "\r\n";
    EXPECT_EQ(r.output, expected);
    EXPECT_EQ(r.game->board[44], 0);   // the pawn taken en passant is gone from D5
    EXPECT_EQ(r.game->board[43], -1);  // White's pawn stands on D6
    EXPECT_EQ(testing::read_file("T.TXT"),
              "COMPUTER PLAYS BLACK\r\nF1G2 D7D5 E5D6  CHECKMATE!\r\n");
}

TEST(Game, ComputerStalemated) {
    // The knight's move to C6 takes B8, the last square of Black's king.
    testing::ScratchFolder folder;
    auto r = testing::run_session("1\nT.TXT\n0\n0\nE5C6\n\n", false,
                                  position("k......."
                                           "........"
                                           ".K......"
                                           "....N..."
                                           "........"
                                           "........"
                                           "........"
                                           "........",
                                           2));
    EXPECT_EQ(r.output, start_transcript +
                            board_text({"k.......", "........", ".K......", "....N...", "........",
                                        "........", "........", "........"},
                                       1, 14, 8, 6, 4) +
                            prompt(1, "WHITE") + "\r\n" +
                            "===\r\n"
                            "\r\n"
                            "<<<STALEMATE>>>\r\n" +
                            board_text({"k.......", "........", ".KN.....", "........", "........",
                                        "........", "........", "........"},
                                       1, 14, 8, 6, 4) +
                            game_over + "\r\n");
    EXPECT_EQ(testing::read_file("T.TXT"), "COMPUTER PLAYS BLACK\r\n");
}

TEST(Game, ComputerStalematedInTheVariant) {
    auto r = testing::run_session("0\n0\n0\nE5C6\n\n", true,
                                  position("k......."
                                           "........"
                                           ".K......"
                                           "....N..."
                                           "........"
                                           "........"
                                           "........"
                                           "........",
                                           2));
    const std::string tail = "<<<STALEMATE>>>\r\n" +
                             board_text({"k.......", "........", ".KN.....", "........", "........",
                                         "........", "........", "........"},
                                        1, 14, 8, 6, 4) +
                             "GAME OVER  HIT RETURN\r\n";
    ASSERT_GE(r.output.size(), tail.size());
    EXPECT_EQ(r.output.substr(r.output.size() - tail.size()), tail);
}

TEST(Game, BlackGameWithABookReplyAndTheComputersMate) {
    // The user plays Black. White's first reply comes from the book; on the
    // second turn the rook's A1A8 is the first of White's legal moves that
    // mates (after A1A2 .. A1A7), so the search announces it and stops.
    testing::ScratchFolder folder;
    const std::string after_c5 =
        ".......k"
        ".p....pp"
        "........"
        "..p....."
        "........"
        "....K..."
        "........"
        "R.......";
    testing::write_file("WMYBOOK.TXT", after_c5 + ",E3F3\r\nZZ,\r\n");
    auto r = testing::run_session("1\nT.TXT\n1\n1\nc7c5\nB7B6\n\n", false,
                                  position(".......k"
                                           ".pp...pp"
                                           "........"
                                           "........"
                                           "........"
                                           "....K..."
                                           "........"
                                           "R.......",
                                           2),
                                  7);
    const std::string expected = banner +
                                 "    SAVE OUTPUT TO FILE (1=YES) \r\n"
                                 "    FILENAME: \r\n"
                                 "\r\n"
                                 "    USE OPENING BOOK MOVES (1=YES) \r\n"
                                 "    USING OPENING BOOK MOVES\r\n"
                                 "    PLAY AS BLACK (1=YES) \r\n" +
                                 note +
                                 board_text({".......k", ".oo...oo", "........", "........",
                                             "........", "....K...", "........", "R......."},
                                            1, 20, 10, 10, 4) +
                                 prompt(1, "BLACK") + "\r\n" +
                                 "E3F3  \r\n"
                                 "USING OPENING MOVE#  1 \r\n"
                                 "\r\n"
                                 "BLACK C7C5\r\n"
                                 "WHITE E3F3\r\n" +
                                 board_text({".......k", ".o....oo", "........", "..o.....",
                                             "........", ".....K..", "........", "R......."},
                                            2, 20, 10, 10, 4) +
                                 prompt(2, "BLACK") + "\r\n" +
                                 // No book reply: the empty candidate line, then 22 white moves on
                                 // the ruler, seven of them searched before the mate is found.
                                 "\r\n"
                                 "======================\r\n"
                                 ".......CHECKMATE! >>A1A8\r\n" +
                                 // The mating move is announced, not played.
                                 board_text({".......k", "......oo", ".o......", "..o.....",
                                             "........", ".....K..", "........", "R......."},
                                            2, 20, 10, 10, 4) +
                                 game_over + "\r\n";
    EXPECT_EQ(r.output, expected);
    EXPECT_EQ(r.game->board[18], -4);  // the rook is still on A1
    EXPECT_EQ(r.game->board[66], -6);  // the book reply was played: king on F3
    EXPECT_EQ(testing::read_file("T.TXT"),
              "E2E4 COMPUTER PLAYS WHITE\r\nC7C5 E3F3 B7B6 A1A8 CHECKMATE!\r\n");
}

// Black's king on A8 has no legal move and is not in check.
const std::string black_stalemated =
    "k......."
    "........"
    ".KN....."
    "........"
    "........"
    "........"
    ".......P"
    "........";

TEST(Game, GameOverFoundBySuggestEndsTheGameAfterTheNextMove) {
    auto r =
        testing::run_session("0\n0\n0\nSUGGEST\n2\nH2H3\n\n", false, position(black_stalemated));
    const std::string before = board_text({"k.......", "........", ".KN.....", "........",
                                           "........", "........", ".......P", "........"},
                                          1, 15, 9, 6, 6);
    const std::string after = board_text({"k.......", "........", ".KN.....", "........",
                                          "........", ".......P", "........", "........"},
                                         1, 15, 9, 6, 6);
    EXPECT_EQ(r.output, start_plain + before + prompt(1, "WHITE") + "\r\n" +
                            "SUGGEST MOVE FOR 1=WHITE, 2=BLACK \r\n"
                            "===\r\n"
                            "\r\n"
                            "<<<STALEMATE>>>\r\n"
                            "SUGGESTED MOVE: \r\n"
                            "ALTERNATE MOVE: \r\n" +
                            prompt(1, "WHITE") + "\r\n" +
                            // The computer's search stops after its ruler; the
                            // game ends without a move report.
                            "===\r\n" + after + game_over + "\r\n");
    EXPECT_EQ(r.game->move_number, 1);
}

TEST(Game, GameOverFoundBySuggestInTheVariant) {
    auto r =
        testing::run_session("0\n0\n0\nSUGGEST\n2\nH2H3\n\n", true, position(black_stalemated));
    const std::string after = board_text({"k.......", "........", ".KN.....", "........",
                                          "........", ".......P", "........", "........"},
                                         1, 15, 9, 6, 6);
    const std::string tail = prompt(1, "WHITE") + "\r\n" +
                             // The variant's search finishes with its own tests.
                             "===\r\n\r\n<<<STALEMATE>>>\r\n" + after + "GAME OVER  HIT RETURN\r\n";
    ASSERT_GE(r.output.size(), tail.size());
    EXPECT_EQ(r.output.substr(r.output.size() - tail.size()), tail);
}

// ---- The transcript over a longer game ---------------------------------------

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

TEST(Game, TranscriptHoldsSevenPairsALine) {
    testing::ScratchFolder folder;
    const std::vector<std::string> game = {"D2D4", "D7D5", "C2C4", "E7E6", "B1C3", "G8F6",
                                           "C1G5", "F8E7", "E2E3", "B8D7", "G1F3", "H7H6",
                                           "G5H4", "C7C6", "F1D3", "D5C4"};
    std::string book;
    std::string input = "1\nT.TXT\n1\n0\n";
    for (size_t i = 0; i < game.size(); i += 2) {
        std::vector<std::string> played(game.begin(), game.begin() + static_cast<long>(i) + 1);
        book += key_after(played) + "," + game[i + 1] + "\r\n";
        input += game[i] + "\n";
    }
    book += "ZZ,\r\n";
    testing::write_file("MYBOOK.TXT", book);

    auto r = testing::run_session(input, false, {}, 11);
    // The input ends at the ninth prompt: the transcript is complete all the same.
    EXPECT_EQ(testing::read_file("T.TXT"),
              "COMPUTER PLAYS BLACK\r\n"
              "D2D4 D7D5 C2C4 E7E6 B1C3 G8F6 C1G5 F8E7 E2E3 B8D7 G1F3 H7H6 G5H4 C7C6  \r\n"
              "F1D3 D5C4 ");
    EXPECT_EQ(r.game->transcript_pairs, 1);
    EXPECT_EQ(r.status, 0);
    // The last turn's report and the board before the ninth prompt.
    const std::string tail = "WHITE F1D3\r\nBLACK D5C4\r\n" +
                             board_text({"r.bqk..r", "oo.nboo.", "..o.on.o", "........", "..oP...B",
                                         "..NBPN..", "PP...PPP", "R..QK..R"},
                                        9, 73, 36, 37, 4) +
                             prompt(9, "WHITE");
    ASSERT_GE(r.output.size(), tail.size());
    EXPECT_EQ(r.output.substr(r.output.size() - tail.size()), tail);
    // Every reply came from the book.
    size_t count = 0;
    for (size_t at = r.output.find("USING OPENING MOVE#  1 \r\n\r\n"); at != std::string::npos;
         at = r.output.find("USING OPENING MOVE#  1 \r\n\r\n", at + 1)) {
        ++count;
    }
    EXPECT_EQ(count, 8u);
}

TEST(Game, EndOfInputMidGameClosesTheTranscript) {
    testing::ScratchFolder folder;
    testing::write_file("MYBOOK.TXT", key_after({"E2E4"}) + ",C7C5\r\nZZ,\r\n");
    auto r = testing::run_session("1\nT.TXT\n1\n0\nE2E4\n", false, {}, 3);
    EXPECT_EQ(testing::read_file("T.TXT"), "COMPUTER PLAYS BLACK\r\nE2E4 C7C5 ");
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.game->console.ended);
    EXPECT_EQ(r.game->game_over, 0);
    const std::string tail = "WHITE E2E4\r\nBLACK C7C5\r\n" +
                             board_text({"rnbqkbnr", "oo.ooooo", "........", "..o.....", "....P...",
                                         "........", "PPPP.PPP", "RNBQKBNR"},
                                        2, 74, 37, 37, 4) +
                             prompt(2, "WHITE");
    ASSERT_GE(r.output.size(), tail.size());
    EXPECT_EQ(r.output.substr(r.output.size() - tail.size()), tail);
}

TEST(Game, EndOfInputAtTheGameOverPrompt) {
    auto r = testing::run_session("0\n0\n0\nE5C6\n", false,
                                  position("k......."
                                           "........"
                                           ".K......"
                                           "....N..."
                                           "........"
                                           "........"
                                           "........"
                                           "........",
                                           2));
    const std::string tail = "<<<STALEMATE>>>\r\n" +
                             board_text({"k.......", "........", ".KN.....", "........", "........",
                                         "........", "........", "........"},
                                        1, 14, 8, 6, 4) +
                             game_over;
    ASSERT_GE(r.output.size(), tail.size());
    EXPECT_EQ(r.output.substr(r.output.size() - tail.size()), tail);
    EXPECT_EQ(r.status, 0);
}

// ---- What a person at the terminal sees and keeps --------------------------

// Input that hands out one reply at a time and, before each, lets the test
// look at what the running session has written so far.
class ProbedInput : public std::streambuf {
  public:
    ProbedInput(std::vector<std::string> lines, std::function<void(size_t)> probe)
        : lines_(std::move(lines)), probe_(std::move(probe)) {}

  protected:
    int_type underflow() override {
        if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
        if (next_ == lines_.size()) return traits_type::eof();
        probe_(next_);
        current_ = lines_[next_++] + "\n";
        setg(current_.data(), current_.data(), current_.data() + current_.size());
        return traits_type::to_int_type(*gptr());
    }

  private:
    std::vector<std::string> lines_;
    std::function<void(size_t)> probe_;
    std::string current_;
    size_t next_ = 0;
};

TEST(Terminal, TheTranscriptIsOnDiskWhileTheGameRuns) {
    testing::ScratchFolder folder;
    std::string on_disk;
    ProbedInput replies({"1", "T.TXT", "0", "0", "E2E4", "G1F3", "QUIT"}, [&](size_t next) {
        if (next == 6) on_disk = testing::read_file("T.TXT");  // at the third prompt
    });
    std::istream in(&replies);
    std::ostringstream out;
    auto g = std::make_unique<GameState>();
    EXPECT_EQ(run_program(*g, in, out, false, ProgramSettings{}), 0);

    // Both pairs are in the file before the game ends, with the replies the
    // console reported.
    std::string expected = "COMPUTER PLAYS BLACK\r\n";
    size_t at = 0;
    for (const char* move : {"E2E4", "G1F3"}) {
        at = out.str().find("\r\nBLACK ", out.str().find(std::string("WHITE ") + move, at));
        ASSERT_NE(at, std::string::npos);
        expected += std::string(move) + " " + out.str().substr(at + 8, 4) + " ";
    }
    EXPECT_EQ(on_disk, expected);
}

TEST(Terminal, ATranscriptThatCannotBeWrittenIsReportedOnceAndPlayGoesOn) {
    auto r = testing::run_session("1\n/dev/full\n0\n0\nE2E4\nD2D4\n");
    const std::string message = "     ---FILE NOT SAVED---\r\n";
    const size_t first = r.output.find(message);
    ASSERT_NE(first, std::string::npos);
    EXPECT_EQ(r.output.find(message, first + 1), std::string::npos);
    EXPECT_EQ(r.game->transcript_on, 0);
    EXPECT_NE(r.output.find(prompt(3, "WHITE")), std::string::npos);  // two replies played
}

TEST(Terminal, SuggestLeavesTheListOfTheCurrentPosition) {
    // After CLEAR the list still holds the old position's moves; SUGGEST
    // searches the emptied board and leaves its (empty) list, so E2E4 is no
    // longer a listed move at all.
    auto r = testing::run_session("0\n0\n0\nCLEAR\n1\n1\nSUGGEST\n1\nE2E4\n");
    const std::string tail = "SUGGESTED MOVE: \r\nALTERNATE MOVE: \r\n" + prompt(1, "WHITE") +
                             "\r\n     ---INVALID MOVE---\r\n\r\n" + prompt(1, "WHITE");
    ASSERT_GE(r.output.size(), tail.size());
    EXPECT_EQ(r.output.substr(r.output.size() - tail.size()), tail);
    EXPECT_EQ(r.output.find("WRONG COLOR"), std::string::npos);
}

}  // namespace
}  // namespace chess
