// Corrupt and extreme input: replies of a megabyte, NUL bytes and bytes above
// 127, carriage returns without line feeds, replies of only blanks or a comma,
// position files and file names the program cannot use, and opening books at
// their limits. Every case checks that the program ends or prompts again as
// it should, with the game exactly as it was when input is refused.
//
// Shown by other tests, so not repeated here:
//   Position file empty or truncated after any of its 104 lines:
//     LoadPosition.FileTruncatedAtAnyLineIsRefused (n = 0 is the empty file).
//   Letters, a NUL, a sign alone, decimals and numbers outside -32768..32767:
//     LoadPosition.NumbersThatAreNotNumbersAreRefused.
//   Huge but sound values (32767 on a border cell, move number -32768):
//     LoadPosition.ExtremeButSoundValuesAreLoaded.
//   A border cell of 0, a playing square of 7, sides of 0 or 2:
//     LoadPosition.ValuesThatAreNotAPositionAreRefused.
//   Names of 10 KB read whole: LoadPosition.LongAndOddNamesAreTakenWhole.
//   Binary position file: LoadPosition.BinaryJunkIsRefused.
//   SAVE to "." or into a missing folder:
//     SavePosition.UncreatableFileIsReportedAndChangesNothing.
//   Book: a match at record 5000 offered, at 5001 not, 6000 records without an
//     end marker: BookLookup.ReadsAtMostFiveThousandRecords; a record line of
//     100 KB: BookLookup.LongLinesAndLongFieldsAreReadSafely; a binary book:
//     BookLookup.BinaryFileIsReadWithoutHarm; more than 15 matches:
//     BookLookup.AtMostFifteenCandidates; a key of 63 characters:
//     BookLookup.ShortKeyNeverMatches.
//   Only blanks, or a comma first, at the move prompt:
//     MoveEntry.FewerThanFourCharactersPromptAgainSilently; an empty reply
//     and ",1" at a start-up question: StartUp.RepliesAreReadAsTheirFirstFieldsNumber.
//   Number saturation of the field reader: FieldReader.NumbersFromSignAndLeadingDigits.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "commands/position_file.h"
#include "commands/search_report.h"
#include "engine/book.h"
#include "model/board.h"
#include "movegen/generate.h"
#include "support/command_helpers.h"
#include "support/session.h"

