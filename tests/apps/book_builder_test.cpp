// The shipped opening book: building it from opening lines, reading it back
// with the program's own book lookup, and playing from it.
#include "apps/book_builder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <string>

#include "commands/search_report.h"
#include "engine/book.h"
#include "model/board.h"
#include "model/notation.h"
#include "movegen/castling_rights.h"
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

using command_tests::attach;
using command_tests::crlf_lines;
using command_tests::Io;

const std::filesystem::path opening_lines =
    std::filesystem::path(CHESS_SOURCE_DIR) / "books" / "openings.txt";

BookBuild build_shipped_book() {
    BookBuild build;
    add_book_lines(build, "openings.txt", testing::read_file(opening_lines));
    return build;
}

// The record's reply, played from the position its key describes with `side`
// to move: it must be listed, of that side, and legal.
::testing::AssertionResult legal_reply(const BookRecord& r, int side) {
    auto g = testing::fresh_game();
    if (!testing::set_placement(*g, r.key)) return ::testing::AssertionFailure() << "bad key";
    correct_castling_flags(*g);  // castling rights as a game would have them
    g->ply = 1;
    generate_moves(*g);
    std::string text = r.move;
    g->move_code = text_to_move(text);
    find_move(*g);
    if (g->move_index == 0) return ::testing::AssertionFailure() << r.move << " is not listed";
    if (sign_of(g->board[move_from(g->move_code)]) != side) {
        return ::testing::AssertionFailure() << r.move << " moves a piece of the other side";
    }
    make_move(*g);
    if (g->in_check == 1) return ::testing::AssertionFailure() << r.move << " leaves check";
    return ::testing::AssertionSuccess();
}

TEST(ShippedBook, EveryRecordIsALegalReplyOfTheSideToMove) {
    const BookBuild build = build_shipped_book();
    ASSERT_EQ(build.error, "");
    EXPECT_GE(build.lines_read, 150u);
    ASSERT_FALSE(build.white_records.empty());
    ASSERT_FALSE(build.black_records.empty());
    for (const BookRecord& r : build.white_records) EXPECT_TRUE(legal_reply(r, -1)) << r.key;
    for (const BookRecord& r : build.black_records) EXPECT_TRUE(legal_reply(r, 1)) << r.key;

    // No position offers more replies than the lookup can hold.
    std::map<std::string, int> per_key;
    for (const BookRecord& r : build.white_records) ++per_key["w" + r.key];
    for (const BookRecord& r : build.black_records) ++per_key["b" + r.key];
    for (const auto& [key, n] : per_key) EXPECT_LE(n, 15) << key;
    EXPECT_EQ(per_key.size(), build.positions);
}

TEST(ShippedBook, TheLookupReadsTheWrittenFilesBack) {
    const BookBuild build = build_shipped_book();
    ASSERT_EQ(build.error, "");
    testing::ScratchFolder folder;
    testing::write_file("WMYBOOK.TXT", book_file_text(build.white_records));
    testing::write_file("MYBOOK.TXT", book_file_text(build.black_records));

    // Every reply the builder recorded for a position is a candidate of the
    // lookup there, in the same order; checked on every 25th position of each book.
    for (int side : {-1, 1}) {
        const auto& records = side < 0 ? build.white_records : build.black_records;
        std::map<std::string, std::vector<std::string>> replies;
        std::vector<std::string> order;
        for (const BookRecord& r : records) {
            if (replies[r.key].empty()) order.push_back(r.key);
            replies[r.key].push_back(r.move);
        }
        for (size_t i = 0; i < order.size(); i += 25) {
            auto g = testing::fresh_game();
            Io io;
            attach(*g, io, "");
            ASSERT_TRUE(testing::set_placement(*g, order[i]));
            g->search_side = static_cast<int16_t>(side);
            look_up(*g);
            std::vector<std::string> found;
            for (int n = 1; n <= 15 && !g->book_moves[n].empty(); ++n) {
                found.push_back(g->book_moves[n]);
            }
            EXPECT_EQ(found, replies[order[i]]) << order[i];
            EXPECT_NE(g->move_code, 0);
        }
    }
}

TEST(ShippedBook, AnswersTheCommonFirstMoves) {
    const BookBuild build = build_shipped_book();
    std::set<std::string> black_keys;
    for (const BookRecord& r : build.black_records) black_keys.insert(r.key);
    for (const char* first : {"E2E4", "D2D4", "C2C4", "G1F3"}) {
        auto g = testing::fresh_game();
        g->ply = 1;
        generate_moves(*g);
        std::string text = first;
        g->move_code = text_to_move(text);
        find_move(*g);
        ASSERT_NE(g->move_index, 0);
        make_move(*g);
        EXPECT_TRUE(black_keys.count(placement_key(*g))) << "no reply to " << first;
    }
}

