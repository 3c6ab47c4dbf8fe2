// The opening book: the lookup on a record, the hand-over to make_move, and
// whole sessions in which the computer answers from the book.
#include "engine/book.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <random>
#include <string>

#include "commands/search_report.h"
#include "engine/move_choice.h"
#include "model/board.h"
#include "movegen/generate.h"
#include "movegen/make_move.h"
#include "support/command_helpers.h"
#include "support/session.h"

namespace chess {
namespace {

// The book lookup, its report printed as the console prints it.
void look_up(chess::GameState& g) {
    chess::ConsoleSearchReport report(g);
    chess::book_lookup(g, report);
}

using namespace command_tests;
using testing::fresh_game;
using testing::run_session;
using testing::ScratchFolder;
using testing::write_file;

const int16_t e7e5 = 5254;
const int16_t d7d5 = 4244;
const int16_t c7c5 = 3234;

// ---- Finding replies --------------------------------------------------

TEST(BookLookup, OneMatchingRecordIsAlwaysPlayedAsNumberOne) {
    ScratchFolder folder;
    write_file("MYBOOK.TXT", record(after_e2e4_key, "E7E5") + "ZZ,ZZ\r\n");
    for (unsigned seed = 0; seed < 20; ++seed) {
        Io io;
        auto g = black_to_move(io);
        g->random_generator.seed(seed);
        look_up(*g);
        EXPECT_EQ(io.out.str(), "E7E5  \r\nUSING OPENING MOVE#  1 \r\n\r\n");
        EXPECT_EQ(g->move_code, e7e5);
        EXPECT_EQ(g->move_text, "E7E5");
        EXPECT_EQ(g->chosen_index, 1);
        EXPECT_EQ(g->last_legal_root, 1);
        EXPECT_EQ(g->book_reply_pending, 1);
        EXPECT_EQ(g->book_reply_castles, 0);
    }
}

TEST(BookLookup, KeyIsThePlacementRankEightFirst) {
    ScratchFolder folder;
    Io io;
    auto g = black_to_move(io);
    look_up(*g);
    EXPECT_EQ(g->position_key, after_e2e4_key);
    g->search_side = GameState::white_side;
    g->board[cell("E4")] = 0;
    g->board[cell("E2")] = -pawn;
    look_up(*g);
    EXPECT_EQ(g->position_key, initial_key);
}

TEST(BookLookup, ThreeMatchesAreListedInFileOrderAndDrawnHalfQuarterQuarter) {
    ScratchFolder folder;
    write_file("MYBOOK.TXT", record(after_e2e4_key, "E7E5") + record(initial_key, "A7A6") +
                                 record(after_e2e4_key, "D7D5") + record(after_e2e4_key, "C7C5") +
                                 "ZZ,ZZ\r\n");
    Io io;
    auto g = black_to_move(io);
    g->random_generator.seed(20240601u);
    const int draws = 4000;
    int first = 0, second = 0, third = 0;
    for (int i = 0; i < draws; ++i) {
        io.out.str("");
        look_up(*g);
        const std::string out = io.out.str();
        ASSERT_TRUE(out.starts_with("E7E5  D7D5  C7C5  \r\nUSING OPENING MOVE# ")) << out;
        if (g->move_code == e7e5) {
            ++first;
            EXPECT_EQ(out.substr(20), "USING OPENING MOVE#  1 \r\n\r\n");
        } else if (g->move_code == d7d5) {
            ++second;
            EXPECT_EQ(out.substr(20), "USING OPENING MOVE#  2 \r\n\r\n");
        } else if (g->move_code == c7c5) {
            ++third;
            EXPECT_EQ(out.substr(20), "USING OPENING MOVE#  3 \r\n\r\n");
        } else {
            ADD_FAILURE() << "unexpected reply " << g->move_code;
        }
    }
    EXPECT_NEAR(first / double(draws), 0.50, 0.03);
    EXPECT_NEAR(second / double(draws), 0.25, 0.03);
    EXPECT_NEAR(third / double(draws), 0.25, 0.03);
}

TEST(BookLookup, EachSideReadsItsOwnFile) {
    ScratchFolder folder;
    // The same placement: Black to move reads MYBOOK.TXT, White WMYBOOK.TXT.
    const std::string key = after_e2e4_key;
    write_file("MYBOOK.TXT", record(key, "E7E5"));
    write_file("WMYBOOK.TXT", record(key, "D2D4"));
    Io io;
    auto g = black_to_move(io);
    look_up(*g);
    EXPECT_EQ(g->move_code, e7e5);
    g->search_side = GameState::white_side;
    io.out.str("");
    look_up(*g);
    EXPECT_EQ(io.out.str(), "D2D4  \r\nUSING OPENING MOVE#  1 \r\n\r\n");
    EXPECT_EQ(g->move_code, 4745);
}

TEST(BookLookup, EndMarkerFirstGivesAnEmptyLineAndNoReply) {
    ScratchFolder folder;
    write_file("MYBOOK.TXT", "ZZ,\r\n" + record(after_e2e4_key, "E7E5") + "ZZ,ZZ\r\n");
    Io io;
    auto g = black_to_move(io);
    look_up(*g);
    EXPECT_EQ(io.out.str(), "\r\n");
    EXPECT_EQ(g->move_code, 0);
    EXPECT_EQ(g->book_reply_pending, 0);
}

TEST(BookLookup, EndMarkerWithoutMoveFieldAtTheEndOfTheFile) {
    ScratchFolder folder;
    write_file("MYBOOK.TXT", record(after_e2e4_key, "E7E5") + "ZZ");
    Io io;
    auto g = black_to_move(io);
    look_up(*g);
    EXPECT_EQ(g->move_code, e7e5);
}

TEST(BookLookup, MissingFileBehavesAsAnEmptyBook) {
    ScratchFolder folder;
    // Absent, a folder, or a FIFO nobody writes to (which must not block).
    for (const char* kind : {"absent", "folder", "fifo"}) {
        std::filesystem::remove_all("MYBOOK.TXT");
        if (std::string(kind) == "folder") std::filesystem::create_directory("MYBOOK.TXT");
        if (std::string(kind) == "fifo") {
            ASSERT_EQ(mkfifo("MYBOOK.TXT", 0600), 0);
        }
        Io io;
        auto g = black_to_move(io);
        g->book_reply_pending = 1;  // left over: every lookup starts clean
        g->book_reply_castles = 1;
        look_up(*g);
        EXPECT_EQ(io.out.str(), "\r\n") << kind;
        EXPECT_EQ(g->move_code, 0) << kind;
        EXPECT_EQ(g->book_reply_pending, 0);
        EXPECT_EQ(g->book_reply_castles, 0);
    }
}

TEST(BookLookup, ASearchPastTheBookLeavesNoReplyPending) {
    // From move 10 on the book is not read; a reply left pending by an
    // earlier search that was never played must not turn the searched move
    // into a book reply.
    ScratchFolder folder;
    write_file("MYBOOK.TXT", record(after_e2e4_key, "E7E5"));
    Io io;
    auto g = black_to_move(io);
    g->use_book = 1;
    g->search_depth = 2;
    g->move_number = 10;
    g->book_reply_pending = 1;
    g->book_reply_castles = 1;
    search_at_console(*g);
    EXPECT_EQ(io.out.str().find("E7E5  "), std::string::npos);
    EXPECT_NE(g->move_code, 0);
    EXPECT_EQ(g->book_reply_pending, 0);
    EXPECT_EQ(g->book_reply_castles, 0);
}

TEST(BookLookup, LineEndsOfEveryKindAndBlankLinesBetweenRecords) {
    ScratchFolder folder;
    const std::string other = initial_key;
    for (const std::string eol : {"\r\n", "\n", "\r"}) {
        write_file("MYBOOK.TXT", eol + "   " + eol + other + ",A7A6" + eol + "\t" + eol +
                                     after_e2e4_key + ",E7E5" + eol + after_e2e4_key + ",d7d5" +
                                     eol + "ZZ,ZZ" + eol);
        Io io;
        auto g = black_to_move(io);
        look_up(*g);
        EXPECT_TRUE(io.out.str().starts_with("E7E5  d7d5  \r\n")) << io.out.str();
    }
}

TEST(BookLookup, QuotedKeyWithCommentAfterTheSixtyFourthCharacter) {
    ScratchFolder folder;
    write_file("MYBOOK.TXT",
               "\"" + after_e2e4_key + " king's pawn, the open game\"  ,  E7E5\r\nZZ,ZZ\r\n");
    Io io;
    auto g = black_to_move(io);
    look_up(*g);
    EXPECT_EQ(io.out.str(), "E7E5  \r\nUSING OPENING MOVE#  1 \r\n\r\n");
    EXPECT_EQ(g->move_code, e7e5);
}

TEST(BookLookup, UnquotedCommentAfterTheKeyAndQuotedMove) {
    ScratchFolder folder;
    write_file("MYBOOK.TXT", after_e2e4_key + "  comment,\"e7e5\"\r\n");
    Io io;
    auto g = black_to_move(io);
    look_up(*g);
    EXPECT_EQ(io.out.str(), "e7e5  \r\nUSING OPENING MOVE#  1 \r\n\r\n");
    EXPECT_EQ(g->move_code, e7e5);
    EXPECT_EQ(g->move_text, "E7E5");
}

TEST(BookLookup, ShortKeyNeverMatches) {
    ScratchFolder folder;
    write_file("MYBOOK.TXT", record(after_e2e4_key.substr(0, 63), "E7E5"));
    Io io;
    auto g = black_to_move(io);
    look_up(*g);
    EXPECT_EQ(io.out.str(), "\r\n");
    EXPECT_EQ(g->move_code, 0);
}

TEST(BookLookup, UnusableRepliesAreNeitherShownNorCounted) {
    ScratchFolder folder;
    // Black to move: a square off the board, too short, not squares at all,
    // an empty from-square, a white piece, a black piece as the target.
    for (const std::string bad : {"E9E5", "E7E", "XYZ1", "", "E6E5", "D2D3", "D8D7", "I7I5"}) {
        write_file("MYBOOK.TXT", record(after_e2e4_key, bad) + record(after_e2e4_key, "C7C5"));
        Io io;
        auto g = black_to_move(io);
        look_up(*g);
        EXPECT_EQ(io.out.str(), "C7C5  \r\nUSING OPENING MOVE#  1 \r\n\r\n") << bad;
        EXPECT_EQ(g->move_code, c7c5) << bad;
    }
}

TEST(BookLookup, CaptureOfAnEnemyPieceIsAcceptable) {
    ScratchFolder folder;
    Io io;
    auto g = black_to_move(io);
    g->board[cell("D5")] = -pawn;
    std::string key = after_e2e4_key;
    key[3 * 8 + 3] = 'P';                           // D5
    write_file("MYBOOK.TXT", record(key, "E7D5"));  // not a pawn move, played untested
    look_up(*g);
    EXPECT_EQ(g->move_code, 5244);
}

TEST(BookLookup, AtMostFifteenCandidates) {
    ScratchFolder folder;
    std::string book;
    std::string expected_line;
    for (int i = 0; i < 20; ++i) {
        const std::string move = i % 2 == 0 ? "E7E5" : "E7E6";
        book += record(after_e2e4_key, move + std::to_string(i));
        if (i < 15) expected_line += move + std::to_string(i) + "  ";
    }
    write_file("MYBOOK.TXT", book);
    Io io;
    auto g = black_to_move(io);
    g->random_generator.seed(7u);
    for (int i = 0; i < 300; ++i) {
        io.out.str("");
        look_up(*g);
        ASSERT_TRUE(io.out.str().starts_with(expected_line + "\r\n")) << io.out.str();
        EXPECT_TRUE(g->move_code == e7e5 || g->move_code == 5253);
    }
    EXPECT_EQ(g->book_moves[15], "E7E514");
    EXPECT_EQ(g->book_moves[0], "");
}

TEST(BookLookup, ReadsAtMostFiveThousandRecords) {
    ScratchFolder folder;
    std::string filler;
    for (int i = 0; i < 4999; ++i) filler += record("x", "E7E5");
    Io io;
    auto g = black_to_move(io);
    write_file("MYBOOK.TXT", filler + record(after_e2e4_key, "E7E5"));
    look_up(*g);
    EXPECT_EQ(g->move_code, e7e5) << "the 5000th record is read";
    write_file("MYBOOK.TXT", filler + record("x", "E7E5") + record(after_e2e4_key, "E7E5"));
    look_up(*g);
    EXPECT_EQ(g->move_code, 0) << "the 5001st record is not";
    // 6000 records and no end marker: read without harm.
    write_file("MYBOOK.TXT", filler + filler + filler.substr(0, 2 * 1000));
    look_up(*g);
    EXPECT_EQ(g->move_code, 0);
}

TEST(BookLookup, NothingIsKeptBetweenLookups) {
    ScratchFolder folder;
    write_file("MYBOOK.TXT", record(after_e2e4_key, "E7E5") + record(after_e2e4_key, "D7D5"));
    Io io;
    auto g = black_to_move(io);
    look_up(*g);
    EXPECT_NE(g->move_code, 0);
    // The file is edited while the program runs: the next lookup sees it.
    write_file("MYBOOK.TXT", record(initial_key, "E7E5"));
    io.out.str("");
    look_up(*g);
    EXPECT_EQ(io.out.str(), "\r\n");
    EXPECT_EQ(g->move_code, 0);
    EXPECT_EQ(g->book_reply_pending, 0);
    for (const std::string& slot : g->book_moves) EXPECT_EQ(slot, "");
}

TEST(BookLookup, LongLinesAndLongFieldsAreReadSafely) {
    ScratchFolder folder;
    const std::string comment(100 * 1024, 'c');
    // A 100 KB key field (the first 64 characters decide), then a 100 KB move
    // field that still starts with two squares.
    write_file("MYBOOK.TXT", record(comment, "D7D5") + record(after_e2e4_key + comment, "E7E5") +
                                 record(after_e2e4_key, "C7C5" + comment));
    Io io;
    auto g = black_to_move(io);
    g->random_generator.seed(1u);
    look_up(*g);
    const std::string out = io.out.str();
    EXPECT_TRUE(out.starts_with("E7E5  C7C5" + comment + "  \r\nUSING OPENING MOVE# "));
    EXPECT_TRUE(g->move_code == e7e5 || g->move_code == c7c5);
}

TEST(BookLookup, BinaryFileIsReadWithoutHarm) {
    ScratchFolder folder;
    std::mt19937 bytes(99u);
    for (int round = 0; round < 20; ++round) {
        std::string junk;
        for (int i = 0; i < 20000; ++i) junk.push_back(static_cast<char>(bytes() & 0xff));
        write_file("MYBOOK.TXT", junk);
        Io io;
        auto g = black_to_move(io);
        look_up(*g);
        EXPECT_TRUE(io.out.str().ends_with("\r\n"));
        EXPECT_EQ(g->move_code, 0);
    }
    // Binary bytes around a good record do not hide it.
    write_file("MYBOOK.TXT",
               std::string("\0\x01\xff\"\r", 5) + "\r\n" + record(after_e2e4_key, "E7E5"));
    Io io;
    auto g = black_to_move(io);
    look_up(*g);
    EXPECT_EQ(g->move_code, e7e5);
}

// ---- The hand-over --------------------------------------------------------

// White to move with F1 and G1 empty, and E1G1 in the book.
std::unique_ptr<GameState> white_can_castle(Io& io, const std::string& move) {
    auto g = fresh_game();
    g->board[cell("F1")] = 0;
    g->board[cell("G1")] = 0;
    g->search_side = GameState::white_side;
    attach(*g, io, "");
    std::string key = initial_key;
    key[63 - 2] = '.';
    key[63 - 1] = '.';
    write_file("WMYBOOK.TXT", record(key, move));
    return g;
}

void play_book_reply(GameState& g) {
    g.ply = 1;
    generate_moves(g);
    g.move_index = g.chosen_index;
    book_hand_over(g);
    make_move(g);
}

TEST(BookHandOver, CastlingTextMovesTheRookWithTheKing) {
    ScratchFolder folder;
    Io io;
    auto g = white_can_castle(io, "e1g1");
    look_up(*g);
    ASSERT_EQ(g->move_code, white_king_side_castle);
    EXPECT_EQ(g->book_reply_castles, 1);
    // Nothing moves at the lookup.
    EXPECT_EQ(g->board[sq_h1], -rook);
    EXPECT_EQ(g->board[sq_e1], -king);
    play_book_reply(*g);
    EXPECT_EQ(g->move_list[1][1], white_king_side_castle);
    EXPECT_EQ(g->move_list[1][2], 1602);  // an ordinary king move
    EXPECT_EQ(g->board[sq_g1], -king);
    EXPECT_EQ(g->board[sq_f1], -rook);
    EXPECT_EQ(g->board[sq_h1], 0);
    EXPECT_EQ(g->board[sq_e1], 0);
    EXPECT_EQ(g->book_reply_pending, 0);
    EXPECT_EQ(g->book_reply_castles, 0);
    EXPECT_EQ(g->castle_moved[1], 1);  // the king has moved
}

TEST(BookHandOver, CastlingTextWithATrailingBlankMovesOnlyTheKing) {
    ScratchFolder folder;
    Io io;
    auto g = white_can_castle(io, "E1G1 ");
    look_up(*g);
    EXPECT_EQ(io.out.str(), "E1G1   \r\nUSING OPENING MOVE#  1 \r\n\r\n");
    ASSERT_EQ(g->move_code, white_king_side_castle);
    EXPECT_EQ(g->book_reply_castles, 0);
    play_book_reply(*g);
    EXPECT_EQ(g->board[sq_g1], -king);
    EXPECT_EQ(g->board[sq_f1], 0);
    EXPECT_EQ(g->board[sq_h1], -rook);
}

TEST(BookHandOver, BlackQueenSideCastlingPutsABlackRookOnD8) {
    ScratchFolder folder;
    Io io;
    auto g = fresh_game();
    for (const char* sq : {"B8", "C8", "D8"}) g->board[cell(sq)] = 0;
    g->search_side = GameState::black_side;
    attach(*g, io, "");
    look_up(*g);  // fills the key
    write_file("MYBOOK.TXT", record(g->position_key, "E8C8"));
    look_up(*g);
    ASSERT_EQ(g->move_code, black_queen_side_castle);
    play_book_reply(*g);
    EXPECT_EQ(g->board[sq_c8], king);
    EXPECT_EQ(g->board[sq_d8], rook);
    EXPECT_EQ(g->board[sq_a8], 0);
}

TEST(BookHandOver, DoubleStepLeavesItsEnPassantMarker) {
    ScratchFolder folder;
    Io io;
    auto g = fresh_game();
    g->search_side = GameState::white_side;
    attach(*g, io, "");
    write_file("WMYBOOK.TXT", record(initial_key, "E2E4"));
    look_up(*g);
    ASSERT_EQ(g->move_code, 5755);
    play_book_reply(*g);
    EXPECT_EQ(g->move_list[1][2], 1102);
    EXPECT_EQ(g->board[cell("E4")], -pawn);
    EXPECT_EQ(g->board[50 + 9], GameState::ep_marker);
}

TEST(BookHandOver, PawnReachingTheLastRowPromotes) {
    ScratchFolder folder;
    Io io;
    auto g = fresh_game();
    testing::set_placement(*g,
                           "....k..."
                           "P......." +
                               empty_ranks(5) + "....K...");
    g->search_side = GameState::white_side;
    attach(*g, io, "");
    look_up(*g);
    write_file("WMYBOOK.TXT", record(g->position_key, "A7A8"));
    look_up(*g);
    ASSERT_EQ(g->move_code, 1211);
    play_book_reply(*g);
    EXPECT_EQ(g->board[sq_a8], -queen);
}

TEST(BookHandOver, DoesNothingWithoutAPendingReply) {
    auto g = fresh_game();
    g->ply = 1;
    generate_moves(*g);
    const int16_t code = g->move_list[1][1];
    const int16_t flags = g->move_list[1][2];
    g->move_code = white_king_side_castle;
    g->book_reply_castles = 1;
    book_hand_over(*g);
    EXPECT_EQ(g->move_list[1][1], code);
    EXPECT_EQ(g->move_list[1][2], flags);
    EXPECT_EQ(g->board[sq_h1], -rook);
}

// ---- Whole sessions ---------------------------------------------------------

TEST(BookSession, ComputerPlaysTheReplyAndTheGameGoesOn) {
    ScratchFolder folder;
    write_file("MYBOOK.TXT", record(after_e2e4_key, "E7E5") + "ZZ,ZZ\r\n");
    auto r = run_session("0\n1\n0\nE2E4\n", false, {}, 5);
    EXPECT_NE(r.output.find(" 1 ) WHITE TO MOVE \r\nE7E5  \r\nUSING OPENING MOVE#  1 \r\n\r\n"
                            "WHITE E2E4\r\nBLACK E7E5\r\n"),
              std::string::npos)
        << r.output;
    EXPECT_EQ(r.game->board[cell("E5")], pawn);
    EXPECT_EQ(r.game->board[cell("E7")], 0);
    EXPECT_EQ(r.game->move_number, 2);
    // No search ran for the book reply: no progress ruler was printed.
    EXPECT_EQ(r.output.find("\r\n="), std::string::npos);
}

TEST(BookSession, ComputerCastlesFromTheBookWithTheRook) {
    ScratchFolder folder;
    std::string key =
        "rnbqkbnr"
        "pppp.ppp" +
        empty_ranks(1) + "....p..." + "....P..." + empty_ranks(1) + "PPPP.PPP" + "RNBQK..R";
    // The user plays Black; White's E2E4 is on the board. F1 and G1 are
    // emptied by EDIT, then Black answers E7E5 and White castles from the book.
    write_file("WMYBOOK.TXT", record(key, "E1G1") + "ZZ,ZZ\r\n");
    auto r = run_session("0\n1\n1\nEDIT\n0,F1\nEDIT\n0,G1\nE7E5\n", false, {}, 3);
    EXPECT_NE(
        r.output.find("E1G1  \r\nUSING OPENING MOVE#  1 \r\n\r\nBLACK E7E5\r\nWHITE E1G1\r\n"),
        std::string::npos)
        << r.output;
    EXPECT_TRUE(has_line(r.output, " 1  R N B Q . R K .  1 "));
    EXPECT_EQ(r.game->board[sq_g1], -king);
    EXPECT_EQ(r.game->board[sq_f1], -rook);
    EXPECT_EQ(r.game->board[sq_h1], 0);
}

TEST(BookSession, NotConsultedFromMoveTenOn) {
    ScratchFolder folder;
    write_file("MYBOOK.TXT", record(after_e2e4_key, "E7E5") + "ZZ,ZZ\r\n");
    auto at_move = [](int16_t n) {
        return [n](GameState& g) {
            g.move_number = n;
            g.base_depth = 2;
        };
    };
    auto nine = run_session("0\n1\n0\nE2E4\n", false, at_move(9), 1);
    EXPECT_NE(nine.output.find(" 9 ) WHITE TO MOVE \r\nE7E5  \r\nUSING OPENING MOVE#  1 "),
              std::string::npos);
    auto ten = run_session("0\n1\n0\nE2E4\n", false, at_move(10), 1);
    EXPECT_EQ(ten.output.find("USING OPENING MOVE#"), std::string::npos);
    EXPECT_EQ(ten.output.find("E7E5  "), std::string::npos);
    // The search's ruler follows the prompt at once: no empty candidate line.
    EXPECT_NE(ten.output.find(" 10 ) WHITE TO MOVE \r\n="), std::string::npos) << ten.output;
}

TEST(BookSession, BookOffIsNeverRead) {
    ScratchFolder folder;
    write_file("MYBOOK.TXT", record(after_e2e4_key, "E7E5") + "ZZ,ZZ\r\n");
    auto r = run_session("0\n0\n0\nE2E4\n", false, [](GameState& g) { g.base_depth = 2; });
    EXPECT_EQ(r.output.find("USING OPENING MOVE#"), std::string::npos);
    EXPECT_NE(r.output.find(" 1 ) WHITE TO MOVE \r\n="), std::string::npos);
}

}  // namespace
}  // namespace chess