namespace chess {
namespace {

// The book lookup, its report printed as the console prints it.
void look_up(chess::GameState& g) {
    chess::ConsoleSearchReport report(g);
    chess::book_lookup(g, report);
}

using namespace std::string_literals;
using namespace command_tests;
using testing::fresh_game;
using testing::read_file;
using testing::run_session;
using testing::ScratchFolder;
using testing::write_file;

constexpr size_t megabyte = 1u << 20;

// ---- Expected console text -------------------------------------------------

using testing::board_text;
using testing::number_text;

const std::array<std::string, 8> initial_ranks = {"rnbqkbnr", "oooooooo", "........", "........",
                                                  "........", "........", "PPPPPPPP", "RNBQKBNR"};
const std::array<std::string, 8> black_first_ranks = {
    "rnbqkbnr", "oooooooo", "........", "........", "....P...", "........", "PPPP.PPP", "RNBQKBNR"};
const std::array<std::string, 8> e2_empty_ranks = {"rnbqkbnr", "oooooooo", "........", "........",
                                                   "........", "........", "PPPP.PPP", "RNBQKBNR"};
const std::array<std::string, 8> d2_e2_empty_ranks = {
    "rnbqkbnr", "oooooooo", "........", "........", "........", "........", "PPP..PPP", "RNBQKBNR"};

const std::string banner = "\r\n    *** QUENTARO CHESS ***\r\n\r\n";
const std::string ask_transcript = "    SAVE OUTPUT TO FILE (1=YES) ";
const std::string ask_file_name = "    FILENAME: ";
const std::string ask_book = "    USE OPENING BOOK MOVES (1=YES) ";
const std::string ask_colour = "    PLAY AS BLACK (1=YES) ";
const std::string book_on = "    USING OPENING BOOK MOVES\r\n";
const std::string note =
    "\r\n    NOTE MOVES ENTERED AS E2E4  -AND-  TO CASTLE USE E1G1 NOTATION\r\n";
const std::string not_opened = "     ---FILE NOT OPENED---\r\n";
const std::string not_saved = "     ---FILE NOT SAVED---\r\n";
const std::string not_loaded = "     ---FILE NOT LOADED---\r\n";
const std::string invalid = "     ---INVALID MOVE---\r\n\r\n";
const std::string legend = "\r\n WHITE: PNBRQK=(-1,-6)   BLACK: pnbrqk=(+1, +6)\r\n";
const std::string edit_prompt = " ENTER PIECE, CHESS SQUARE (P,XY) ? \r\n";

// The start-up dialogue answered 0, 0, 0 (each reply followed by CR LF).
std::string start_plain() {
    std::string s = banner;
    s += ask_transcript;
    s += "\r\n";
    s += ask_book;
    s += "\r\n";
    s += ask_colour;
    s += "\r\n";
    s += note;
    return s;
}

std::string prompt(int move, const std::string& name) {
    std::string s = number_text(move);
    s += ") ";
    s += name;
    s += " TO MOVE ";
    return s;
}
const std::string white_1 = prompt(1, "WHITE");
const std::string black_1 = prompt(1, "BLACK");

// Compares console output; very long texts are compared without printing
// them, so a failure never floods the log.
void expect_output(const std::string& actual, const std::string& expected) {
    if (actual.size() < 65536 && expected.size() < 65536) {
        EXPECT_EQ(actual, expected);
    } else {
        EXPECT_TRUE(actual == expected)
            << "output of " << actual.size() << " bytes, expected " << expected.size();
    }
}

// ---- Position files ------------------------------------------------------------

// The 104-line file of a position, written out as the file layout lays it down
// (independent of SAVE): cells in index order, the move number, the three
// colours in 14-column zones, the two names.
std::string position_file_text(const GameState& g, const std::string& human,
                               const std::string& computer) {
    std::string text;
    for (int i = 0; i < 100; ++i) {
        text += number_text(g.board[i]);
        text += "\r\n";
    }
    text += number_text(g.move_number);
    text += "\r\n";
    std::string sides = number_text(g.search_side);
    sides.append(14 - sides.size(), ' ');
    sides += number_text(g.computer_side);
    sides.append(28 - sides.size(), ' ');
    sides += number_text(g.human_side);
    text += sides;
    text += "\r\n";
    text += human;
    text += "\r\n";
    text += computer;
    text += "\r\n";
    return text;
}

// A game after 1. E2E4 E7E5 (so it differs from the file on disk), at the prompt.
std::unique_ptr<GameState> game_in_progress(Io& io, const std::string& input) {
    auto g = game_at_prompt(io, input);
    g->board[cell("E2")] = 0;
    g->board[cell("E4")] = -pawn;
    g->board[cell("E7")] = 0;
    g->board[cell("E5")] = pawn;
    g->move_number = 2;
    g->castle_moved[2] = 1;
    g->ply = 1;
    generate_moves(*g);
    return g;
}

// The names of the entries in the working folder.
std::vector<std::string> folder_entries() {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(".")) {
        names.push_back(e.path().filename().string());
    }
    return names;
}

// Puts permission bits back when it goes, so the scratch folder can be removed.
struct RestoreMode {
    std::string path;
    ~RestoreMode() { ::chmod(path.c_str(), 0755); }
};

// ---- Console: replies of a megabyte -------------------------------------------

TEST(HostileConsole, MegabyteRepliesAtTheMovePrompt) {
    ScratchFolder folder;
    write_file("MYBOOK.TXT", record(after_e2e4_key, "E7E5") + "ZZ,\r\n");
    // A megabyte of letters is four characters and more that name no move; a
    // megabyte of blanks is an empty field; a move followed by a megabyte is
    // the move (characters beyond the fourth are ignored).
    std::string input = "0\n1\n0\n";
    input += std::string(megabyte, 'Z') + "\n";
    input += std::string(megabyte, ' ') + "\n";
    input += "e2e4" + std::string(megabyte, 'x') + "\n";
    auto r = run_session(input, false, {}, 1);

    std::string expected = banner;
    expected += ask_transcript + "\r\n";
    expected += ask_book + "\r\n";
    expected += book_on;
    expected += ask_colour + "\r\n";
    expected += note;
    expected += board_text(initial_ranks, 1, 74, 37, 37, 4);
    expected += white_1 + "\r\n";
    expected += invalid;
    expected += white_1 + "\r\n";
    expected += white_1 + "\r\n";
    expected += "E7E5  \r\nUSING OPENING MOVE#  1 \r\n\r\n";
    expected += "WHITE E2E4\r\nBLACK E7E5\r\n";
    expected += board_text({"rnbqkbnr", "oooo.ooo", "........", "....o...", "....P...", "........",
                            "PPPP.PPP", "RNBQKBNR"},
                           2, 74, 37, 37, 4);
    expected += prompt(2, "WHITE");
    expect_output(r.output, expected);
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.game->console.ended);
    EXPECT_EQ(r.game->human_move_text, "E2E4");
    EXPECT_EQ(r.game->board[cell("E4")], -pawn);
    EXPECT_EQ(r.game->board[cell("E5")], pawn);
    EXPECT_EQ(r.game->move_number, 2);
}

