// The two programs side by side: every point in which chess_variant behaves
// differently from chess_main, each as one whole session run through both
// programs' settings, and a varied session that comes out the same in both.
//
// Each expected output is built as one text with the parts where the two
// programs differ marked, so the rest is the same bytes in both by
// construction and a test fails when either program takes the other's path.
// Positions are small and searches shallow; where the computer's reply is
// shown it is its only legal move or a reply from the opening book.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <functional>
#include <memory>
#include <sstream>
#include <string>

#include "apps/variant_settings.h"
#include "console/game_loop.h"
#include "console/start_up.h"
#include "io/transcript.h"
#include "support/session.h"

namespace chess {
namespace {

// ---- Expected text ------------------------------------------------------------

using testing::board_text;
using testing::number_text;

// The move prompt followed by the line end printed after the reply.
std::string prompt(int move, const std::string& name) {
    std::string s = number_text(move);
    s += ") ";
    s += name;
    s += " TO MOVE \r\n";
    return s;
}

const std::string banner = "\r\n    *** QUENTARO CHESS ***\r\n\r\n";
const std::string ask_transcript = "    SAVE OUTPUT TO FILE (1=YES) \r\n";
const std::string ask_file_name = "    FILENAME: \r\n\r\n";
const std::string ask_book = "    USE OPENING BOOK MOVES (1=YES) \r\n";
const std::string ask_black = "    PLAY AS BLACK (1=YES) \r\n";
const std::string note =
    "\r\n    NOTE MOVES ENTERED AS E2E4  -AND-  TO CASTLE USE E1G1 NOTATION\r\n";
// Start-up answered 0, 0, 0 and 1, T.TXT, 0, 0.
const std::string start_plain = banner + ask_transcript + ask_book + ask_black + note;
const std::string start_transcript =
    banner + ask_transcript + ask_file_name + ask_book + ask_black + note;

// The texts of the two programs, with the line end after the reply where
// there is one.
const std::string main_book_line = "    USING OPENING BOOK MOVES\r\n";
const std::string variant_book_line = "    USING THE OPENING BOOK  \r\n";
const std::string main_game_over = "GAME OVER <hit return> \r\n";
const std::string variant_game_over = "GAME OVER  HIT RETURN\r\n";
const std::string main_quit = "   HIT RETURN TO QUIT\r\n";
const std::string main_swap_game_over = "GAME OVER\r\n";

// The expected output of both programs, built piece by piece.
struct Expected {
    std::string main;
    std::string variant;

