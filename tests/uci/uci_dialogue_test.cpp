// chess_uci driven as a GUI drives it: a child process on pipes.
#include <gtest/gtest.h>

#include <chrono>
#include <sstream>

#include "support/session.h"
#include "uci/engine_process.h"

namespace chess {
namespace {

using testing::EngineProcess;

struct Engine {
    EngineProcess p{{CHESS_UCI_PROGRAM}};
    Engine() {
        p.send("uci");
        p.wait_for("uciok", 10);
        p.send("setoption name OwnBook value false");
    }
    // The move answered to `go` in `position`, or "none" after `seconds`.
    std::string best(const std::string& position, const std::string& go, double seconds = 60) {
        p.send(position);
        p.send(go);
        const auto line = p.wait_for("bestmove ", seconds);
        return line ? line->substr(9) : "none";
    }
    // Whether `line` draws an "info string" complaint before the next readyok.
    bool complains(const std::string& line) {
        const size_t before = p.lines.size();
        p.send(line);
        p.send("isready");
        EXPECT_TRUE(p.wait_for("readyok", 30)) << "no readyok after " << line;
        for (size_t i = before; i < p.lines.size(); ++i) {
            if (p.lines[i].rfind("info string", 0) == 0) return true;
        }
        return false;
    }
};

TEST(UciDialogue, HandshakeThenBadInputIsAnsweredAndIgnored) {
    Engine e;
    EXPECT_EQ(e.p.lines.front(), "id name Quentaro Chess");
    EXPECT_EQ(e.p.lines[e.p.lines.size() - 3], "option name OwnBook type check default true");
    EXPECT_EQ(e.p.lines[e.p.lines.size() - 2],
              "option name Threads type spin default 1 min 1 max 64");
    for (const char* bad : {
             "hello world",
             "position fen 8/8/8/8/8/8/8/8 w - - 0 1",       // no kings
             "position fen 4k3/8/8/8/8/8/8/4QK2 w - - 0 1",  // Black in check, White to move
             "position fen rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1 moves e2e4 "
             "e7e5 e1e3 d2d4",                               // illegal third move
             "position startpos moves e2e4 e7e5 g1f3 zz99",  // malformed move
             "setoption name Hash value 99999999999999999999999",
             "setoption name Threads value 99999999999999999999999",
             "go wtime 99999999999999999999999 btime nonsense depth 2",
         }) {
        EXPECT_TRUE(e.complains(bad)) << bad;
    }
    // The illegal move ended the set-up after 1.e4 e5 2.Nf3: Black's knight
    // can go to c6 and White's king cannot be on e3.
    EXPECT_FALSE(e.complains("position startpos moves e2e4 e7e5 g1f3 b8c6"));
    // A search running for ever still answers isready, and stop ends it.
    e.p.send("position startpos moves e2e4 e7e5");
    e.p.send("go depth 99999999999999999999 movetime 99999999999999999999");
    e.p.send("isready");
    EXPECT_TRUE(e.p.wait_for("readyok", 1));
    e.p.send("stop");
    EXPECT_TRUE(e.p.wait_for("bestmove ", 5));
    e.p.send("quit");
    EXPECT_EQ(e.p.exit_status(5), 0);
}

TEST(UciDialogue, FenRightsEnPassantAndUnderPromotion) {
    Engine e;
    EXPECT_FALSE(e.complains("position fen 4k3/8/8/8/8/8/8/4K2R w K - 0 1 moves e1g1 e8d8 f1f8"));
    EXPECT_TRUE(e.complains("position fen 4k3/8/8/8/8/8/8/4K2R w Q - 0 1 moves e1g1"));
    EXPECT_FALSE(e.complains("position fen 4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 2 moves e5d6 e8d8"));
    EXPECT_TRUE(e.complains("position fen 4k3/8/8/3pP3/8/8/8/4K3 w - - 0 2 moves e5d6"));
    e.best("position fen 4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 2", "go depth 3");  // keeps the right
    EXPECT_FALSE(e.complains("position fen 4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 2 moves e5d6"));
    EXPECT_FALSE(e.complains("position fen 4k3/P7/8/8/8/8/8/4K3 w - - 0 1 moves a7a8n e8d7 a8b6"));
    EXPECT_TRUE(e.complains("position fen 4k3/P7/8/8/8/8/8/4K3 w - - 0 1 moves a7a8q e8d7 a8b6"));
    // A pawn reaching the last rank is answered with its queen's letter.
    EXPECT_EQ(e.best("position fen 8/P5k1/8/8/8/8/8/K7 w - - 0 1", "go depth 2"), "a7a8q");
    EXPECT_EQ(e.best("position fen 7k/5Q2/6K1/8/8/8/8/8 b - - 0 1", "go depth 3"), "0000");
}

// The bench's positions as a GUI would give them: the placement, castling
// rights where king and rook stand on their squares, the bench's move number.
std::string fen_of(const std::string& placement, const std::string& side,
                   const std::string& number) {
    std::string fen;
    for (size_t i = 0; i < 64; ++i) {
        if (placement[i] != '.') fen += placement[i];
        if (placement[i] == '.' && (fen.empty() || !std::isdigit(fen.back()))) fen += '0';
        if (placement[i] == '.') ++fen.back();
        if (i % 8 == 7 && i < 63) fen += '/';
    }
    std::string rights;
    if (placement[60] == 'K' && placement[63] == 'R') rights += 'K';
    if (placement[60] == 'K' && placement[56] == 'R') rights += 'Q';
    if (placement[4] == 'k' && placement[7] == 'r') rights += 'k';
    if (placement[4] == 'k' && placement[0] == 'r') rights += 'q';
    return fen + " " + side + " " + (rights.empty() ? "-" : rights) + " - 0 " + number;
}

TEST(UciDialogue, GoDepthChoosesSearchbenchsMoveOnEveryBenchPosition) {
    for (const char* depth : {"3", "4"}) {
        EngineProcess bench{{CHESS_SEARCHBENCH_PROGRAM, depth}};
        ASSERT_TRUE(bench.wait_for("signature", 300));
        Engine e;
        int compared = 0;
        for (const std::string& line : bench.lines) {
            std::istringstream words(line);
            std::string tag, placement, side, number, best_tag, best;
            words >> tag >> placement >> side >> number >> best_tag >> best;
            if (tag != "position") continue;
            for (char& c : best) c = static_cast<char>(std::tolower(c));
            const std::string answer =
                e.best("ucinewgame\nposition fen " + fen_of(placement, side, number),
                       std::string("go depth ") + depth);
            EXPECT_EQ(answer.substr(0, 4), best == "----" ? "0000" : best)
                << "depth " << depth << " " << placement << " " << side;
            ++compared;
        }
        EXPECT_EQ(compared, 19);
    }
}

// Within one game the engine remembers its earlier choices as at the console:
// here the console replaces a repeated king move by its runner-up.
TEST(UciDialogue, AGameAgainstTheConsoleEngineGivesTheSameReplies) {
    const std::string placement =
        "......k............p......pPp.....P.P.........................K.";
    std::string input = "0\n0\n0\n";
    for (int i = 0; i < 7; ++i) input += "G1H1\nH1G1\n";
    const auto console = testing::run_session(input, false, [&](GameState& g) {
        testing::set_placement(g, placement);
        g.move_number = 20;
    });
    ASSERT_NE(console.output.find("ALTERNATE MOVE USED!"), std::string::npos);

    Engine e;
    std::string moves;
    std::istringstream out(console.output);
    int replies = 0;
    for (std::string line; std::getline(out, line);) {
        if (line.rfind("WHITE ", 0) != 0 && line.rfind("BLACK ", 0) != 0) continue;
        std::string move = line.substr(6, 4);
        for (char& c : move) c = static_cast<char>(std::tolower(c));
        if (line[0] == 'B') {
            EXPECT_EQ(
                e.best("position fen 6k1/8/3p4/2pPp3/2P1P3/8/8/6K1 w - - 0 20 moves" + moves, "go"),
                move)
                << "after" << moves;
            ++replies;
        }
        moves += " " + move;
    }
    EXPECT_EQ(replies, 14);
}

TEST(UciDialogue, TimeLimitsAndStopAreKept) {
    Engine e;
    const std::string position =
        "position startpos moves e2e4 e7e5 g1f3 b8c6 f1c4 f8c5 c2c3 g8f6 d2d4";
    using Clock = std::chrono::steady_clock;
    const auto seconds_since = [](Clock::time_point t) {
        return std::chrono::duration<double>(Clock::now() - t).count();
    };
    auto start = Clock::now();
    EXPECT_NE(e.best(position, "go movetime 1000", 5), "none");
    EXPECT_LT(seconds_since(start), 1.6);

    e.p.send(position);
    e.p.send("go infinite");
    EXPECT_FALSE(e.p.wait_for("bestmove", 1.5)) << "an endless search answered by itself";
    start = Clock::now();
    e.p.send("stop");
    EXPECT_TRUE(e.p.wait_for("bestmove ", 5));
    EXPECT_LT(seconds_since(start), 0.5);

    start = Clock::now();
    EXPECT_NE(e.best(position, "go wtime 30000 btime 30000", 30), "none");
    EXPECT_LT(seconds_since(start), 5.0) << "a 30-second clock spent on one move";
}

}  // namespace
}  // namespace chess