TEST(HostileConsole, MegabyteRepliesAtNumberPrompts) {
    // Numbers saturate however many digits they have, and leading zeros are
    // just digits: a megabyte of nines is 32767 (not 1, so no file name is
    // asked), a minus sign and a megabyte of nines is -32768, and a megabyte of
    // zeros before a 1 is 1.
    std::string input;
    input += std::string(megabyte, '9') + "\n";
    input += "-" + std::string(megabyte, '9') + "\n";
    input += std::string(megabyte, '0') + "1\n";
    input += "DEPTH\n" + std::string(megabyte, '9') + "\n";
    input += "DEPTH\n" + std::string(megabyte, '0') + "3" + std::string(megabyte, ' ') + "\n";
    input += "DEPTH\n-" + std::string(megabyte, '9') + "\n";
    auto r = run_session(input);

    std::string expected = banner;
    expected += ask_transcript + "\r\n";
    expected += ask_book + "\r\n";
    expected += ask_colour + "\r\n";
    expected += note;
    expected += board_text(black_first_ranks, 1, 74, 37, 37, 4);
    const std::pair<int, int> depths[] = {{4, 8}, {8, 3}, {3, 2}};
    for (const auto& [shown, set] : depths) {
        expected += black_1 + "\r\n";
        expected += "CURRENT BASE DEPTH = " + number_text(shown) + "\r\n";
        expected += "NEW VALUE= \r\n";
        expected += board_text(black_first_ranks, 1, 74, 37, 37, set);
    }
    expected += black_1;
    expect_output(r.output, expected);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.game->transcript_on, 32767);
    EXPECT_EQ(r.game->use_book, 0);
    EXPECT_EQ(r.game->computer_side, -1);
    EXPECT_EQ(r.game->human_side, 1);
    EXPECT_EQ(r.game->base_depth, 2);
    EXPECT_EQ(r.game->transcript_file, nullptr);
}

// ---- Console: carriage returns alone --------------------------------------------

