// Whole start-up dialogues on exact bytes: the banner, the four questions in
// every combination, the transcript's first line and the first board.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "apps/variant_settings.h"
#include "console/program.h"
#include "support/session.h"

namespace chess {
namespace {

const std::string banner = "\r\n    *** QUENTARO CHESS ***\r\n\r\n";
const std::string ask_transcript = "    SAVE OUTPUT TO FILE (1=YES) ";
const std::string ask_file_name = "    FILENAME: ";
const std::string ask_book = "    USE OPENING BOOK MOVES (1=YES) ";
const std::string book_on = "    USING OPENING BOOK MOVES\r\n";
const std::string book_on_variant = "    USING THE OPENING BOOK  \r\n";
const std::string ask_colour = "    PLAY AS BLACK (1=YES) ";
const std::string note =
    "\r\n    NOTE MOVES ENTERED AS E2E4  -AND-  TO CASTLE USE E1G1 NOTATION\r\n";

const std::string board_top =
    "\r\n"
    "    A B C D E F G H     COMMANDS= DEPTH SWAP  LOAD  EDIT  SUGGEST\r\n"
    "   =================        XMOVE BACK  WHITE BLACK CLEAR SAVE QUIT\r\n"
    " 8  r n b q k b n r  8 \r\n"
    " 7  o o o o o o o o  7 \r\n"
    " 6  . . . . . . . .  6 \r\n"
    " 5  . . . . . . . .  5 \r\n";
const std::string board_bottom =
    " 1  R N B Q K B N R  1 \r\n"
    "   =================       MOVE  BOARD  WHITE  BLACK   DEPTH\r\n"
    "    A B C D E F G H          1     74     37     37     4 \r\n"
    "\r\n"
    "\r\n";
const std::string first_board_white = board_top +
                                      " 4  . . . . . . . .  4 \r\n"
                                      " 3  . . . . . . . .  3 \r\n"
                                      " 2  P P P P P P P P  2 \r\n" +
                                      board_bottom;
const std::string first_board_black = board_top +
                                      " 4  . . . . P . . .  4 \r\n"
                                      " 3  . . . . . . . .  3 \r\n"
                                      " 2  P P P P . P P P  2 \r\n" +
                                      board_bottom;
const std::string white_prompt = " 1 ) WHITE TO MOVE ";
const std::string black_prompt = " 1 ) BLACK TO MOVE ";

TEST(StartUp, PlainAnswersGiveTheFirstBoardAndPrompt) {
    auto r = testing::run_session("0\n0\n0\n");
    EXPECT_EQ(r.output, banner + ask_transcript + "\r\n" + ask_book + "\r\n" + ask_colour + "\r\n" +
                            note + first_board_white + white_prompt);
    EXPECT_EQ(r.status, 0);
    const GameState& g = *r.game;
    EXPECT_EQ(g.transcript_on, 0);
    EXPECT_EQ(g.use_book, 0);
    EXPECT_EQ(g.computer_side, 1);
    EXPECT_EQ(g.human_side, -1);
    EXPECT_EQ(g.move_number, 1);
    EXPECT_EQ(g.human_name, "WHITE");
    EXPECT_EQ(g.computer_name, "BLACK");
}

TEST(StartUp, PlayAsBlackPutsTheComputersFirstMoveOnTheBoard) {
    auto r = testing::run_session("0\n0\n1\n");
    EXPECT_EQ(r.output, banner + ask_transcript + "\r\n" + ask_book + "\r\n" + ask_colour + "\r\n" +
                            note + first_board_black + black_prompt);
    const GameState& g = *r.game;
    EXPECT_EQ(g.board[55], -1);  // E4
    EXPECT_EQ(g.board[57], 0);   // E2
    EXPECT_EQ(g.board[59], 7);   // no en passant marker on the E file
    EXPECT_EQ(g.computer_side, -1);
    EXPECT_EQ(g.human_side, 1);
    EXPECT_EQ(g.move_number, 1);
    EXPECT_EQ(g.human_name, "BLACK");
    EXPECT_EQ(g.computer_name, "WHITE");
    // The snapshot for BACK already holds the advanced pawn.
    EXPECT_EQ(g.snapshot.board[55], -1);
    EXPECT_EQ(g.snapshot.board[57], 0);
    EXPECT_EQ(g.snapshot.computer_side, -1);
    EXPECT_EQ(g.snapshot.move_number, 1);
}

TEST(StartUp, TranscriptFirstLineAsWhite) {
    testing::ScratchFolder folder;
    auto r = testing::run_session("1\nGAME.TXT\n0\n0\n");
    EXPECT_EQ(r.output, banner + ask_transcript + "\r\n" + ask_file_name + "\r\n\r\n" + ask_book +
                            "\r\n" + ask_colour + "\r\n" + note + first_board_white + white_prompt);
    EXPECT_EQ(r.game->transcript_on, 1);
    EXPECT_EQ(r.game->file_name, "GAME.TXT");
    EXPECT_EQ(testing::read_file("GAME.TXT"), "COMPUTER PLAYS BLACK\r\n");
}

TEST(StartUp, TranscriptBookAndBlack) {
    testing::ScratchFolder folder;
    auto r = testing::run_session("1\nGAME.TXT\n1\n1\n", false, {}, 5);
    EXPECT_EQ(r.output, banner + ask_transcript + "\r\n" + ask_file_name + "\r\n\r\n" + ask_book +
                            "\r\n" + book_on + ask_colour + "\r\n" + note + first_board_black +
                            black_prompt);
    EXPECT_EQ(r.game->use_book, 1);
    // The console never shows the transcript's first line.
    EXPECT_EQ(r.output.find("COMPUTER PLAYS"), std::string::npos);
    EXPECT_EQ(testing::read_file("GAME.TXT"), "E2E4 COMPUTER PLAYS WHITE\r\n");
}

TEST(StartUp, EveryCombinationOfAnswers) {
    for (int transcript = 0; transcript <= 1; ++transcript) {
        for (int book = 0; book <= 1; ++book) {
            for (int black = 0; black <= 1; ++black) {
                for (bool variant : {false, true}) {
                    testing::ScratchFolder folder;
                    std::string input = std::to_string(transcript) + "\n";
                    std::string expected = banner + ask_transcript + "\r\n";
                    if (transcript == 1) {
                        input += "LOG.TXT\n";
                        expected += ask_file_name + "\r\n\r\n";
                    }
                    input += std::to_string(book) + "\n" + std::to_string(black) + "\n";
                    expected += ask_book + "\r\n";
                    if (book == 1) expected += variant ? book_on_variant : book_on;
                    expected += ask_colour + "\r\n" + note;
                    expected += black == 1 ? first_board_black + black_prompt
                                           : first_board_white + white_prompt;
                    auto r = testing::run_session(input, variant, {}, 9);
                    const std::string label = input + (variant ? "variant" : "main");
                    EXPECT_EQ(r.output, expected) << label;
                    EXPECT_EQ(r.game->transcript_on, transcript) << label;
                    EXPECT_EQ(r.game->use_book, book) << label;
                    EXPECT_EQ(r.game->computer_side, black == 1 ? -1 : 1) << label;
                    EXPECT_EQ(testing::read_file("LOG.TXT"), transcript == 0 ? ""
                                                             : black == 1
                                                                 ? "E2E4 COMPUTER PLAYS WHITE\r\n"
                                                                 : "COMPUTER PLAYS BLACK\r\n")
                        << label;
                }
            }
        }
    }
}

TEST(StartUp, VariantAnnouncesTheBookInItsOwnWords) {
    auto r = testing::run_session("0\n1\n0\n", true, {}, 5);
    EXPECT_EQ(r.output, banner + ask_transcript + "\r\n" + ask_book + "\r\n" + book_on_variant +
                            ask_colour + "\r\n" + note + first_board_white + white_prompt);
    EXPECT_EQ(book_on.size(), book_on_variant.size());
}

TEST(StartUp, BookAnswerOtherThanOneIsStoredAsZero) {
    for (const char* answer : {"2", "-1", "11", "0", "x"}) {
        auto r = testing::run_session(std::string("0\n") + answer + "\n0\n");
        EXPECT_EQ(r.game->use_book, 0) << answer;
        EXPECT_EQ(r.output.find("USING"), std::string::npos) << answer;
    }
}

TEST(StartUp, TranscriptThatCannotBeCreated) {
    testing::ScratchFolder folder;
    auto r = testing::run_session("1\nNO_SUCH_FOLDER/GAME.TXT\n0\n0\n");
    EXPECT_EQ(r.output, banner + ask_transcript + "\r\n" + ask_file_name + "\r\n" +
                            "     ---FILE NOT OPENED---\r\n\r\n" + ask_book + "\r\n" + ask_colour +
                            "\r\n" + note + first_board_white + white_prompt);
    EXPECT_EQ(r.game->transcript_on, 0);
    EXPECT_FALSE(std::filesystem::exists("NO_SUCH_FOLDER"));
}

struct ReplyCase {
    const char* reply;
    bool yes;
};

TEST(StartUp, RepliesAreReadAsTheirFirstFieldsNumber) {
    const ReplyCase cases[] = {
        {"1", true},      {"  1", true},    {"\t1", true},   {"1,0", true},   {"+1", true},
        {"01", true},     {"1 2", true},    {"1YES", true},  {"1\r", true},   {"\"1\"", true},
        {"-1", false},    {"YES", false},   {"", false},     {"2", false},    {",1", false},
        {"65537", false}, {"99999", false}, {"1.0e0", true}, {"  +01", true}, {"- 1", false},
    };
    for (const ReplyCase& c : cases) {
        auto r = testing::run_session(std::string("0\n0\n") + c.reply + "\n");
        EXPECT_EQ(r.game->computer_side, c.yes ? -1 : 1) << '"' << c.reply << '"';
        EXPECT_EQ(r.game->board[55], c.yes ? -1 : 0) << '"' << c.reply << '"';
        // Any reply: the dialogue goes on to the first prompt.
        EXPECT_NE(r.output.find(c.yes ? black_prompt : white_prompt), std::string::npos);
    }
}

TEST(StartUp, OutOfRangeTranscriptAnswerSaturatesAndMeansNo) {
    auto r = testing::run_session("99999\n0\n0\n");
    EXPECT_EQ(r.game->transcript_on, 32767);
    EXPECT_EQ(r.output.find(ask_file_name), std::string::npos);
}

TEST(StartUp, FileNameIsTheFirstField) {
    testing::ScratchFolder folder;
    auto r = testing::run_session("1\n   MY GAME.TXT,IGNORED\n0\n0\n");
    EXPECT_EQ(r.game->file_name, "MY GAME.TXT");
    EXPECT_EQ(testing::read_file("MY GAME.TXT"), "COMPUTER PLAYS BLACK\r\n");

    auto q = testing::run_session("1\n\"A,B.TXT\"\n0\n0\n");
    EXPECT_EQ(q.game->file_name, "A,B.TXT");
    EXPECT_EQ(testing::read_file("A,B.TXT"), "COMPUTER PLAYS BLACK\r\n");
}

TEST(StartUp, RepliesEndingInCarriageReturnLineFeed) {
    auto r = testing::run_session("0\r\n0\r\n1\r\n");
    EXPECT_EQ(r.output, banner + ask_transcript + "\r\n" + ask_book + "\r\n" + ask_colour + "\r\n" +
                            note + first_board_black + black_prompt);
}

TEST(StartUp, EndOfInputAtEachQuestion) {
    testing::ScratchFolder folder;
    struct Case {
        const char* input;
        std::string output;
    };
    const Case cases[] = {
        {"", banner + ask_transcript},
        {"1\n", banner + ask_transcript + "\r\n" + ask_file_name},
        {"1\nT.TXT\n", banner + ask_transcript + "\r\n" + ask_file_name + "\r\n\r\n" + ask_book},
        {"0\n", banner + ask_transcript + "\r\n" + ask_book},
        {"0\n1\n", banner + ask_transcript + "\r\n" + ask_book + "\r\n" + book_on + ask_colour},
        {"0\n0\n", banner + ask_transcript + "\r\n" + ask_book + "\r\n" + ask_colour},
    };
    for (const Case& c : cases) {
        auto r = testing::run_session(c.input, false, {}, 3);
        EXPECT_EQ(r.output, c.output) << '"' << c.input << '"';
        EXPECT_EQ(r.status, 0);
        EXPECT_TRUE(r.game->console.ended);
    }
}

TEST(StartUp, ProgramEntryOnAPipeAndOnATerminal) {
    {
        auto g = std::make_unique<GameState>();
        std::istringstream in("0\n0\n0\n");
        std::ostringstream out;
        EXPECT_EQ(run_program(*g, in, out, false, main_program_settings), 0);
        EXPECT_EQ(out.str(), banner + ask_transcript + "\r\n" + ask_book + "\r\n" + ask_colour +
                                 "\r\n" + note + first_board_white + white_prompt);
    }
    {
        // A terminal echoes the user's Enter itself: no line end after replies.
        auto g = std::make_unique<GameState>();
        std::istringstream in("0\n0\n0\n");
        std::ostringstream out;
        EXPECT_EQ(run_program(*g, in, out, true, main_program_settings), 0);
        EXPECT_EQ(out.str(), banner + ask_transcript + ask_book + ask_colour + note +
                                 first_board_white + white_prompt);
    }
}

}  // namespace
}  // namespace chess