// ---- the builder on bad input ------------------------------------------------

std::string build_error(const std::string& text) {
    BookBuild build;
    add_book_lines(build, "lines.txt", text);
    return build.error;
}

TEST(BookBuilder, RefusesBadLinesWithWhereAndWhy) {
    EXPECT_EQ(build_error("E2E4 E7E5\nE2E4 E7E4\n"), "lines.txt:2: move 2 E7E4: illegal move");
    EXPECT_EQ(build_error("E2E4 E2E3\n"),
              "lines.txt:1: move 2 E2E3: no piece stands on the from-square");
    EXPECT_EQ(build_error("E2E4 D2D4\n"),
              "lines.txt:1: move 2 D2D4: moves a white piece, but Black is to move");
    EXPECT_EQ(build_error("# comment only\nE2E4 E7E5 G1F3 G8F6 F1C4 F6E4 E1G1  # castles\n"), "");
    EXPECT_NE(build_error("E2E4 X9Z9\n").find("move 2 X9Z9: not a move"), std::string::npos);
    EXPECT_NE(build_error("E2E4 E7E5K\n").find("not a move"), std::string::npos);
    EXPECT_NE(build_error("E2E4 D7D5 E4E5 F7F5 E5F6\n").find("move 5 E5F6: en passant"),
              std::string::npos);
    EXPECT_NE(build_error("A2A4 B7B5 A4B5 A7A6 B5A6 B8C6 A6A7 C6B8 A7B8\n")
                  .find("move 9 A7B8: promotion"),
              std::string::npos);
    EXPECT_EQ(build_error("E2E4 E7E5 E1E2 E8E7 E2E1 E7E8 E1G1\n"),
              "lines.txt:1: move 7 E1G1: illegal move");
    EXPECT_EQ(build_error(""), "lines.txt: no opening lines");
    EXPECT_EQ(build_error("\n# nothing\n   \n"), "lines.txt: no opening lines");
    // A move that opens the own king to the queen.
    EXPECT_EQ(build_error("E2E4 E7E5 D1H5 F7F6 H5E8\n"),
              "lines.txt:1: move 4 F7F6: illegal move: it leaves the own king in check");
}

TEST(BookBuilder, DeduplicatesAndKeepsBranchesInOrder) {
    BookBuild build;
    add_book_lines(build, "a", "E2E4 E7E5 G1F3\nE2E4 C7C5\nE2E4 E7E5 F1C4\nD2D4\n");
    ASSERT_EQ(build.error, "");
    ASSERT_EQ(build.white_records.size(), 4u);  // E2E4, D2D4 at the start; G1F3, F1C4 later
    EXPECT_EQ(build.white_records[0].move, "E2E4");
    EXPECT_EQ(build.white_records[1].move, "G1F3");
    EXPECT_EQ(build.white_records[2].move, "F1C4");
    EXPECT_EQ(build.white_records[3].move, "D2D4");
    ASSERT_EQ(build.black_records.size(), 2u);
    EXPECT_EQ(build.black_records[0].move, "E7E5");
    EXPECT_EQ(build.black_records[1].move, "C7C5");
    EXPECT_EQ(build.positions, 3u);  // start, after E2E4 (Black), after E2E4 E7E5
    EXPECT_EQ(book_file_text(build.black_records).substr(64, 7), ",E7E5\r\n");
    EXPECT_TRUE(book_file_text(build.black_records).ends_with("\r\nZZ\r\n"));
}

#ifdef CHESS_BOOK_PROGRAM
TEST(BookBuilder, ProgramWritesBothBooksOrNothing) {
    testing::ScratchFolder folder;
    testing::write_file("good.txt", "E2E4 E7E5\nD2D4 D7D5\n");
    testing::write_file("bad.txt", "E2E4 E7E5\nD2D4 D7D4\n");
    std::filesystem::create_directory("out");
    const std::string program = CHESS_BOOK_PROGRAM;
    EXPECT_NE(std::system((program + " -o out good.txt bad.txt > log.txt 2>&1").c_str()), 0);
    EXPECT_FALSE(std::filesystem::exists("out/MYBOOK.TXT"));
    EXPECT_FALSE(std::filesystem::exists("out/WMYBOOK.TXT"));
    EXPECT_NE(testing::read_file("log.txt").find("bad.txt:2: move 2 D7D4: illegal move"),
              std::string::npos);

    EXPECT_EQ(std::system((program + " -o out good.txt > log.txt 2>&1").c_str()), 0);
    EXPECT_EQ(crlf_lines(testing::read_file("out/WMYBOOK.TXT")).size(), 3u);
    EXPECT_EQ(crlf_lines(testing::read_file("out/MYBOOK.TXT")).size(), 3u);
    EXPECT_NE(testing::read_file("log.txt").find("lines read: 2"), std::string::npos);

    testing::write_file("empty.txt", "");
    EXPECT_NE(std::system((program + " -o out2 good.txt > log.txt 2>&1").c_str()), 0);
    EXPECT_NE(std::system((program + " -o out empty.txt > log.txt 2>&1").c_str()), 0);
    EXPECT_NE(testing::read_file("log.txt").find("empty.txt: no opening lines"), std::string::npos);
}
#endif