TEST(HostileConsole, CarriageReturnsAloneDoNotEndALine) {
    ScratchFolder folder;
    // Lines end in LF or CR LF only, so this input is a single line without a
    // line end: the first question reads it as the number 0 (its leading
    // digit), and the input ends at the second question, where the program
    // stops at once without printing anything more.
    for (const bool variant : {false, true}) {
        auto r = run_session("0\r0\r0\rE2E4\r", variant);
        std::string expected = banner;
        expected += ask_transcript + "\r\n";
        expected += ask_book;
        EXPECT_EQ(r.output, expected) << (variant ? "variant" : "main");
        EXPECT_EQ(r.status, 0);
        EXPECT_TRUE(r.game->console.ended);
        EXPECT_EQ(r.game->transcript_on, 0);
        EXPECT_EQ(r.game->game_over, 0);
        EXPECT_EQ(r.game->computer_side, 1);
        auto start = fresh_game();
        EXPECT_EQ(std::memcmp(r.game->board, start->board, sizeof start->board), 0);
    }
    // The same with a 1 first: the file name is asked, the input ends there,
    // and no transcript file is created.
    auto r = run_session("1\r0\r0\rE2E4\r");
    std::string expected = banner;
    expected += ask_transcript + "\r\n";
    expected += ask_file_name;
    EXPECT_EQ(r.output, expected);
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(folder_entries().empty());
}

// ---- Console: NUL bytes and bytes above 127 ---------------------------------------

TEST(HostileConsole, NulAndHighBytesAtTheMovePrompt) {
    // Each reply is four characters or more that are no keyword and whose
    // code names no listed move; the three-character one is too short.
    const std::string replies[] = {
        "E2\0E4"s,
        "\0\0\0\0"s,
        "\xC9\xC9\xC9\xC9"s,
        "e2\xE9"
        "4"s,
        "BOA\0RD"s,
        "\xFF\xFE\xFD\xFC\xFB"s,
        "\xE5\xE5\xE5\xE5"s,
    };
    std::string input = "0\n0\n0\n";
    std::string expected = start_plain() + board_text(initial_ranks, 1, 74, 37, 37, 4);
    for (const std::string& reply : replies) {
        input += reply + "\n";
        expected += white_1 + "\r\n" + invalid;
    }
    input += "E2\0\n"s;
    expected += white_1 + "\r\n";
    expected += white_1;
    auto r = run_session(input);
    EXPECT_EQ(r.output, expected);
    EXPECT_EQ(r.status, 0);
    auto start = fresh_game();
    EXPECT_EQ(std::memcmp(r.game->board, start->board, sizeof start->board), 0);
    EXPECT_EQ(r.game->move_number, 1);
}

TEST(HostileConsole, NulAndHighBytesAtDepthAndEdit) {
    // DEPTH: "7" then a NUL is 7; a byte above 127 before the digit, or a NUL
    // alone, has no leading digit and reads as 0, which sets 2.
    // EDIT: a NUL or a byte above 127 as the piece code reads as 0, so E2 is
    // emptied; a square of two bytes that are no square (each byte is one
    // character) is two characters long, so it is not asked again, and
    // nothing is stored.
    std::string input = "0\n0\n0\n";
    input += "DEPTH\n7\0\n"s;
    input +=
        "DEPTH\n\xB7"
        "5\n"s;
    input += "DEPTH\n6\nDEPTH\n\0\n"s;
    input += "EDIT\n\0,E2\n"s;
    input += "EDIT\n-5,\xC9\xC9\n"s;
    input += "EDIT\n5,E\0\n"s;
    input +=
        "EDIT\n\xFF"
        "3,\xC4"
        "1\n"s;
    auto r = run_session(input);

    std::string expected = start_plain() + board_text(initial_ranks, 1, 74, 37, 37, 4);
    const std::pair<int, int> depths[] = {{4, 7}, {7, 2}, {2, 6}, {6, 2}};
    for (const auto& [shown, set] : depths) {
        expected += white_1 + "\r\n";
        expected += "CURRENT BASE DEPTH = " + number_text(shown) + "\r\n";
        expected += "NEW VALUE= \r\n";
        expected += board_text(initial_ranks, 1, 74, 37, 37, set);
    }
    for (int i = 0; i < 4; ++i) {
        expected += white_1 + "\r\n";
        expected += legend + edit_prompt;
        expected += board_text(e2_empty_ranks, 1, 73, 36, 37, 2);
    }
    expected += white_1;
    EXPECT_EQ(r.output, expected);
    EXPECT_EQ(r.game->base_depth, 2);
    auto start = fresh_game();
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(r.game->board[i], i == cell("E2") ? 0 : start->board[i]) << "cell " << i;
    }
}