    Expected& both(const std::string& text) {
        main += text;
        variant += text;
        return *this;
    }
    Expected& differ(const std::string& main_text, const std::string& variant_text) {
        main += main_text;
        variant += variant_text;
        return *this;
    }
};

// The same session through both programs' settings.
struct Both {
    testing::SessionResult main;
    testing::SessionResult variant;
};

Both run_both(const std::string& input, const std::function<void(GameState&)>& hook = {},
              int64_t seed = -1) {
    return {testing::run_session(input, false, hook, seed),
            testing::run_session(input, true, hook, seed)};
}

void expect_outputs(const Both& r, const Expected& e) {
    EXPECT_EQ(r.main.output, e.main) << "chess_main";
    EXPECT_EQ(r.variant.output, e.variant) << "chess_variant";
}

// Replaces the position after start-up (book-key letters, rank 8 first) and
// keeps the searches short.
std::function<void(GameState&)> position(const std::string& placement) {
    return [placement](GameState& g) {
        ASSERT_TRUE(testing::set_placement(g, placement));
        g.base_depth = 2;
    };
}

int16_t code_of(int from_file, int from_rank, int to_file, int to_rank) {
    return static_cast<int16_t>((from_file * 10 + 9 - from_rank) * 100 + to_file * 10 + 9 -
                                to_rank);
}

// Black's king on A8 has exactly one legal move each turn, between A8 and
// B8: the rook on D7 covers A7, B7 and C7, the bishop on A6 covers B7 and C8.
// 24 points of material, so depth 2 + 1.
const std::string shuttle =
    "k......."
    "...R..P."
    "B......."
    "........"
    "........"
    "........"
    "........"
    "....K..R";
const std::string shuttle_board_1 = board_text({"k.......", "...R..P.", "B.......", "........",
                                                "........", "........", "........", "....K..R"},
                                               1, 24, 18, 6, 3);
// After H1H2 A8B8.
const std::string shuttle_board_2 = board_text({".k......", "...R..P.", "B.......", "........",
                                                "........", "........", ".......R", "....K..."},
                                               2, 24, 18, 6, 3);
// Black's three king moves on the ruler, one of them legal; the move report.
const std::string shuttle_reply = "===\r\n.\r\nWHITE H1H2\r\nBLACK A8B8\r\n";

// ---- 1. The start-up line of the opening book -----------------------------------

TEST(VariantBookLine, BookEnabledIsAnnouncedInEachProgramsWords) {
    testing::ScratchFolder folder;
    const std::string after_e2e4 =
        "rnbqkbnr"
        "pppppppp"
        "........"
        "........"
        "....P..."
        "........"
        "PPPP.PPP"
        "RNBQKBNR";
    testing::write_file("MYBOOK.TXT", after_e2e4 + ",E7E5\r\nZZ,\r\n");
    const Both r = run_both("0\n1\n0\nE2E4\n", {}, 5);
    Expected e;
    e.both(banner + ask_transcript + ask_book)
        .differ(main_book_line, variant_book_line)
        .both(ask_black + note +
              board_text({"rnbqkbnr", "oooooooo", "........", "........", "........", "........",
                          "PPPPPPPP", "RNBQKBNR"},
                         1, 74, 37, 37, 4) +
              prompt(1, "WHITE") +
              // The book answers the same way in both.
              "E7E5  \r\n"
              "USING OPENING MOVE#  1 \r\n"
              "\r\n"
              "WHITE E2E4\r\n"
              "BLACK E7E5\r\n" +
              board_text({"rnbqkbnr", "oooo.ooo", "........", "....o...", "....P...", "........",
                          "PPPP.PPP", "RNBQKBNR"},
                         2, 74, 37, 37, 4) +
              number_text(2) + ") WHITE TO MOVE ");
    expect_outputs(r, e);
    EXPECT_EQ(main_book_line.size(), variant_book_line.size());
}

TEST(VariantBookLine, BookOffShowsNeitherText) {
    const Both r = run_both("0\n2\n0\n");
    const std::string expected = start_plain +
                                 board_text({"rnbqkbnr", "oooooooo", "........", "........",
                                             "........", "........", "PPPPPPPP", "RNBQKBNR"},
                                            1, 74, 37, 37, 4) +
                                 number_text(1) + ") WHITE TO MOVE ";
    EXPECT_EQ(r.main.output, expected);
    EXPECT_EQ(r.variant.output, expected);
    EXPECT_EQ(r.variant.game->use_book, 0);
}

// ---- 2. The prompt at the end of the game ---------------------------------------

TEST(VariantGameOverPrompt, ComputerMatedEndsWithEachProgramsPrompt) {
    // H1H8 mates Black's king on A8, boxed in by the king on B6.
    const std::string placement =
        "k......."
        "........"
        ".K......"
        "........"
        "........"
        "........"
        "........"
        ".......R";
    const std::string input = "1\nT.TXT\n0\n0\nH1H8\n\n";
    std::string transcript[2];
    testing::SessionResult runs[2];
    for (int variant = 0; variant < 2; ++variant) {
        testing::ScratchFolder folder;
        runs[variant] = testing::run_session(input, variant == 1, position(placement));
        transcript[variant] = testing::read_file("T.TXT");
    }
    Expected e;
    e.both(start_transcript +
           board_text({"k.......", "........", ".K......", "........", "........", "........",
                       "........", ".......R"},
                      1, 16, 10, 6, 4) +
           prompt(1, "WHITE") +
           "===\r\n"
           "\r\n"
           "*** CHECKMATE! ***\r\n" +
           board_text({"k......R", "........", ".K......", "........", "........", "........",
                       "........", "........"},
                      1, 16, 10, 6, 4))
        .differ(main_game_over, variant_game_over);
    expect_outputs({std::move(runs[0]), std::move(runs[1])}, e);
    for (const std::string& t : transcript) {
        EXPECT_EQ(t, "COMPUTER PLAYS BLACK\r\nH1H8  CHECKMATE!\r\n");
    }
}

// ---- 3. QUIT and EXIT -------------------------------------------------------------

// A session run without the harness closing the transcript afterwards, so
// what the program itself left behind can be seen.
struct QuitRun {
    std::string output;
    bool transcript_open_at_end = true;
    std::string transcript_at_end;  // the file as the program left it
    std::string transcript_after_exit;
    bool ended = false;
};

QuitRun run_keeping_transcript(const std::string& input, bool variant) {
    testing::ScratchFolder folder;
    auto g = std::make_unique<GameState>();
    std::istringstream in(input);
    std::ostringstream out;
    g->console.in = &in;
    g->console.out = &out;
    g->console.input_is_terminal = false;
    g->settings = variant ? variant_program_settings : main_program_settings;
    start_up(*g);
    position(shuttle)(*g);
    run_game_loop(*g);
    QuitRun r;
    r.transcript_open_at_end = g->transcript_file != nullptr;
    r.transcript_at_end = testing::read_file("T.TXT");
    r.ended = g->console.ended;
    // What the process exit would flush.
    transcript_close(*g);
    r.transcript_after_exit = testing::read_file("T.TXT");
    r.output = out.str();
    g->console.in = nullptr;
    g->console.out = nullptr;
    return r;
}

TEST(VariantQuit, QuitTakesTheEndOfGamePathInTheVariantOnly) {
    // The line after the reply to the last prompt is never read.
    for (const std::string word : {"QUIT", "exit"}) {
        const std::string input = "1\nT.TXT\n0\n0\nH1H2\n" + word + "\n\nE1D1\n";
        const QuitRun m = run_keeping_transcript(input, false);
        const QuitRun v = run_keeping_transcript(input, true);
        Expected e;
        e.both(start_transcript + shuttle_board_1 + prompt(1, "WHITE") + shuttle_reply +
               shuttle_board_2 + prompt(2, "WHITE"))
            .differ(main_quit, shuttle_board_2 + variant_game_over);
        EXPECT_EQ(m.output, e.main) << word;
        EXPECT_EQ(v.output, e.variant) << word;
        EXPECT_TRUE(m.ended);
        EXPECT_TRUE(v.ended);
        const std::string transcript = "COMPUTER PLAYS BLACK\r\nH1H2 A8B8 ";
        EXPECT_EQ(m.transcript_after_exit, transcript) << word;
        // The variant closes the transcript itself: complete and closed when
        // the program ends.
        EXPECT_FALSE(v.transcript_open_at_end) << word;
        EXPECT_EQ(v.transcript_at_end, transcript) << word;
    }
}

// ---- 4. WHITE and BLACK -------------------------------------------------------------

TEST(VariantColourCommands, WhiteAndBlackShowTheBoardAgainInTheVariantOnly) {
    const Both r = run_both("0\n0\n0\nBLACK\nwhite\nH1H2\n", position(shuttle));
    Expected e;
    e.both(start_plain + shuttle_board_1 + prompt(1, "WHITE"))
        .differ("", shuttle_board_1)
        .both(prompt(1, "BLACK"))
        .differ("", shuttle_board_1)
        .both(prompt(1, "WHITE") + shuttle_reply + shuttle_board_2 + number_text(2) +
              ") WHITE TO MOVE ");
    expect_outputs(r, e);
    for (const auto* g : {r.main.game.get(), r.variant.game.get()}) {
        EXPECT_EQ(g->computer_side, 1);
        EXPECT_EQ(g->move_number, 2);
    }
}

// ---- 5. SWAP that ends the game ---------------------------------------------------

// White (the user) is checkmated: king A1, black queen B2 guarded by the king
// on C3. 17 points of material, so depth 2 + 2.
const std::string user_mated =
    "........"
    "........"
    "........"
    "........"
    "........"
    "..k....."
    ".q......"
    "K.......";
const std::string user_mated_board = board_text({"........", "........", "........", "........",
                                                 "........", "..k.....", ".q......", "K......."},
                                                1, 17, 6, 11, 4);
// SWAP's search for White: three king moves on the ruler, none legal.
const std::string swap_mate = "===\r\n\r\n*** CHECKMATE! ***\r\n";

TEST(VariantSwapGameOver, SwapIntoCheckmateReturnsToThePromptAndTheNextSearchEndsTheGame) {
    // The main program reads B2D2 as the reply to its GAME OVER prompt and
    // ends; in the variant it is the user's move as Black. After it White's
    // king has one legal move, A1B1: the search chooses it, and the game ends
    // without playing it.
    const Both r = run_both("0\n0\n0\nSWAP\nB2D2\n\n", position(user_mated));
    Expected e;
    e.both(start_plain + user_mated_board + prompt(1, "WHITE") + swap_mate)
        .differ(main_swap_game_over,
                user_mated_board + prompt(1, "BLACK ") + "===\r\n.\r\n" +
                    board_text({"........", "........", "........", "........", "........",
                                "..k.....", "...q....", "K......."},
                               1, 17, 6, 11, 4) +
                    variant_game_over);
    expect_outputs(r, e);

    const GameState& m = *r.main.game;
    EXPECT_EQ(m.computer_side, 1);  // nothing exchanged
    EXPECT_EQ(m.human_name, "WHITE");
    EXPECT_EQ(m.swap_count, 0);
    EXPECT_TRUE(m.console.ended);

    const GameState& v = *r.variant.game;
    EXPECT_EQ(v.game_over, 1);
    EXPECT_TRUE(v.console.ended);
    EXPECT_EQ(v.computer_side, -1);  // the colours were exchanged
    EXPECT_EQ(v.human_side, 1);
    EXPECT_EQ(v.swap_count, 1);  // counted, in the same turn as the move
    EXPECT_EQ(v.move_number, 1);
    EXPECT_EQ(v.board[47], 5);   // the user's B2D2 was played
    EXPECT_EQ(v.board[18], -6);  // the computer's A1B1 was not
    EXPECT_EQ(v.board[28], 0);
    EXPECT_EQ(v.move_code, code_of(1, 1, 2, 1));  // but it was chosen
}

TEST(VariantSwapGameOver, LoadAfterSuchASwapResumesTheGame) {
    testing::ScratchFolder folder;
    // A position file of the shuttle position, user White.
    testing::run_session("0\n0\n0\nSAVE\nP.TXT\n", false, position(shuttle));
    ASSERT_FALSE(testing::read_file("P.TXT").empty());
    const Both r = run_both("0\n0\n0\nSWAP\nLOAD\nP.TXT\nH1H2\n", position(user_mated));
    Expected e;
    e.both(start_plain + user_mated_board + prompt(1, "WHITE") + swap_mate)
        .differ(main_swap_game_over, user_mated_board + prompt(1, "BLACK ") + "FILE: \r\n" +
                                         shuttle_board_1 + prompt(1, "WHITE") + shuttle_reply +
                                         shuttle_board_2 + number_text(2) + ") WHITE TO MOVE ");
    expect_outputs(r, e);
    EXPECT_EQ(r.variant.game->game_over, 0);
    EXPECT_EQ(r.variant.game->computer_side, 1);
}

// ---- 6. The search started after the game has ended ---------------------------------

// Black's king on A8 has no legal move and is not in check; 15 points of
// material, so depth 2 + 2.
const std::string black_stalemated =
    "k......."
    "........"
    ".KN....."
    "........"
    "........"
    "........"
    ".......P"
    "........";
const std::string black_stalemated_board =
    board_text({"k.......", "........", ".KN.....", "........", "........", "........", ".......P",
                "........"},
               1, 15, 9, 6, 4);
// SUGGEST for Black finds the stalemate and ends the game; it shows no move.
const std::string suggest_stalemate =
    "SUGGEST MOVE FOR 1=WHITE, 2=BLACK \r\n"
    "===\r\n"
    "\r\n"
    "<<<STALEMATE>>>\r\n"
    "SUGGESTED MOVE: \r\n"
    "ALTERNATE MOVE: \r\n";

TEST(VariantSearchAfterGameOver, ComputersSearchGoesOnToItsEndInTheVariantOnly) {
    // C6E5 frees B8, so Black has one legal move of three. The main program's
    // search stops after the root moves, without ending its line; the
    // variant's ends the line, finds no end of the game and chooses A8B8.
    // Both then end the game without playing a move.
    const Both r = run_both("0\n0\n0\nSUGGEST\n2\nC6E5\n\n", position(black_stalemated));
    const std::string after = board_text({"k.......", "........", ".K......", "....N...",
                                          "........", "........", ".......P", "........"},
                                         1, 15, 9, 6, 4);
    Expected e;
    e.both(start_plain + black_stalemated_board + prompt(1, "WHITE") + suggest_stalemate +
           prompt(1, "WHITE") + "===\r\n.")
        .differ(after + main_game_over, "\r\n" + after + variant_game_over);
    expect_outputs(r, e);
    EXPECT_EQ(r.main.game->move_code, 0);
    EXPECT_EQ(r.variant.game->move_code, code_of(1, 8, 2, 8));
    EXPECT_EQ(r.variant.game->choice_history[1], code_of(1, 8, 2, 8));
    for (const auto* g : {r.main.game.get(), r.variant.game.get()}) {
        EXPECT_EQ(g->board[11], 6);  // nothing played for Black
        EXPECT_EQ(g->move_number, 1);
    }
}

TEST(VariantSearchAfterGameOver, CheckTestSearchGoesOnToItsEndInTheVariantOnly) {
    // B6A7 steps next to Black's king and is refused. The check test searches
    // for White at depth 2: 17 moves on the ruler (king 7, knight 8, pawn 2),
    // 15 of them legal (not the king's A7 and B7).
    const Both r = run_both("0\n0\n0\nSUGGEST\n2\nB6A7\n\n", position(black_stalemated));
    Expected e;
    e.both(start_plain + black_stalemated_board + prompt(1, "WHITE") + suggest_stalemate +
           prompt(1, "WHITE") + " YOU ARE IN CHECK!\r\n" + std::string(17, '=') + "\r\n" +
           std::string(15, '.'))
        .differ(black_stalemated_board + main_game_over,
                "\r\n" + black_stalemated_board + variant_game_over);
    expect_outputs(r, e);
    for (const auto* g : {r.main.game.get(), r.variant.game.get()}) {
        EXPECT_EQ(g->board[23], -6);  // the refused move was taken back
        EXPECT_EQ(g->search_depth, 4);
    }
}

// ---- Nothing else -------------------------------------------------------------------

TEST(VariantEverythingElse, VariedSessionIsByteIdentical) {
    // Moves at depth 2, the board, suggestions for both colours, depth
    // changes, SAVE and LOAD, BACK, refused inputs, and the transcript.
    const std::string input =
        "1\nT.TXT\n0\n0\n"
        "DEPTH\n2\n"
        "E2E4\n"
        "BOARD\n"
        "SUGGEST\n1\n"
        "SAVE\nP.TXT\n"
        "G1F3\n"
        "BACK\n"
        "B1C3\n"
        "SUGGEST\n2\n"
        "LOAD\nP.TXT\n"
        "E9E9\n"
        "A7A6\n"
        "H7H6\n"
        "DEPTH\n1\n"
        "D2D4\n"
        "LOAD\nNONE.TXT\n"
        "boa\n"
        "F1C4\n";
    testing::SessionResult runs[2];
    std::string transcript[2];
    std::string position_file[2];
    for (int variant = 0; variant < 2; ++variant) {
        testing::ScratchFolder folder;
        runs[variant] = testing::run_session(input, variant == 1);
        transcript[variant] = testing::read_file("T.TXT");
        position_file[variant] = testing::read_file("P.TXT");
    }
    EXPECT_EQ(runs[0].output, runs[1].output);
    EXPECT_EQ(transcript[0], transcript[1]);
    EXPECT_EQ(position_file[0], position_file[1]);

    // The session went where it was meant to.
    const std::string& out = runs[0].output;
    for (const char* text :
         {"CURRENT BASE DEPTH =  4 \r\nNEW VALUE= \r\n", "CURRENT BASE DEPTH =  2 \r\n",
          "SUGGEST MOVE FOR 1=WHITE, 2=BLACK \r\n", "SUGGESTED MOVE: ", "FILE: \r\n",
          "     ---INVALID MOVE---\r\n\r\n", "WRONG COLOR\r\n", "WHITE E2E4\r\n", "WHITE B1C3\r\n",
          "WHITE D2D4\r\n"}) {
        EXPECT_NE(out.find(text), std::string::npos) << text;
    }
    for (const std::string& text :
         {main_book_line, variant_book_line, main_game_over, variant_game_over, main_quit}) {
        EXPECT_EQ(out.find(text), std::string::npos) << text;
    }
    EXPECT_TRUE(transcript[0].starts_with("COMPUTER PLAYS BLACK\r\nE2E4 ")) << transcript[0];
    EXPECT_EQ(runs[0].game->move_number, runs[1].game->move_number);
    EXPECT_GE(runs[0].game->move_number, 3);
    EXPECT_EQ(runs[1].game->game_over, 0);
}

}  // namespace
}  // namespace chess