// ---- playing from the shipped book --------------------------------------------

class BookSessions : public ::testing::Test {
  protected:
    void SetUp() override {
        const BookBuild build = build_shipped_book();
        ASSERT_EQ(build.error, "");
        testing::write_file("WMYBOOK.TXT", book_file_text(build.white_records));
        testing::write_file("MYBOOK.TXT", book_file_text(build.black_records));
    }
    testing::ScratchFolder folder;
};

// The computer's reply printed in the move report after the user's `move`.
std::string reply_after(const std::string& output, const std::string& report_line) {
    const auto lines = crlf_lines(output);
    for (size_t i = 0; i + 1 < lines.size(); ++i) {
        if (lines[i] == report_line) return lines[i + 1].substr(6);
    }
    return "";
}

// The candidates listed on the line above the first "USING OPENING MOVE# ".
std::string first_candidate_line(const std::string& output) {
    const auto lines = crlf_lines(output);
    for (size_t i = 1; i < lines.size(); ++i) {
        if (lines[i].starts_with("USING OPENING MOVE# ")) return lines[i - 1];
    }
    return "";
}

TEST_F(BookSessions, ComputerAnswersFromTheBookAsBlackAndAsWhite) {
    // The user plays White: 1.E2E4 is answered from the book.
    for (int64_t seed : {1, 2, 3}) {
        auto s = testing::run_session("0\n1\n0\nDEPTH\n2\nE2E4\nQUIT\n\n", false, {}, seed);
        EXPECT_NE(s.output.find("    USING OPENING BOOK MOVES\r\n"), std::string::npos);
        const std::string reply = reply_after(s.output, "WHITE E2E4");
        ASSERT_EQ(reply.size(), 4u) << s.output;
        EXPECT_NE(first_candidate_line(s.output).find(reply + "  "), std::string::npos) << s.output;
    }
    // 1.D2D4 too.
    auto d4 = testing::run_session("0\n1\n0\nDEPTH\n2\nD2D4\nQUIT\n\n", false, {}, 5);
    const std::string reply = reply_after(d4.output, "WHITE D2D4");
    ASSERT_EQ(reply.size(), 4u) << d4.output;
    EXPECT_NE(first_candidate_line(d4.output).find(reply + "  "), std::string::npos);

    // The user plays Black: the computer opened with E2E4, and its answer to
    // the Sicilian comes from the book.
    auto as_white = testing::run_session("0\n1\n1\nDEPTH\n2\nC7C5\nQUIT\n\n", false, {}, 11);
    const std::string white_reply = reply_after(as_white.output, "BLACK C7C5");
    ASSERT_EQ(white_reply.size(), 4u) << as_white.output;
    EXPECT_NE(first_candidate_line(as_white.output).find(white_reply + "  "), std::string::npos)
        << as_white.output;
}

TEST_F(BookSessions, APositionOffTheBookFallsBackToTheSearch) {
    // 1.A2A3 H7H6?? is not in the book: an empty candidate line, then the search.
    auto s = testing::run_session("0\n1\n0\nDEPTH\n2\nA2A3\nQUIT\n\n", false, {}, 3);
    const auto lines = crlf_lines(s.output);
    bool ruler_after_empty_line = false;
    for (size_t i = 0; i + 1 < lines.size(); ++i) {
        if (lines[i] == " 1 ) WHITE TO MOVE " && lines[i + 1].empty()) {
            ruler_after_empty_line = i + 2 < lines.size() && lines[i + 2].starts_with("=");
        }
    }
    EXPECT_TRUE(ruler_after_empty_line) << s.output;
    EXPECT_EQ(s.output.find("USING OPENING MOVE# "), std::string::npos);
}

}  // namespace
}  // namespace chess