TEST(HostileConsole, NulAndHighBytesInFileNames) {
    ScratchFolder folder;
    // A name holding a NUL cannot be created or opened as typed; the part in
    // front of the NUL is another file and must not be used instead.
    {
        Io io;
        auto g = game_in_progress(io, "A\0B.TXT\n"s);
        const Observed before = observe(*g);
        save_position(*g);
        EXPECT_EQ(io.out.str(), "FILE: \r\n" + not_saved);
        EXPECT_TRUE(before == observe(*g));
        EXPECT_TRUE(folder_entries().empty());
    }
    {
        auto start = fresh_game();
        start->human_name = "WHITE";
        start->computer_name = "BLACK";
        write_file("A", position_file_text(*start, "WHITE", "BLACK"));
        Io io;
        auto g = game_in_progress(io, "A\0B.TXT\n"s);
        const Observed before = observe(*g);
        load_position(*g);
        EXPECT_EQ(io.out.str(), "FILE: \r\n" + not_loaded);
        EXPECT_TRUE(before == observe(*g));
    }
    // Bytes above 127 are ordinary characters of a name: SAVE creates the
    // file under exactly that name and LOAD reads it back.
    {
        const std::string name = "\xC9\xFF\x80.TXT";
        Io io;
        auto g = game_in_progress(io, name + "\n");
        const Observed saved = observe(*g);
        save_position(*g);
        EXPECT_EQ(io.out.str(), "FILE: \r\n");
        ASSERT_TRUE(std::filesystem::exists(name));
        EXPECT_EQ(read_file(name), position_file_text(*g, "WHITE", "BLACK"));
        auto h = game_at_prompt(io, name + "\n");
        h->castle_moved[2] = 1;  // the castling state is not in the file
        load_position(*h);
        EXPECT_EQ(io.out.str(), "FILE: \r\n");
        EXPECT_TRUE(saved == observe(*h));
    }
}

TEST(HostileConsole, NulAndHighBytesInTheTranscriptName) {
    ScratchFolder folder;
    // Bytes above 127: the transcript is created under exactly that name.
    {
        const std::string name = "\xC9\xFF.TXT";
        auto r = run_session("1\n" + name + "\n0\n0\n");
        EXPECT_EQ(r.output.find(not_opened), std::string::npos);
        EXPECT_EQ(r.game->transcript_on, 1);
        EXPECT_EQ(read_file(name), "COMPUTER PLAYS BLACK\r\n");
        std::filesystem::remove(name);
    }
    // A NUL: the file named cannot be created, so the program says so and
    // plays on without a transcript; no file of another name appears.
    {
        auto r = run_session("1\nT\0X.TXT\n0\n0\n"s);
        std::string expected = banner;
        expected += ask_transcript + "\r\n";
        expected += ask_file_name + "\r\n";
        expected += not_opened + "\r\n";
        expected += ask_book + "\r\n";
        expected += ask_colour + "\r\n";
        expected += note;
        expected += board_text(initial_ranks, 1, 74, 37, 37, 4);
        expected += white_1;
        EXPECT_EQ(r.output, expected);
        EXPECT_EQ(r.game->transcript_on, 0);
        EXPECT_TRUE(folder_entries().empty()) << "created: " << folder_entries().front();
    }
}

// ---- Console: replies of only blanks or only a comma ---------------------------------

