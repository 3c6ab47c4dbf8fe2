// chess_uci behind polyglot, the adaptor through which xboard-protocol GUIs
// use UCI engines. Skipped where polyglot is not installed.
#include <gtest/gtest.h>
#include <unistd.h>

#include <set>

#include "uci/engine_process.h"

namespace chess {
namespace {

TEST(Polyglot, AnXboardDialogueGetsLegalMoves) {
    std::string polyglot = "/usr/games/polyglot";
    if (access(polyglot.c_str(), X_OK) != 0) polyglot = "/usr/bin/polyglot";
    if (access(polyglot.c_str(), X_OK) != 0) GTEST_SKIP() << "polyglot is not installed";
    testing::EngineProcess p{{polyglot, "-noini", "-ec", CHESS_UCI_PROGRAM}};
    p.send("xboard");
    p.send("protover 2");
    ASSERT_TRUE(p.wait_for("feature done=1", 30));
    p.send("new");
    p.send("sd 3");
    p.send("usermove e2e4");
    const auto reply = p.wait_for("move ", 60);
    ASSERT_TRUE(reply);
    // Black's twenty legal answers to 1.e4.
    std::set<std::string> legal = {"b8a6", "b8c6", "g8f6", "g8h6"};
    for (char file = 'a'; file <= 'h'; ++file) {
        for (const char* to : {"6", "5"}) legal.insert(std::string{file, '7', file} + to);
    }
    EXPECT_EQ(legal.count(reply->substr(5)), 1u) << *reply;
    // polyglot checks every move it relays; a second one must pass too.
    p.send("usermove g1f3");
    EXPECT_TRUE(p.wait_for("move ", 60));
    for (const std::string& line : p.lines) EXPECT_EQ(line.find("Illegal"), std::string::npos);
    p.send("quit");
}

}  // namespace
}  // namespace chess
