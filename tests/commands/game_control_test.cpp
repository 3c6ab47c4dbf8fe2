// BACK, SUGGEST, DEPTH, SWAP, WHITE and BLACK, on a record and in whole
// sessions (kept at depth 2 so they stay fast).
#include "commands/game_control.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "commands/snapshot.h"
#include "console/board_display.h"
#include "model/board.h"
#include "model/notation.h"
#include "movegen/generate.h"
#include "movegen/make_move.h"
#include "support/command_helpers.h"
#include "support/session.h"

namespace chess {
namespace {

using namespace command_tests;
using testing::fresh_game;
using testing::run_session;
using testing::ScratchFolder;
using testing::write_file;

auto depth_two() {
    return [](GameState& g) { g.base_depth = 2; };
}
auto depth_two_with(const std::string& placement) {
    return [placement](GameState& g) {
        g.base_depth = 2;
        testing::set_placement(g, placement);
    };
}

bool same_board(const GameState& a, const GameState& b) {
    for (int i = 11; i <= 88; ++i) {
        if (a.board[i] != b.board[i]) return false;
    }
    return true;
}

// The text after `label` up to the line end, for the first such line.
std::string after_label(const std::string& output, const std::string& label) {
    const size_t at = output.find(label);
    if (at == std::string::npos) return "<missing>";
    const size_t start = at + label.size();
    return output.substr(start, output.find("\r\n", start) - start);
}

// True when `text` is a listed move of `side` in the initial position.
bool legal_opening_move(const std::string& text, int side) {
    auto g = fresh_game();
    g->ply = 1;
    generate_moves(*g);
    std::string t = text;
    const int code = text_to_move(t);
    for (int r = 1; r <= g->move_count[1]; ++r) {
        if (g->move_list[r][1] == code) return sign_of(g->board[move_from(code)]) == side;
    }
    return false;
}

// ---- BACK ------------------------------------------------------------------

TEST(BackCommand, AtTheFirstPromptReturnsToTheStart) {
    auto r = run_session("0\n0\n0\nBACK\n");
    auto start = fresh_game();
    EXPECT_TRUE(same_board(*r.game, *start));
    EXPECT_EQ(r.game->move_number, 1);
    EXPECT_EQ(count_of(r.output, " 1 ) WHITE TO MOVE "), 2);
}

TEST(BackCommand, OnceAndTwiceGiveTheSamePosition) {
    ScratchFolder folder;
    write_file("MYBOOK.TXT", record(after_e2e4_key, "E7E5"));
    auto once = run_session("0\n1\n0\nE2E4\nBACK\n", false, {}, 1);
    auto twice = run_session("0\n1\n0\nE2E4\nBACK\nBACK\n", false, {}, 1);
    auto start = fresh_game();
    EXPECT_TRUE(same_board(*once.game, *start));
    EXPECT_TRUE(same_board(*twice.game, *start));
    EXPECT_EQ(once.game->move_number, 1);
    EXPECT_EQ(twice.game->move_number, 1);
    EXPECT_TRUE(has_line(twice.output, " 2 ) WHITE TO MOVE "));
    EXPECT_EQ(count_of(twice.output, " 1 ) WHITE TO MOVE "), 3);
}

TEST(BackCommand, AfterCastlingKingRookAndRightComeBack) {
    // F1 and G1 empty; the user castles, BACK, and castles again.
    const std::string placement =
        "rnbqkbnr"
        "pppppppp" +
        empty_ranks(4) +
        "PPPPPPPP"
        "RNBQK..R";
    auto r = run_session("0\n0\n0\nE1G1\nBACK\nE1G1\n", false, depth_two_with(placement));
    EXPECT_EQ(count_of(r.output, "\r\nWHITE E1G1\r\n"), 2) << r.output;
    // The board shown right after BACK has king and rook home.
    EXPECT_EQ(count_of(r.output, " 1  R N B Q K . . R  1 "), 2);
}

TEST(BackCommand, RestoresTheCastlingStateOfTheSnapshot) {
    auto g = fresh_game();
    g->board[sq_f1] = 0;
    g->board[sq_g1] = 0;
    g->ply = 1;
    generate_moves(*g);
    take_snapshot(*g);
    g->move_code = white_king_side_castle;
    find_move(*g);
    ASSERT_NE(g->move_index, 0);
    make_move(*g);
    g->white_king_moved = 1;
    g->move_number = 2;
    ASSERT_EQ(g->board[sq_g1], -king);
    ASSERT_EQ(g->board[sq_f1], -rook);
    ASSERT_EQ(g->castle_moved[1], 1);
    restore_snapshot(*g);
    EXPECT_EQ(g->board[sq_e1], -king);
    EXPECT_EQ(g->board[sq_h1], -rook);
    EXPECT_EQ(g->board[sq_f1], 0);
    EXPECT_EQ(g->board[sq_g1], 0);
    EXPECT_EQ(g->castle_moved[1], 0);
    EXPECT_EQ(g->castle_moved[2], 0);
    EXPECT_EQ(g->white_king_moved, 0);
    EXPECT_EQ(g->move_number, 1);
    g->move_code = white_king_side_castle;
    find_move(*g);
    EXPECT_NE(g->move_index, 0) << "castling is listed again";
}

TEST(BackCommand, AfterSwapTheColoursFollowTheRestoredComputerSide) {
    ScratchFolder folder;
    write_file("WMYBOOK.TXT", record(initial_key, "E2E4"));
    auto r = run_session("0\n1\n0\nSWAP\nBACK\n", false, {}, 1);
    EXPECT_TRUE(has_line(r.output, " 1 ) BLACK  TO MOVE "));
    // After BACK: the user is White again, with the plain names.
    EXPECT_NE(r.output.rfind(" 1 ) WHITE TO MOVE "), std::string::npos);
    EXPECT_GT(r.output.rfind(" 1 ) WHITE TO MOVE "), r.output.find(" 1 ) BLACK  TO MOVE "));
    EXPECT_EQ(r.game->computer_side, 1);
    EXPECT_EQ(r.game->human_side, -1);
    EXPECT_EQ(r.game->search_side, 1);
    EXPECT_EQ(r.game->human_name, "WHITE");
    EXPECT_EQ(r.game->computer_name, "BLACK");
    EXPECT_TRUE(same_board(*r.game, *fresh_game()));
}

// ---- SUGGEST ---------------------------------------------------------------

TEST(SuggestCommand, ShowsAChoiceForEachColourAndChangesNothing) {
    auto r = run_session("0\n0\n0\nSUGGEST\n1\nSUGGEST\n2\nSUGGEST\nX\n", false, depth_two());
    size_t at = 0;
    for (const int side : {-1, 1, 1}) {
        at = r.output.find("SUGGEST MOVE FOR 1=WHITE, 2=BLACK \r\n", at);
        ASSERT_NE(at, std::string::npos);
        const std::string rest = r.output.substr(at);
        const std::string move = after_label(rest, "SUGGESTED MOVE: ");
        EXPECT_TRUE(legal_opening_move(move, side)) << move;
        const std::string alternate = after_label(rest, "ALTERNATE MOVE: ");
        EXPECT_TRUE(alternate.empty() || (legal_opening_move(alternate, side) && alternate != move))
            << alternate;
        ++at;
    }
    EXPECT_TRUE(same_board(*r.game, *fresh_game()));
    EXPECT_EQ(r.game->search_side, 1);
    EXPECT_EQ(r.game->human_side, -1);
    EXPECT_EQ(r.game->move_number, 1);
    EXPECT_EQ(count_of(r.output, " 1 ) WHITE TO MOVE "), 4);
    // SUGGEST shows no board of its own.
    EXPECT_EQ(count_of(r.output, "COMMANDS="), 1);
}

TEST(SuggestCommand, LeavesTheBoardThePlyAndTheListOfTheCurrentPosition) {
    auto g = fresh_game();
    g->search_depth = 2;
    g->ply = 1;
    generate_moves(*g);
    auto before = std::make_unique<GameState>(*g);
    Io io;
    attach(*g, io, "2\n");
    suggest_move(*g);
    EXPECT_TRUE(io.out.str().starts_with("SUGGEST MOVE FOR 1=WHITE, 2=BLACK \r\n"));
    EXPECT_EQ(std::memcmp(g->board, before->board, sizeof g->board), 0);
    EXPECT_EQ(g->ply, 1);
    EXPECT_EQ(g->move_count[1], before->move_count[1]);
    // The same moves in the same rows; the score column is the search's.
    for (int r = 0; r < move_list_rows; ++r) {
        for (int c = 1; c <= 2; ++c) {
            ASSERT_EQ(g->move_list[r][c], before->move_list[r][c]) << r << "," << c;
        }
    }
    EXPECT_EQ(g->search_side, before->search_side);
    EXPECT_EQ(g->book_reply_pending, 0);
}

TEST(SuggestCommand, OneLegalMoveHasNoAlternate) {
    // White: king H1 and pawn B3; black rooks G8 and A2 leave only B3B4.
    const std::string placement = "......r." + empty_ranks(1) + "...k...." + empty_ranks(2) +
                                  ".P......"
                                  "r......."
                                  ".......K";
    auto r = run_session("0\n0\n0\nSUGGEST\n1\n", false, depth_two_with(placement));
    EXPECT_NE(r.output.find("\r\nSUGGESTED MOVE: B3B4\r\nALTERNATE MOVE: \r\n 1 ) WHITE TO MOVE "),
              std::string::npos)
        << r.output;
}

TEST(SuggestCommand, MateInOneIsAnnouncedAndTheGameEndsAtTheNextTest) {
    // Back-rank mate A1A8 for White; searched at depth 3 or more.
    const std::string placement =
        "......k."
        ".....ppp" +
        empty_ranks(5) + "R.....K.";
    auto r = run_session("0\n0\n0\nSUGGEST\n1\nBOARD\nG1H1\n\n", false, depth_two_with(placement));
    EXPECT_NE(r.output.find("CHECKMATE! >>A1A8\r\n"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("SUGGESTED MOVE: A1A8\r\n"), std::string::npos);
    // The board is as it was (the rook still on A1) and the user still moves.
    EXPECT_EQ(count_of(r.output, " 1  R . . . . . K .  1 "), 2);
    EXPECT_EQ(count_of(r.output, " 8  . . . . . . k .  8 "), 3);
    EXPECT_TRUE(r.output.ends_with("GAME OVER <hit return> \r\n")) << r.output;
    EXPECT_EQ(r.game->game_over, 1);
}

TEST(SuggestCommand, ColourWithoutALegalMoveEndsTheGameAtTheNextTest) {
    // Black king A8 stalemated by the white queen C7.
    const std::string placement =
        "k......."
        "..Q....." +
        empty_ranks(5) + ".......K";
    auto r = run_session("0\n0\n0\nSUGGEST\n2\nH1G1\n\n", false, depth_two_with(placement));
    EXPECT_NE(r.output.find("<<<STALEMATE>>>\r\nSUGGESTED MOVE: \r\nALTERNATE MOVE: \r\n"
                            " 1 ) WHITE TO MOVE "),
              std::string::npos)
        << r.output;
    EXPECT_TRUE(r.output.ends_with("GAME OVER <hit return> \r\n"));
    EXPECT_EQ(r.game->search_side, 1);
}

TEST(SuggestCommand, CheckmatedColour) {
    const std::string placement =
        "k......."
        ".Q......"
        "..K....." +
        empty_ranks(5);
    auto r = run_session("0\n0\n0\nSUGGEST\n2\n", false, depth_two_with(placement));
    EXPECT_NE(r.output.find("*** CHECKMATE! ***\r\nSUGGESTED MOVE: \r\nALTERNATE MOVE: \r\n"),
              std::string::npos)
        << r.output;
}

TEST(SuggestCommand, BookReplyIsShownButNotPlayed) {
    ScratchFolder folder;
    const std::string placement =
        "rnbqkbnr"
        "pppppppp" +
        empty_ranks(4) +
        "PPPPPPPP"
        "RNBQK..R";
    write_file("WMYBOOK.TXT", record(placement, "E1G1") + "ZZ,ZZ\r\n");
    auto r = run_session("0\n1\n0\nSUGGEST\n1\nBOARD\nE1G1\n", false, depth_two_with(placement), 1);
    EXPECT_NE(
        r.output.find("SUGGEST MOVE FOR 1=WHITE, 2=BLACK \r\nE1G1  \r\nUSING OPENING MOVE#  1 "
                      "\r\n\r\nSUGGESTED MOVE: E1G1\r\nALTERNATE MOVE: \r\n"),
        std::string::npos)
        << r.output;
    EXPECT_EQ(count_of(r.output, " 1  R N B Q K . . R  1 "), 2);
    // The user's own castling is then found in the list of the position.
    EXPECT_TRUE(has_line(r.output, "WHITE E1G1"));
}

// ---- DEPTH -----------------------------------------------------------------

// DEPTH as the console runs it: the board follows a value read.
void depth_command(GameState& g) {
    if (set_depth(g)) show_board(g);
}

TEST(DepthCommand, ShowsAndClampsTheBaseDepth) {
    auto g = fresh_game();
    Io io;
    attach(*g, io, "1\n");
    depth_command(*g);
    EXPECT_TRUE(io.out.str().starts_with(
        "CURRENT BASE DEPTH =  4 \r\nNEW VALUE= \r\n\r\n    A B C D E F G H"));
    EXPECT_EQ(g->base_depth, 2);
    EXPECT_EQ(g->search_depth, 2);
    attach(*g, io, "12\n");
    depth_command(*g);
    EXPECT_TRUE(io.out.str().starts_with("CURRENT BASE DEPTH =  2 \r\n"));
    EXPECT_EQ(g->base_depth, 8);
    attach(*g, io, "6\n");
    depth_command(*g);
    EXPECT_EQ(g->base_depth, 6);
    attach(*g, io, "X\n");
    depth_command(*g);
    EXPECT_TRUE(io.out.str().starts_with("CURRENT BASE DEPTH =  6 \r\n"));
    EXPECT_EQ(g->base_depth, 2);
    EXPECT_TRUE(
        has_line(io.out.str(), "    A B C D E F G H          1     74     37     37     2 "));
}

TEST(DepthCommand, EndOfInputChangesNothing) {
    auto g = fresh_game();
    Io io;
    attach(*g, io, "");
    EXPECT_FALSE(set_depth(*g));
    EXPECT_EQ(io.out.str(), "CURRENT BASE DEPTH =  4 \r\nNEW VALUE= ");
    EXPECT_EQ(g->base_depth, 4);
    EXPECT_TRUE(g->console.ended);
}

TEST(DepthCommand, InASessionTheDepthColumnFollows) {
    auto r = run_session("0\n0\n0\nDEPTH\n1\nDEPTH\n12\nDEPTH\n6\nDEPTH\nx\n");
    EXPECT_EQ(count_of(r.output, "COMMANDS="), 5);
    EXPECT_EQ(count_of(r.output, " 1 ) WHITE TO MOVE "), 5);
    EXPECT_NE(r.output.find("CURRENT BASE DEPTH =  6 "), std::string::npos);
    for (const char* d : {"2 ", "8 ", "6 "}) {
        EXPECT_TRUE(
            has_line(r.output, std::string("    A B C D E F G H          1     74     37     "
                                           "37     ") +
                                   d))
            << d;
    }
}

// ---- SWAP ------------------------------------------------------------------

TEST(SwapCommand, OnceTheComputerPlaysTheUsersMoveAndColoursChange) {
    ScratchFolder folder;
    write_file("WMYBOOK.TXT", record(initial_key, "E2E4"));
    auto r = run_session("0\n1\n0\nSWAP\n", false, {}, 1);
    EXPECT_NE(r.output.find(" 1 ) WHITE TO MOVE \r\nE2E4  \r\nUSING OPENING MOVE#  1 \r\n\r\n"
                            "E2E4\r\n\r\n    A B C D E F G H"),
              std::string::npos)
        << r.output;
    EXPECT_TRUE(has_line(r.output, " 1 ) BLACK  TO MOVE "));
    EXPECT_EQ(r.game->board[cell("E4")], -pawn);
    EXPECT_EQ(r.game->computer_side, -1);
    EXPECT_EQ(r.game->human_side, 1);
    EXPECT_EQ(r.game->human_name, "BLACK ");
    EXPECT_EQ(r.game->computer_name, "WHITE ");
    EXPECT_EQ(r.game->swap_count, 1);
    EXPECT_EQ(r.game->move_number, 1);
}

TEST(SwapCommand, SearchedMoveIsPlayedAndPrinted) {
    auto r = run_session("0\n0\n0\nSWAP\n", false, depth_two());
    auto start = fresh_game();
    int changed = 0;
    for (int i = 11; i <= 88; ++i) changed += r.game->board[i] != start->board[i];
    EXPECT_EQ(changed, 2);
    const std::string move = move_to_text(r.game->move_code);
    EXPECT_TRUE(legal_opening_move(move, -1)) << move;
    EXPECT_NE(r.output.find("\r\n" + move + "\r\n\r\n    A B C D E F G H"), std::string::npos);
    EXPECT_TRUE(has_line(r.output, " 1 ) BLACK  TO MOVE "));
}

TEST(SwapCommand, TwiceInOneTurnPlaysForBothAndAdvancesTheMoveNumber) {
    ScratchFolder folder;
    write_file("WMYBOOK.TXT", record(initial_key, "E2E4"));
    write_file("MYBOOK.TXT", record(after_e2e4_key, "E7E5"));
    auto r = run_session("0\n1\n0\nSWAP\nSWAP\n", false, {}, 1);
    EXPECT_NE(r.output.find("\r\nE2E4\r\n"), std::string::npos);
    EXPECT_NE(r.output.find("\r\nE7E5\r\n"), std::string::npos);
    EXPECT_TRUE(has_line(r.output, " 2 ) WHITE  TO MOVE "));
    EXPECT_EQ(r.game->move_number, 2);
    EXPECT_EQ(r.game->swap_count, 0);
    EXPECT_EQ(r.game->computer_side, 1);
    EXPECT_EQ(r.game->human_name, "WHITE ");
    EXPECT_EQ(r.game->board[cell("E5")], pawn);
}

TEST(SwapCommand, CastlingFromTheBookMovesTheRook) {
    ScratchFolder folder;
    const std::string placement =
        "rnbqkbnr"
        "pppppppp" +
        empty_ranks(4) +
        "PPPPPPPP"
        "RNBQK..R";
    write_file("WMYBOOK.TXT", record(placement, "E1G1"));
    auto r = run_session("0\n1\n0\nSWAP\n", false, depth_two_with(placement), 1);
    EXPECT_TRUE(has_line(r.output, " 1  R N B Q . R K .  1 "));
    EXPECT_EQ(r.game->board[sq_f1], -rook);
    EXPECT_EQ(r.game->board[sq_h1], 0);
    EXPECT_EQ(r.game->book_reply_pending, 0);
}

// White (the user) stalemated: king A8, black rook B7 guarded by the king C7.
const std::string user_stalemated =
    "K......."
    ".rk....." +
    empty_ranks(6);

TEST(SwapCommand, UserWithoutALegalMoveEndsTheMainProgram) {
    auto r = run_session("0\n0\n0\nSWAP\n\nBOARD\n", false, depth_two_with(user_stalemated));
    EXPECT_TRUE(r.output.ends_with("<<<STALEMATE>>>\r\nGAME OVER\r\n")) << r.output;
    EXPECT_EQ(r.game->computer_side, 1);
    EXPECT_EQ(r.game->game_over, 1);
    EXPECT_TRUE(r.game->console.ended);
}

TEST(SwapCommand, UserWithoutALegalMoveInTheVariantExchangesColoursAndReturns) {
    auto r = run_session("0\n0\n0\nSWAP\n", true, depth_two_with(user_stalemated));
    EXPECT_NE(r.output.find("<<<STALEMATE>>>\r\n\r\n    A B C D E F G H"), std::string::npos)
        << r.output;
    EXPECT_EQ(r.output.find("GAME OVER"), std::string::npos);
    EXPECT_TRUE(r.output.ends_with(" 1 ) BLACK  TO MOVE "));
    EXPECT_EQ(r.game->computer_side, -1);
    EXPECT_EQ(r.game->human_side, 1);
    EXPECT_EQ(r.game->swap_count, 1);
    EXPECT_EQ(r.game->game_over, 1);
    EXPECT_EQ(r.game->board[sq_a8], -king);
}

// ---- WHITE and BLACK ---------------------------------------------------------

TEST(ColourCommands, BlackThenWhiteChangeTheUserWithoutABoard) {
    auto r = run_session("0\n0\n0\nBLACK\nWHITE\nWHITE\nBLACK\nE7E5\n", false, depth_two());
    EXPECT_NE(r.output.find(" 1 ) WHITE TO MOVE \r\n 1 ) BLACK TO MOVE \r\n 1 ) WHITE TO MOVE \r\n"
                            " 1 ) WHITE TO MOVE \r\n 1 ) BLACK TO MOVE \r\n"),
              std::string::npos)
        << r.output;
    EXPECT_TRUE(has_line(r.output, "BLACK E7E5"));
    EXPECT_TRUE(has_line(r.output, " 2 ) BLACK TO MOVE "));
    EXPECT_EQ(r.game->computer_side, -1);
    EXPECT_EQ(r.game->board[cell("E5")], pawn);
}

TEST(ColourCommands, SetEveryColourField) {
    auto g = fresh_game();
    choose_black(*g);
    EXPECT_EQ(g->computer_side, -1);
    EXPECT_EQ(g->human_side, 1);
    EXPECT_EQ(g->search_side, -1);
    EXPECT_EQ(g->human_name, "BLACK");
    EXPECT_EQ(g->computer_name, "WHITE");
    choose_white(*g);
    EXPECT_EQ(g->computer_side, 1);
    EXPECT_EQ(g->human_side, -1);
    EXPECT_EQ(g->search_side, 1);
    EXPECT_EQ(g->human_name, "WHITE");
    EXPECT_EQ(g->computer_name, "BLACK");
    EXPECT_TRUE(same_board(*g, *fresh_game()));
}

}  // namespace
}  // namespace chess