TEST(HostileConsole, BlankAndCommaRepliesAtStartUp) {
    ScratchFolder folder;
    // Each reply is an empty field, read as the number 0: no transcript, no
    // book, the user plays White.
    auto r = run_session("   \n,\n \t ,1\n");
    EXPECT_EQ(r.output, start_plain() + board_text(initial_ranks, 1, 74, 37, 37, 4) + white_1);
    EXPECT_EQ(r.game->transcript_on, 0);
    EXPECT_EQ(r.game->use_book, 0);
    EXPECT_EQ(r.game->computer_side, 1);
    // A blank or comma file name for the transcript is an empty name, which
    // cannot be created (the default name belongs to SAVE and LOAD only).
    for (const std::string name : {"    ", ",T.TXT", "\t"}) {
        auto q = run_session("1\n" + name + "\n0\n0\n");
        std::string expected = banner;
        expected += ask_transcript + "\r\n";
        expected += ask_file_name + "\r\n";
        expected += not_opened + "\r\n";
        expected += ask_book + "\r\n";
        expected += ask_colour + "\r\n";
        expected += note;
        expected += board_text(initial_ranks, 1, 74, 37, 37, 4);
        expected += white_1;
        EXPECT_EQ(q.output, expected) << '"' << name << '"';
        EXPECT_EQ(q.game->transcript_on, 0);
        EXPECT_TRUE(folder_entries().empty()) << '"' << name << '"';
    }
}

TEST(HostileConsole, BlankAndCommaRepliesToCommands) {
    ScratchFolder folder;
    // DEPTH: an empty field is 0, which sets 2. EDIT: an empty square asks
    // again without the legend. XMOVE: an empty text changes nothing. SAVE and
    // LOAD: an empty name is "CB.TXT".
    std::string input = "0\n0\n0\n";
    input += "DEPTH\n   \n";
    input += "DEPTH\n,7\n";
    input += "EDIT\n   \n,\n0,E2\n";
    input += "XMOVE\n   \n";
    input += "XMOVE\n,E2E4\n";
    input += "SAVE\n \t \n";
    input += "EDIT\n0,D2\n";
    input += "LOAD\n,P.TXT\n";
    auto r = run_session(input);

    const std::string initial_2 = board_text(initial_ranks, 1, 74, 37, 37, 2);
    const std::string e2_empty = board_text(e2_empty_ranks, 1, 73, 36, 37, 2);
    std::string expected = start_plain() + board_text(initial_ranks, 1, 74, 37, 37, 4);
    expected += white_1 + "\r\nCURRENT BASE DEPTH =  4 \r\nNEW VALUE= \r\n" + initial_2;
    expected += white_1 + "\r\nCURRENT BASE DEPTH =  2 \r\nNEW VALUE= \r\n" + initial_2;
    expected += white_1 + "\r\n" + legend + edit_prompt + edit_prompt + edit_prompt + e2_empty;
    expected += white_1 + "\r\n     MOVE ANYWHERE! >> \r\n" + e2_empty;
    expected += white_1 + "\r\n     MOVE ANYWHERE! >> \r\n" + e2_empty;
    expected += white_1 + "\r\nFILE: \r\n" + e2_empty;
    expected +=
        white_1 + "\r\n" + legend + edit_prompt + board_text(d2_e2_empty_ranks, 1, 72, 35, 37, 2);
    expected += white_1 + "\r\nFILE: \r\n" + e2_empty;
    expected += white_1;
    EXPECT_EQ(r.output, expected);
    EXPECT_EQ(r.game->file_name, "CB.TXT");
    EXPECT_EQ(folder_entries(), std::vector<std::string>{"CB.TXT"});
    const std::vector<std::string> lines = crlf_lines(read_file("CB.TXT"));
    ASSERT_EQ(lines.size(), 104u);
    EXPECT_EQ(lines[static_cast<size_t>(cell("E2"))], " 0 ");
    EXPECT_EQ(lines[static_cast<size_t>(cell("D2"))], "-1 ");
    EXPECT_EQ(r.game->board[cell("D2")], -pawn);
    EXPECT_EQ(r.game->board[cell("E2")], 0);
}

// ---- Position files -----------------------------------------------------------------

