// The computer's search and move choice on tiny positions: the back-up
// rules, mate and stalemate handling, the choice rule, the repetition test,
// the progress marks and the one difference of the variant program.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <initializer_list>
#include <memory>
#include <sstream>
#include <string>
#include <utility>

#include "apps/variant_settings.h"
#include "commands/search_report.h"
#include "console/board_display.h"
#include "engine/evaluate.h"
#include "engine/move_choice.h"
#include "engine/search_plies.h"
#include "io/transcript.h"
#include "model/board.h"
#include "model/notation.h"
#include "movegen/generate.h"
#include "movegen/make_move.h"
#include "support/session.h"

namespace chess {
namespace {

using testing::fresh_game;
using testing::read_file;
using testing::ScratchFolder;
using testing::set_placement;
using testing::write_file;

std::string placement(std::initializer_list<std::pair<const char*, char>> pieces) {
    std::string p(64, '.');
    for (const auto& [square, letter] : pieces) {
        p[(8 - (square[1] - '0')) * 8 + (square[0] - 'A')] = letter;
    }
    return p;
}

int16_t code_of(const char* text) {
    std::string t = text;
    return text_to_move(t);
}

constexpr int code_column = GameState::ply_base[1] + 1;
constexpr int score_column = GameState::ply_base[1] + 3;

const std::string initial_position =
    "rnbqkbnrpppppppp................................PPPPPPPPRNBQKBNR";

// A game record as the main loop hands it to the search: the placement, the
// move number and the side searched for, one board display (output
// discarded), then the depth; the search's own output is captured.
struct Game {
    std::unique_ptr<GameState> g = fresh_game();
    std::ostringstream out;

