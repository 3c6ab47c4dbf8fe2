// SAVE and LOAD: the file's layout byte for byte, the round trip, the names,
// and the all-or-nothing reading of damaged files.
#include "commands/position_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <string>
#include <vector>

#include "model/board.h"
#include "movegen/generate.h"
#include "support/command_helpers.h"
#include "support/session.h"

namespace chess {
namespace {

using namespace command_tests;
using testing::fresh_game;
using testing::read_file;
using testing::run_session;
using testing::ScratchFolder;
using testing::write_file;

void expect_same(const Observed& a, const Observed& b) {
    EXPECT_EQ(a.board, b.board);
    EXPECT_EQ(a.move_number, b.move_number);
    EXPECT_EQ(a.search_side, b.search_side);
    EXPECT_EQ(a.computer_side, b.computer_side);
    EXPECT_EQ(a.human_side, b.human_side);
    EXPECT_EQ(a.game_over, b.game_over);
    EXPECT_EQ(a.moves, b.moves);
    EXPECT_EQ(a.human_name, b.human_name);
    EXPECT_EQ(a.computer_name, b.computer_name);
}

// The text SAVE writes for the game at the first prompt, user playing White.
std::string initial_file() {
    Io io;
    auto g = game_at_prompt(io, "P.TXT\n");
    save_position(*g);
    return read_file("P.TXT");
}

// ---- SAVE -------------------------------------------------------------------

TEST(SavePosition, FileAtTheFirstPromptLineByLine) {
    ScratchFolder folder;
    Io io;
    auto g = game_at_prompt(io, "P.TXT\n");
    save_position(*g);
    EXPECT_EQ(io.out.str(), "FILE: \r\n");
    const std::string text = read_file("P.TXT");
    ASSERT_TRUE(text.ends_with("\r\n"));
    const std::vector<std::string> lines = crlf_lines(text);
    ASSERT_EQ(lines.size(), 104u);
    EXPECT_EQ(count_of(text, "\n"), 104);
    EXPECT_EQ(count_of(text, "\r\n"), 104);
    for (int n = 1; n <= 11; ++n) EXPECT_EQ(lines[n - 1], " 7 ") << "line " << n;
    EXPECT_EQ(lines[11], " 4 ");  // A8
    EXPECT_EQ(lines[12], " 1 ");  // A7
    for (int n = 14; n <= 17; ++n) EXPECT_EQ(lines[n - 1], " 0 ") << "line " << n;
    EXPECT_EQ(lines[17], "-1 ");  // A2
    EXPECT_EQ(lines[18], "-4 ");  // A1
    EXPECT_EQ(lines[19], " 7 ");
    EXPECT_EQ(lines[41], " 5 ");   // D8, cell 41
    EXPECT_EQ(lines[48], "-5 ");   // D1, cell 48
    EXPECT_EQ(lines[100], " 1 ");  // move number
    EXPECT_EQ(lines[101], " 1             1            -1 ");
    EXPECT_EQ(lines[101].size(), 31u);
    EXPECT_EQ(lines[102], "WHITE");
    EXPECT_EQ(lines[103], "BLACK");
}

TEST(SavePosition, EveryCellInIndexOrderWithSignsAndMarkers) {
    ScratchFolder folder;
    Io io;
    auto g = game_at_prompt(io, "Q.TXT\n");
    g->board[50] = GameState::ep_marker;  // black pawn's double step on file E
    g->board[9] = 5171;                   // a king-capture code in the scratch cell
    g->move_number = -12;
    g->search_side = -1;
    g->computer_side = -1;
    g->human_side = 1;
    g->human_name = "BLACK ";
    g->computer_name = "WHITE ";
    save_position(*g);
    const std::vector<std::string> lines = crlf_lines(read_file("Q.TXT"));
    ASSERT_EQ(lines.size(), 104u);
    for (int i = 0; i < 100; ++i) {
        const int v = g->board[i];
        const std::string expected = testing::number_text(v);
        EXPECT_EQ(lines[static_cast<size_t>(i)], expected) << "cell " << i;
    }
    EXPECT_EQ(lines[9], " 5171 ");
    EXPECT_EQ(lines[50], " 9 ");
    EXPECT_EQ(lines[100], "-12 ");
    EXPECT_EQ(lines[101], "-1            -1             1 ");
    EXPECT_EQ(lines[102], "BLACK ");
    EXPECT_EQ(lines[103], "WHITE ");
}

TEST(SavePosition, EmptyAnswerUsesTheDefaultName) {
    ScratchFolder folder;
    Io io;
    auto g = game_at_prompt(io, "   \n");
    save_position(*g);
    EXPECT_EQ(read_file("CB.TXT"), initial_file());
    EXPECT_EQ(g->file_name, "CB.TXT");
}

TEST(SavePosition, OverwritesAnExistingFile) {
    ScratchFolder folder;
    write_file("P.TXT", std::string(5000, 'x'));
    EXPECT_EQ(initial_file().size(), 104u * 2 + 100 * 3 + 3 + 31 + 5 + 5);
}

TEST(SavePosition, UncreatableFileIsReportedAndChangesNothing) {
    ScratchFolder folder;
    // Only regular files are written; a FIFO with no reader must not block.
    ASSERT_EQ(mkfifo("FIFO", 0600), 0);
    for (const std::string name : {"NO_SUCH_FOLDER/P.TXT", ".", "FIFO", "/dev/null"}) {
        Io io;
        auto g = game_at_prompt(io, name + "\n");
        const Observed before = observe(*g);
        save_position(*g);
        EXPECT_EQ(io.out.str(), "FILE: \r\n     ---FILE NOT SAVED---\r\n");
        expect_same(before, observe(*g));
    }
    EXPECT_FALSE(std::filesystem::exists("NO_SUCH_FOLDER"));
}

TEST(SavePosition, SaveChangesNothingInTheGame) {
    ScratchFolder folder;
    Io io;
    auto g = game_at_prompt(io, "P.TXT\n");
    const Observed before = observe(*g);
    save_position(*g);
    expect_same(before, observe(*g));
}

// ---- LOAD -------------------------------------------------------------------

TEST(LoadPosition, RoundTripRestoresEverythingExactly) {
    ScratchFolder folder;
    Io io;
    auto g = game_at_prompt(io, "R.TXT\n");
    g->board[cell("E2")] = 0;
    g->board[cell("E4")] = -pawn;
    g->board[59] = GameState::ep_marker;  // the white double step E2E4
    g->board[cell("G8")] = 0;
    g->board[cell("F6")] = knight;
    g->move_number = 23;
    g->human_name = "WHITE ";
    g->computer_name = "BLACK ";
    generate_moves(*g);
    save_position(*g);
    const Observed saved = observe(*g);

    // Another game entirely, finished.
    Io io2;
    auto h = game_at_prompt(io2, "R.TXT\n");
    h->board[cell("D1")] = 0;
    h->move_number = 3;
    h->computer_side = -1;
    h->human_side = 1;
    h->search_side = -1;
    h->game_over = 1;
    h->castle_moved[2] = 1;
    load_position(*h);
    EXPECT_EQ(io2.out.str(), "FILE: \r\n");
    Observed loaded = observe(*h);
    EXPECT_EQ(loaded.game_over, 0);
    loaded.game_over = saved.game_over;
    // Cells 1 and 9 are the generation's scratch cells; they are rewritten
    // by the generation LOAD ends with, as they were after SAVE's.
    expect_same(saved, loaded);
    EXPECT_EQ(h->human_name, "WHITE ");  // trailing blank kept
    EXPECT_EQ(h->castle_moved[2], 1);    // not in the file: kept
    EXPECT_EQ(h->board[59], GameState::ep_marker);
}

TEST(LoadPosition, NamesAreResetWhenTheComputerPlaysWhite) {
    ScratchFolder folder;
    Io io;
    auto g = game_at_prompt(io, "S.TXT\n");
    g->computer_side = -1;
    g->human_side = 1;
    g->search_side = -1;
    g->human_name = "BLACK ";
    g->computer_name = "WHITE ";
    save_position(*g);
    EXPECT_EQ(crlf_lines(read_file("S.TXT"))[102], "BLACK ");
    Io io2;
    auto h = game_at_prompt(io2, "S.TXT\n");
    load_position(*h);
    EXPECT_EQ(h->human_name, "BLACK");
    EXPECT_EQ(h->computer_name, "WHITE");
    EXPECT_EQ(h->computer_side, -1);
    EXPECT_EQ(h->human_side, 1);
}

TEST(LoadPosition, EmptyAnswerReadsTheDefaultName) {
    ScratchFolder folder;
    write_file("CB.TXT", initial_file());
    Io io;
    auto g = game_at_prompt(io, "\n");
    g->board[cell("E2")] = 0;
    load_position(*g);
    EXPECT_EQ(g->board[cell("E2")], -pawn);
    EXPECT_EQ(g->file_name, "CB.TXT");
}

TEST(LoadPosition, GeneratesTheListOfTheLoadedPosition) {
    ScratchFolder folder;
    Io io;
    auto g = game_at_prompt(io, "T.TXT\n");
    testing::set_placement(*g, "....k..." + empty_ranks(6) + "....K..R");
    save_position(*g);
    Io io2;
    auto h = game_at_prompt(io2, "T.TXT\n");
    EXPECT_EQ(h->move_count[1], 40);
    load_position(*h);
    g->ply = 1;
    generate_moves(*g);
    EXPECT_EQ(h->move_count[1], g->move_count[1]);
    EXPECT_LT(h->move_count[1], 40);
}

TEST(LoadPosition, OtherLineEndsAndNumberSeparatorsAreRead) {
    ScratchFolder folder;
    const std::string crlf = initial_file();
    std::string lf;
    for (char c : crlf) {
        if (c != '\r') lf.push_back(c);
    }
    write_file("LF.TXT", lf);
    Io io;
    auto g = game_at_prompt(io, "LF.TXT\n");
    const Observed before = observe(*g);
    g->board[cell("E2")] = 0;
    load_position(*g);
    expect_same(before, observe(*g));
}

// Every way a file can be refused leaves the game as it was, with the message.
void expect_refused(const std::string& bytes, const std::string& why) {
    write_file("BAD.TXT", bytes);
    Io io;
    auto g = game_at_prompt(io, "BAD.TXT\n");
    g->game_over = 1;
    g->board[cell("E2")] = 0;
    g->board[cell("E4")] = -pawn;
    g->ply = 1;
    generate_moves(*g);
    const Observed before = observe(*g);
    load_position(*g);
    EXPECT_EQ(io.out.str(), "FILE: \r\n     ---FILE NOT LOADED---\r\n") << why;
    expect_same(before, observe(*g));
}

// The initial file with line `n` (1-based) replaced.
std::string with_line(int n, const std::string& replacement) {
    std::vector<std::string> lines = crlf_lines(initial_file());
    lines[static_cast<size_t>(n - 1)] = replacement;
    std::string text;
    for (const std::string& l : lines) text += l + "\r\n";
    return text;
}

TEST(LoadPosition, MissingFileIsRefused) {
    ScratchFolder folder;
    // Only regular files are read; a FIFO with no writer must not block.
    ASSERT_EQ(mkfifo("FIFO", 0600), 0);
    for (const std::string name : {"NONE.TXT", ".", "FIFO"}) {
        Io io;
        auto g = game_at_prompt(io, name + "\n");
        const Observed before = observe(*g);
        load_position(*g);
        EXPECT_EQ(io.out.str(), "FILE: \r\n     ---FILE NOT LOADED---\r\n") << name;
        expect_same(before, observe(*g));
    }
}

TEST(LoadPosition, FileTruncatedAtAnyLineIsRefused) {
    ScratchFolder folder;
    const std::vector<std::string> lines = crlf_lines(initial_file());
    std::string text;
    for (size_t n = 0; n < 104; ++n) {
        expect_refused(text, "kept " + std::to_string(n) + " lines");
        text += lines[n] + "\r\n";
    }
    // Cut inside the numbers of line 102 and at an empty name line.
    expect_refused(with_line(102, " 1            1"), "two sides");
    expect_refused(with_line(104, ""), "empty computer name");
    expect_refused(with_line(103, "   "), "blank user name");
}

TEST(LoadPosition, NumbersThatAreNotNumbersAreRefused) {
    ScratchFolder folder;
    expect_refused(with_line(15, " X "), "a letter");
    expect_refused(with_line(15, " 0x "), "digits and a letter");
    expect_refused(with_line(15, " - "), "a sign alone");
    expect_refused(with_line(15, std::string(" 0\0 ", 4)), "a NUL byte");
    expect_refused(with_line(101, " 1.5 "), "a decimal point");
    expect_refused(with_line(101, " 32768 "), "above the 16-bit range");
    expect_refused(with_line(101, "-32769 "), "below the 16-bit range");
    expect_refused(with_line(101, " 99999999999999999999999 "), "far above the range");
    expect_refused(with_line(15, ",0 "), "an empty field before a comma");
}

TEST(LoadPosition, ValuesThatAreNotAPositionAreRefused) {
    ScratchFolder folder;
    expect_refused(with_line(15, " 7 "), "border value on a playing square");
    expect_refused(with_line(15, "-7 "), "-7 on a playing square");
    expect_refused(with_line(1, " 0 "), "an empty border cell");
    expect_refused(with_line(20, "-6 "), "a piece on the border");
    // The border stops rays and knight jumps only as long as it holds 7 or more.
    expect_refused(with_line(11, "-7 "), "a negative border value");
    const std::string sides[] = {
        " 0             1            -1 ", " 1             2            -1 ",
        " 1             1             0 ", "-2             1            -1 "};
    for (const std::string& s : sides) expect_refused(with_line(102, s), "side " + s);
}

TEST(LoadPosition, ExtremeButSoundValuesAreLoaded) {
    ScratchFolder folder;
    // Large border values and any move number are sound.
    write_file("X.TXT", with_line(1, " 32767 "));
    Io io;
    auto g = game_at_prompt(io, "X.TXT\n");
    load_position(*g);
    EXPECT_EQ(io.out.str(), "FILE: \r\n");
    EXPECT_EQ(g->board[0], 32767);
    write_file("X.TXT", with_line(101, "-32768 "));
    attach(*g, io, "X.TXT\n");
    load_position(*g);
    EXPECT_EQ(io.out.str(), "FILE: \r\n");
    EXPECT_EQ(g->move_number, -32768);
}

TEST(LoadPosition, LongAndOddNamesAreTakenWhole) {
    ScratchFolder folder;
    const std::string long_name(10 * 1024, 'N');
    write_file("N.TXT", with_line(103, "  " + long_name + "  "));
    Io io;
    auto g = game_at_prompt(io, "N.TXT\n");
    load_position(*g);
    EXPECT_TRUE(g->human_name == long_name + "  ") << g->human_name.size();
    // A comma ends a name; a NUL byte is part of it.
    write_file("N.TXT", with_line(104, std::string("BL\0CK,rest", 10)));
    attach(*g, io, "N.TXT\n");
    load_position(*g);
    EXPECT_EQ(g->computer_name, std::string("BL\0CK", 5));
    EXPECT_EQ(g->human_name, "WHITE");
}

TEST(LoadPosition, BinaryJunkIsRefused) {
    ScratchFolder folder;
    std::string junk;
    for (int i = 0; i < 4096; ++i) junk.push_back(static_cast<char>((i * 7919) & 0xff));
    expect_refused(junk, "binary");
    expect_refused(std::string(4096, '\0'), "NUL bytes");
}

// ---- Whole sessions -----------------------------------------------------------

TEST(PositionFileSession, SaveAfterSwapThenLoadKeepsTheNamesWithTheirBlank) {
    ScratchFolder folder;
    write_file("WMYBOOK.TXT", record(initial_key, "E2E4") + "ZZ,ZZ\r\n");
    // SWAP: the computer plays White's E2E4 and the user takes Black, with
    // the six-character names; SAVE writes them; the user's next move ends
    // nothing; LOAD brings the saved names back.
    auto r = run_session("0\n1\n0\nSWAP\nSAVE\nW.TXT\nLOAD\nW.TXT\n", false, {}, 1);
    const std::vector<std::string> lines = crlf_lines(read_file("W.TXT"));
    ASSERT_EQ(lines.size(), 104u);
    EXPECT_EQ(lines[101], "-1            -1             1 ");
    // The computer plays White: the names come back reset.
    EXPECT_EQ(lines[102], "BLACK ");
    EXPECT_EQ(lines[103], "WHITE ");
    EXPECT_EQ(r.game->human_name, "BLACK");
    EXPECT_EQ(r.game->computer_name, "WHITE");
    EXPECT_TRUE(has_line(r.output, " 1 ) BLACK  TO MOVE "));
    EXPECT_TRUE(has_line(r.output, " 1 ) BLACK TO MOVE ")) << r.output;
}

TEST(PositionFileSession, TwoSwapsSavedAndLoadedKeepTheTrailingBlank) {
    ScratchFolder folder;
    write_file("WMYBOOK.TXT", record(initial_key, "E2E4") + "ZZ,ZZ\r\n");
    write_file("MYBOOK.TXT", record(after_e2e4_key, "E7E5") + "ZZ,ZZ\r\n");
    auto r = run_session("0\n1\n0\nSWAP\nSWAP\nSAVE\n\nBACK\nLOAD\n\n", false, {}, 1);
    const std::vector<std::string> lines = crlf_lines(read_file("CB.TXT"));
    ASSERT_EQ(lines.size(), 104u);
    EXPECT_EQ(lines[100], " 2 ");
    EXPECT_EQ(lines[102], "WHITE ");
    EXPECT_EQ(lines[103], "BLACK ");
    EXPECT_EQ(r.game->human_name, "WHITE ");
    EXPECT_EQ(r.game->move_number, 2);
    EXPECT_EQ(r.game->board[cell("E5")], pawn);
    EXPECT_TRUE(has_line(r.output, " 2 ) WHITE  TO MOVE "));
}

TEST(PositionFileSession, LoadAfterTheGameEndedLetsPlayGoOn) {
    ScratchFolder folder;
    // A playable position is saved; then CLEAR and EDIT set up White (the
    // user) stalemated: king A8 against a black rook B7 guarded by the king
    // on C7. SUGGEST for White finds the stalemate and ends the game; LOAD
    // brings the saved position back and play goes on.
    const std::string playable = "k......." + empty_ranks(6) + "K......R";
    auto r = run_session(
        "0\n0\n0\nSAVE\nP.TXT\nCLEAR\n1\n1\nEDIT\n-6,A8\nEDIT\n4,B7\nEDIT\n6,C7\n"
        "SUGGEST\n1\nLOAD\nP.TXT\nH1H7\n",
        false, [&](GameState& g) {
            g.base_depth = 2;
            testing::set_placement(g, playable);
        });
    EXPECT_NE(r.output.find("<<<STALEMATE>>>\r\nSUGGESTED MOVE: \r\nALTERNATE MOVE: \r\n"),
              std::string::npos)
        << r.output;
    // After LOAD the game goes on: the move is played and answered.
    EXPECT_TRUE(has_line(r.output, "WHITE H1H7")) << r.output;
    EXPECT_TRUE(has_line(r.output, " 2 ) WHITE TO MOVE "));
    EXPECT_EQ(r.output.find("GAME OVER"), std::string::npos);
}

TEST(PositionFileSession, RefusedLoadShowsTheBoardUnchanged) {
    ScratchFolder folder;
    write_file("BAD.TXT", " 7 \r\n 7 \r\n");
    auto r = run_session("0\n0\n0\nLOAD\nBAD.TXT\nSAVE\nNO_DIR/X.TXT\n");
    EXPECT_NE(r.output.find("FILE: \r\n     ---FILE NOT LOADED---\r\n\r\n    A B C D E F G H"),
              std::string::npos);
    EXPECT_NE(r.output.find("FILE: \r\n     ---FILE NOT SAVED---\r\n\r\n    A B C D E F G H"),
              std::string::npos);
    EXPECT_EQ(count_of(r.output, " 2  P P P P P P P P  2 "), 3);
}

}  // namespace
}  // namespace chess