TEST(HostilePositionFile, TenKilobyteNamesAreWrittenBackWhole) {
    ScratchFolder folder;
    // A name is one field from its first non-blank character to the line end,
    // trailing blanks included; nothing limits its length, and SAVE writes the
    // text unchanged.
    const std::string human = std::string(10 * 1024, 'N') + "  ";
    const std::string computer(10 * 1024 + 1, 'C');
    auto start = fresh_game();
    write_file("N.TXT", position_file_text(*start, "   " + human, computer));
    auto r = run_session("0\n0\n0\nLOAD\nN.TXT\nSAVE\nO.TXT\n");
    EXPECT_EQ(r.output.find("---FILE NOT"), std::string::npos);
    EXPECT_EQ(r.game->human_name, human);
    EXPECT_EQ(r.game->computer_name, computer);
    // The prompt shows the loaded name.
    EXPECT_NE(r.output.find("\r\n" + prompt(1, human) + "\r\nFILE: \r\n"), std::string::npos);
    EXPECT_TRUE(r.output.ends_with(prompt(1, human)));
    EXPECT_TRUE(read_file("O.TXT") == position_file_text(*start, human, computer))
        << "O.TXT holds " << read_file("O.TXT").size() << " bytes";
}

TEST(HostilePositionFile, FolderAsTheFileName) {
    ScratchFolder folder;
    std::filesystem::create_directory("DIR");
    write_file("DIR/CB.TXT", "kept");
    for (const std::string name : {"DIR", "DIR/", "./DIR", ".."}) {
        Io io;
        auto g = game_in_progress(io, name + "\n");
        const Observed before = observe(*g);
        save_position(*g);
        EXPECT_EQ(io.out.str(), "FILE: \r\n" + not_saved) << name;
        EXPECT_TRUE(before == observe(*g)) << name;

        attach(*g, io, name + "\n");
        g->game_over = 1;
        const Observed loaded_before = observe(*g);
        load_position(*g);
        EXPECT_EQ(io.out.str(), "FILE: \r\n" + not_loaded) << name;
        EXPECT_TRUE(loaded_before == observe(*g)) << name;
    }
    EXPECT_TRUE(std::filesystem::is_directory("DIR"));
    EXPECT_EQ(read_file("DIR/CB.TXT"), "kept");

    // In a session the prompt comes back with the board as it was.
    auto r = run_session("0\n0\n0\nLOAD\nDIR\nSAVE\nDIR\n");
    std::string expected = start_plain() + board_text(initial_ranks, 1, 74, 37, 37, 4);
    expected +=
        white_1 + "\r\nFILE: \r\n" + not_loaded + board_text(initial_ranks, 1, 74, 37, 37, 4);
    expected +=
        white_1 + "\r\nFILE: \r\n" + not_saved + board_text(initial_ranks, 1, 74, 37, 37, 4);
    expected += white_1;
    EXPECT_EQ(r.output, expected);
}

TEST(HostilePositionFile, FilesWithoutPermission) {
    ScratchFolder folder;
    auto start = fresh_game();
    const std::string good = position_file_text(*start, "WHITE", "BLACK");
    write_file("LOCKED.TXT", good);
    RestoreMode locked{"LOCKED.TXT"};
    ASSERT_EQ(::chmod("LOCKED.TXT", 0), 0);
    std::filesystem::create_directory("RO");
    RestoreMode read_only{"RO"};
    ASSERT_EQ(::chmod("RO", 0555), 0);
    if (std::FILE* f = std::fopen("LOCKED.TXT", "rb")) {
        std::fclose(f);
        GTEST_SKIP() << "this process reads files whose permission bits forbid it (running as "
                        "root?), so refusals for lack of permission cannot be shown here";
    }

    {
        Io io;
        auto g = game_in_progress(io, "LOCKED.TXT\n");
        const Observed before = observe(*g);
        load_position(*g);
        EXPECT_EQ(io.out.str(), "FILE: \r\n" + not_loaded);
        EXPECT_TRUE(before == observe(*g));

        attach(*g, io, "LOCKED.TXT\n");
        save_position(*g);
        EXPECT_EQ(io.out.str(), "FILE: \r\n" + not_saved);
        EXPECT_TRUE(before == observe(*g));

        attach(*g, io, "RO/P.TXT\n");
        save_position(*g);
        EXPECT_EQ(io.out.str(), "FILE: \r\n" + not_saved);
        EXPECT_TRUE(before == observe(*g));
    }
    ::chmod("LOCKED.TXT", 0644);
    EXPECT_EQ(read_file("LOCKED.TXT"), good);
    EXPECT_FALSE(std::filesystem::exists("RO/P.TXT"));
}