    Game(const std::string& p, char side, int16_t move_number, int16_t depth) {
        EXPECT_TRUE(set_placement(*g, p));
        g->move_number = move_number;
        g->search_side = side == 'w' ? GameState::white_side : GameState::black_side;
        show_board(*g);
        g->search_depth = depth;
        g->console.out = &out;
    }
    void run() { search_at_console(*g); }
    int16_t score_of_row(int row) const { return g->move_list[row][score_column]; }
    int row_of(const char* text) const {
        for (int r = 1; r <= g->move_count[1]; ++r) {
            if (g->move_list[r][code_column] == code_of(text)) return r;
        }
        return 0;
    }
    bool squares_equal(const GameState& other) const {
        for (int x = 1; x <= 8; ++x) {
            for (int y = 1; y <= 8; ++y) {
                if (g->board[x * 10 + y] != other.board[x * 10 + y]) return false;
            }
        }
        return true;
    }
};

// ---- Back-up rules -------------------------------------------------------

TEST(SearchBackUp, FirstLegalRootMoveScoresTheMinimumOverTheReplies) {
    // Rook against the lone king, depth 2: nothing bounds the first legal
    // root move's replies, so its score is the minimum over all of them of
    // the evaluation seen from White.
    const std::string p = "............................k...........................R...K...";
    Game game(p, 'w', 40, 2);
    game.run();
    int first = 1;
    while (game.g->move_list[first][GameState::ply_base[1] + 2] / 1000 != 1) ++first;

    Game probe(p, 'w', 40, 2);
    GameState& g = *probe.g;
    search_setup(g);
    g.ply = 1;
    generate_moves(g);
    g.root_row = static_cast<int16_t>(first);
    g.move_index = static_cast<int16_t>(first);
    make_move(g);
    ASSERT_EQ(g.in_check, 0);
    int lowest = GameState::score_limit;
    int legal_replies = 0;
    for (int r = 1; r <= g.move_count[2]; ++r) {
        if (g.move_list[r][GameState::ply_base[2] + 2] / 1000 != 2) continue;
        g.ply = 2;
        g.move_index = static_cast<int16_t>(r);
        make_move(g);
        if (g.in_check == 0) {
            ++legal_replies;
            g.current_row = static_cast<int16_t>(r);
            g.node_sign = -1;
            lowest = std::min(lowest, -evaluate(g));
            take_back(g);
        }
        g.ply = 1;
    }
    ASSERT_GT(legal_replies, 1);
    EXPECT_EQ(game.score_of_row(first), lowest);
}

TEST(SearchBackUp, ReplyEqualToTheBoundAboveStopsTheLoop) {
    for (const int16_t reply_score : {40, 41}) {
        Game game(initial_position, 'w', 1, 3);
        GameState& g = *game.g;
        search_setup(g);
        g.ply = 1;
        generate_moves(g);
        for (int p = 1; p <= 10; ++p) {
            g.alpha[p] = -GameState::score_limit;
            g.beta[p] = GameState::score_limit;
        }
        g.alpha[1] = 40;  // the best root score so far
        const int root = game.row_of("E2E4");
        g.current_row = static_cast<int16_t>(root);
        g.node_sign = 1;
        open_move(g);
        ASSERT_EQ(g.in_check, 0);
        EXPECT_EQ(g.move_list[root][score_column], 25000);
        EXPECT_EQ(g.alpha[2], 40);
        int reply = 0;
        for (int r = 1; r <= g.move_count[2]; ++r) {
            if (g.move_list[r][GameState::ply_base[2] + 1] == code_of("E7E5")) reply = r;
        }
        g.ply = 2;
        g.current_row = static_cast<int16_t>(reply);
        g.node_sign = -1;
        open_move(g);
        ASSERT_EQ(g.in_check, 0);
        EXPECT_EQ(g.move_list[reply][GameState::ply_base[2] + 3], -25000);
        g.move_list[reply][GameState::ply_base[2] + 3] = reply_score;
        g.parent_row = static_cast<int16_t>(root);
        back_up_min(g);
        // The parent takes the lower score; the loop stops on <=.
        EXPECT_EQ(g.move_list[root][score_column], reply_score);
        EXPECT_EQ(g.beta[2], reply_score);
        EXPECT_EQ(g.cutoff[2], reply_score <= 40 ? 1 : 0);
        // The reply was taken back: the board is after E2E4 again.
        EXPECT_EQ(g.board[55], -1);
        EXPECT_EQ(g.board[52], 1);
        EXPECT_EQ(g.board[54], 0);
    }
}

// ---- Mate, stalemate and the choice rule --------------------------------

TEST(SearchChoice, MateInOneIsAnnouncedAtDepthThree) {
    ScratchFolder folder;
    struct Case {
        const char* placement;
        char side;
        const char* mate;
    };
    const Case cases[] = {
        {"......k......ppp.....................................PPPR.....K.", 'w', "A1A8"},
        {"r.....k......ppp.....................................PPP......K.", 'b', "A8A1"},
    };
    for (const Case& c : cases) {
        Game game(c.placement, c.side, 20, 3);
        GameState& g = *game.g;
        g.transcript_file = std::fopen("game.txt", "wb");
        ASSERT_NE(g.transcript_file, nullptr);
        g.transcript_on = 1;
        g.human_move_text = "H2H3";
        const GameState before = g;
        game.run();
        transcript_close(g);

        const std::string out = game.out.str();
        const std::string announcement = std::string("CHECKMATE! >>") + c.mate + "\r\n";
        ASSERT_GE(out.size(), announcement.size());
        EXPECT_EQ(out.substr(out.size() - announcement.size()), announcement) << out;
        // Ruler, line end, one dot per legal root move up to the mate.
        const size_t ruler_end = out.find("\r\n");
        EXPECT_EQ(out.find_first_not_of('='), ruler_end);
        EXPECT_EQ(out.find_first_not_of('.', ruler_end + 2), out.size() - announcement.size());
        EXPECT_EQ(g.game_over, 1);
        EXPECT_EQ(g.move_code, code_of(c.mate));
        EXPECT_TRUE(game.squares_equal(before));
        EXPECT_EQ(read_file("game.txt"), std::string("H2H3 ") + c.mate + " CHECKMATE!\r\n");
    }
}

TEST(SearchChoice, StalematingMoveIsNeverChosenFromDepthThree) {
    // The queen's B5B6 leaves the black king on A8 without a move.
    const std::string trap = "k........................Q.....................................K";
    Game shallow(trap, 'w', 30, 2);
    shallow.run();
    EXPECT_EQ(shallow.g->move_code, code_of("B5B6"));  // keeps its opening +25000
    EXPECT_EQ(shallow.score_of_row(shallow.g->chosen_index), 25000);

    Game deep(trap, 'w', 30, 3);
    deep.run();
    EXPECT_NE(deep.g->move_code, code_of("B5B6"));
    EXPECT_EQ(deep.score_of_row(deep.row_of("B5B6")), 25000);
    EXPECT_LT(deep.score_of_row(deep.g->chosen_index), 25000);
    EXPECT_EQ(deep.g->game_over, 0);
}

TEST(SearchChoice, LastLegalMoveIsPlayedWhenEveryMoveStalemates) {
    // Black (K H8, B G8, pawns F7 H7 blocked by F6 H6) cannot move whatever
    // the white king on A1 does; its three steps A2, B1, B2 all stalemate.
    const std::string p = placement({{"A1", 'K'},
                                     {"F6", 'P'},
                                     {"H6", 'P'},
                                     {"H8", 'k'},
                                     {"G8", 'b'},
                                     {"F7", 'p'},
                                     {"H7", 'p'}});
    Game deep(p, 'w', 30, 3);
    deep.run();
    EXPECT_EQ(deep.out.str(), "===\r\n...\r\n");
    EXPECT_EQ(deep.g->move_code, code_of("A1B2"));
    EXPECT_EQ(deep.g->alternate_move, 0);
    EXPECT_EQ(deep.g->game_over, 0);

    Game shallow(p, 'w', 30, 2);  // no stalemate test at depth 2
    shallow.run();
    EXPECT_EQ(shallow.g->move_code, code_of("A1A2"));
}

TEST(SearchChoice, NoLegalMoveEndsTheGame) {
    ScratchFolder folder;
    struct Case {
        const char* placement;
        const char* message;
        const char* transcript;
    };
    const Case cases[] = {
        // Black king H8, white queen G7 guarded by the king on G6: mate.
        {".......k......Q.......K.........................................", "*** CHECKMATE! ***",
         "G5G6  CHECKMATE!\r\n"},
        // Queen F7 instead: stalemate, nothing in the transcript.
        {".......k.....Q........K.........................................", "<<<STALEMATE>>>", ""},
    };
    for (const Case& c : cases) {
        for (const int16_t depth : {2, 4}) {
            Game game(c.placement, 'b', 60, depth);
            GameState& g = *game.g;
            g.transcript_file = std::fopen("game.txt", "wb");
            ASSERT_NE(g.transcript_file, nullptr);
            g.transcript_on = 1;
            g.human_move_text = "G5G6";
            game.run();
            transcript_close(g);
            // Three king moves counted in the ruler, none legal.
            EXPECT_EQ(game.out.str(), std::string("===\r\n\r\n") + c.message + "\r\n");
            EXPECT_EQ(g.game_over, 1);
            EXPECT_EQ(g.move_code, 0);
            EXPECT_EQ(g.alternate_move, 0);
            EXPECT_EQ(read_file("game.txt"), c.transcript);
        }
    }
}

TEST(SearchChoice, ProgressRulerAndDotsOfOneSearch) {
    Game game(initial_position, 'w', 1, 2);
    game.run();
    // Twenty white moves in the list, all legal.
    EXPECT_EQ(game.out.str(), std::string(20, '=') + "\r\n" + std::string(20, '.') + "\r\n");
    EXPECT_EQ(game.g->move_code, code_of("G1F3"));
    EXPECT_EQ(game.g->alternate_move, code_of("B1C3"));
}

TEST(SearchChoice, BoardAndCastlingStateAreAsOnEntry) {
    const std::string p = "r.bqk.nrpppp.ppp..n.......b.p.....B.P........N..PPPP.PPPRNBQK..R";
    Game game(p, 'w', 4, 3);
    const GameState before = *game.g;
    game.run();
    const GameState& g = *game.g;
    EXPECT_TRUE(game.squares_equal(before));
    EXPECT_TRUE(std::equal(std::begin(before.castle_moved), std::end(before.castle_moved),
                           std::begin(g.castle_moved)));
    EXPECT_EQ(g.castle_moved[1], 0);  // White may still castle afterwards
    EXPECT_EQ(g.move_list[g.chosen_index][code_column], g.move_code);
}

// ---- Repetition test ------------------------------------------------------

TEST(SearchRepetition, CloseRunnerUpReplacesARepeatedChoice) {
    // At depth 2 G1F3 scores 20 (the knight's 11 on F3) and the earlier B1C3
    // 19: after either, Black's best reply is G8F6 and 20 black moves are
    // counted.
    Game game(initial_position, 'w', 1, 2);
    GameState& g = *game.g;
    g.choice_history[2] = code_of("G1F3");  // chosen two searches ago
    game.run();
    EXPECT_EQ(g.score_gap, 1);
    EXPECT_EQ(g.move_code, code_of("B1C3"));
    EXPECT_EQ(g.chosen_index, game.row_of("B1C3"));
    EXPECT_EQ(game.out.str(), std::string(20, '=') + "\r\n" + std::string(20, '.') +
                                  "\r\nALTERNATE MOVE USED!\r\n");
    EXPECT_EQ(g.choice_history[0], 0);
    EXPECT_EQ(g.choice_history[1], 0);
    EXPECT_EQ(g.choice_history[2], 0);

    // The cleared history cannot repeat before the third search that follows.
    for (int search_no = 1; search_no <= 3; ++search_no) {
        game.out.str("");
        game.run();
        const bool repeats = search_no == 3;
        EXPECT_EQ(game.out.str().find("ALTERNATE MOVE USED!") != std::string::npos, repeats)
            << "search " << search_no;
        EXPECT_EQ(g.move_code, code_of(repeats ? "B1C3" : "G1F3"));
    }
}

TEST(SearchRepetition, DistantRunnerUpRaisesTheDepthOnce) {
    // At depth 2 the mate A1A8 keeps +25000; the runner-up is an ordinary
    // evaluation, far more than 24 below.
    const std::string p = "......k......ppp.....................................PPPR.....K.";
    Game game(p, 'w', 20, 2);
    GameState& g = *game.g;
    g.choice_history[1] = code_of("G1H1");
    g.choice_history[2] = code_of("A1A8");
    game.run();
    EXPECT_EQ(g.move_code, code_of("A1A8"));  // the repeated move is still played
    EXPECT_GT(g.score_gap, 24);
    EXPECT_EQ(g.search_depth, 3);
    EXPECT_EQ(g.hold_depth, 1);
    EXPECT_NE(game.out.str().find("\r\nDEPTH INCREASED!\r\n"), std::string::npos);
    EXPECT_EQ(g.choice_history[0], 0);
    EXPECT_EQ(g.choice_history[1], 0);
    EXPECT_EQ(g.choice_history[2], 0);

    // While the raised depth is held, a repetition raises nothing.
    Game held(p, 'w', 20, 2);
    held.g->hold_depth = 1;
    held.g->choice_history[1] = code_of("G1H1");
    held.g->choice_history[2] = code_of("A1A8");
    held.run();
    EXPECT_EQ(held.g->search_depth, 2);
    EXPECT_EQ(held.out.str().find("DEPTH INCREASED!"), std::string::npos);
    EXPECT_EQ(held.g->choice_history[0], code_of("A1A8"));
    EXPECT_EQ(held.g->choice_history[1], code_of("A1A8"));
    EXPECT_EQ(held.g->choice_history[2], code_of("G1H1"));
}

TEST(SearchRepetition, DepthIsNeverRaisedPastNine) {
    // White K A1, P B2 against K H8, p G7: a runner-up far behind at depth 8
    // and 9 alike.
    const std::string p = placement({{"A1", 'K'}, {"B2", 'P'}, {"H8", 'k'}, {"G7", 'p'}});
    for (const int16_t depth : {8, 9}) {
        Game game(p, 'w', 40, depth);
        GameState& g = *game.g;
        g.choice_history[2] = code_of("B2B4");
        game.run();
        ASSERT_EQ(g.move_code, code_of("B2B4"));
        ASSERT_NE(g.alternate_move, 0);
        ASSERT_GT(g.score_gap, 24);
        EXPECT_EQ(g.search_depth, 9);
        EXPECT_EQ(g.hold_depth, depth == 8 ? 1 : 0);
        EXPECT_EQ(game.out.str().find("DEPTH INCREASED!") != std::string::npos, depth == 8);
    }
}

TEST(SearchRepetition, NoRunnerUpNoAction) {
    // The promotion A7A8 is the first legal move and stays best.
    const std::string p = "........P......k......................................p.K.......";
    Game game(p, 'w', 45, 2);
    GameState& g = *game.g;
    g.choice_history[2] = code_of("A7A8");
    game.run();
    EXPECT_EQ(g.move_code, code_of("A7A8"));
    EXPECT_EQ(g.alternate_move, 0);
    EXPECT_EQ(g.search_depth, 2);
    EXPECT_EQ(game.out.str().find("MOVE USED"), std::string::npos);
    EXPECT_EQ(g.choice_history[0], code_of("A7A8"));
    EXPECT_EQ(g.choice_history[1], code_of("A7A8"));
    EXPECT_EQ(g.choice_history[2], 0);
}

// ---- Depth nine -------------------------------------------------------------

TEST(SearchDepth, NineOpensPlySevenWithoutReplies) {
    const std::string p = placement({{"A1", 'K'}, {"B2", 'P'}, {"H8", 'k'}, {"G7", 'p'}});
    Game deep(p, 'w', 40, 9);
    deep.run();
    // No move of ply 8 is made, so the list of ply 9 is never generated.
    EXPECT_EQ(deep.g->move_count[9], 0);
    EXPECT_EQ(deep.g->move_count[10], 0);
    EXPECT_NE(deep.g->move_count[8], 0);
    EXPECT_NE(deep.g->move_code, 0);

    Game eight(p, 'w', 40, 8);
    eight.run();
    EXPECT_NE(eight.g->move_count[9], 0);
    EXPECT_EQ(eight.g->move_count[10], 0);
}

// ---- Game already over, and the book -------------------------------------------

TEST(SearchGameOver, MainProgramStopsAfterTheRootMoves) {
    Game game(initial_position, 'w', 1, 2);
    game.g->game_over = 1;
    game.run();
    EXPECT_EQ(game.out.str(), std::string(20, '=') + "\r\n" + std::string(20, '.'));
    EXPECT_EQ(game.g->move_code, 0);
    EXPECT_EQ(game.g->choice_history[1], 0);
}

TEST(SearchGameOver, VariantProgramGoesOnToItsChoice) {
    Game game(initial_position, 'w', 1, 2);
    game.g->settings = variant_program_settings;
    game.g->game_over = 1;
    game.run();
    EXPECT_EQ(game.out.str(), std::string(20, '=') + "\r\n" + std::string(20, '.') + "\r\n");
    EXPECT_EQ(game.g->move_code, code_of("G1F3"));
    EXPECT_EQ(game.g->choice_history[1], code_of("G1F3"));
    EXPECT_EQ(game.g->game_over, 1);

    // A side without a move still gets its message.
    Game mated(".......k......Q.......K.........................................", 'b', 60, 2);
    mated.g->settings = variant_program_settings;
    mated.g->game_over = 1;
    mated.run();
    EXPECT_EQ(mated.out.str(), "===\r\n\r\n*** CHECKMATE! ***\r\n");
}

TEST(SearchBook, BookAnswersDuringTheFirstNineMovesOnly) {
    ScratchFolder folder;
    write_file("WMYBOOK.TXT", initial_position + ",D2D4\r\nZZ,\r\n");
    Game booked(initial_position, 'w', 9, 2);
    booked.g->use_book = 1;
    booked.g->choice_history[2] = code_of("D2D4");
    booked.run();
    EXPECT_EQ(booked.g->move_code, code_of("D2D4"));
    EXPECT_EQ(booked.g->chosen_index, 1);
    EXPECT_EQ(booked.out.str().find('='), std::string::npos);  // no progress marks
    EXPECT_EQ(booked.g->choice_history[0], 0);                 // history untouched
    EXPECT_EQ(booked.g->choice_history[2], code_of("D2D4"));

    Game searched(initial_position, 'w', 10, 2);
    searched.g->use_book = 1;
    searched.run();
    EXPECT_EQ(searched.out.str(), std::string(20, '=') + "\r\n" + std::string(20, '.') + "\r\n");
    EXPECT_EQ(searched.g->move_code, code_of("G1F3"));
}

}  // namespace
}  // namespace chess