TEST(HostilePositionFile, FileThatCannotBeWrittenIsNotSaved) {
    ScratchFolder folder;
    // A name that opens but takes no data: every write fails as on a full disk.
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full on this system";
    std::filesystem::create_symlink("/dev/full", "FULL.TXT");
    Io io;
    auto g = game_in_progress(io, "FULL.TXT\n");
    const Observed before = observe(*g);
    save_position(*g);
    EXPECT_EQ(io.out.str(), "FILE: \r\n" + not_saved);
    EXPECT_TRUE(before == observe(*g));
    EXPECT_TRUE(std::filesystem::exists("/dev/full"));
}

// ---- Opening book -----------------------------------------------------------------------

constexpr int16_t e7e5 = 5254;
constexpr int16_t d7d5 = 4244;

TEST(HostileBook, SixThousandRecordsWithoutAnEndMarker) {
    ScratchFolder folder;
    const std::string filler = record(initial_key, "A7A6");  // another placement
    // Matches at records 5000, 5001 and 6000, with a blank line before every
    // record (blank lines are no records): only the 5000th is offered.
    std::string book;
    for (int n = 1; n <= 6000; ++n) {
        book += "\r\n";
        if (n == 5000) {
            book += record(after_e2e4_key, "E7E5");
        } else if (n == 5001) {
            book += record(after_e2e4_key, "D7D5");
        } else if (n == 6000) {
            book += record(after_e2e4_key, "C7C5");
        } else {
            book += filler;
        }
    }
    write_file("MYBOOK.TXT", book);
    Io io;
    auto g = black_to_move(io);
    look_up(*g);
    EXPECT_EQ(io.out.str(), "E7E5  \r\nUSING OPENING MOVE#  1 \r\n\r\n");
    EXPECT_EQ(g->move_code, e7e5);
    EXPECT_EQ(g->book_moves[2], "");

    // A skipped record still counts: with an unusable reply at 5000, the
    // usable one at 5001 is beyond the limit.
    std::string skipped;
    for (int n = 1; n <= 6000; ++n) {
        if (n == 5000) {
            skipped += record(after_e2e4_key, "E9E5");
        } else if (n == 5001) {
            skipped += record(after_e2e4_key, "D7D5");
        } else {
            skipped += filler;
        }
    }
    write_file("MYBOOK.TXT", skipped);
    io.out.str("");
    look_up(*g);
    EXPECT_EQ(io.out.str(), "\r\n");
    EXPECT_EQ(g->move_code, 0);
    EXPECT_EQ(g->book_reply_pending, 0);
}

TEST(HostileBook, KeysOfSixtyFiveCharactersMatchOnTheirFirstSixtyFour) {
    ScratchFolder folder;
    std::string wrong_last = after_e2e4_key;
    wrong_last[63] = 'K';
    const std::string book = record("." + after_e2e4_key, "A7A6") +  // the key ends one late
                             record(after_e2e4_key + "x", "E7E5") +  // 65: first 64 match
                             record(wrong_last + "R", "B7B6") +      // 65: 64th differs
                             record("\"" + after_e2e4_key + " \"", "D7D5");  // quoted, a blank
    write_file("MYBOOK.TXT", book);
    Io io;
    auto g = black_to_move(io);
    g->random_generator.seed(5u);
    look_up(*g);
    EXPECT_TRUE(io.out.str().starts_with("E7E5  D7D5  \r\nUSING OPENING MOVE# ")) << io.out.str();
    EXPECT_TRUE(g->move_code == e7e5 || g->move_code == d7d5) << g->move_code;
}

}  // namespace
}  // namespace chess
