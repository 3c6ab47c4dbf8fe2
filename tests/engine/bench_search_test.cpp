// The search on the first sixteen bench positions at depths 2, 3 and 4: the
// chosen move, the runner-up, the score of the chosen row and the numbers of
// moves made and positions evaluated. Equal counts mean the same tree was
// searched in the same order.
#include <gtest/gtest.h>

#include <string>

#include "bench/bench_positions.h"
#include "commands/search_report.h"
#include "engine/move_choice.h"
#include "model/notation.h"
#include "support/session.h"

namespace chess {
namespace {

struct Expected {
    const char* best;  // "----" for a move code of 0
    const char* alternate;
    int score;  // of the chosen row of the ply-1 list
    uint64_t nodes;
    uint64_t evaluations;
};

// Row i: bench position i at depths 2, 3 and 4.
// clang-format off
const Expected expected[pinned_bench_positions][3] = {
    // initial position
    {{"G1F3", "B1C3", 20, 115, 95}, {"B1C3", "A2A3", 72, 1169, 1058}, {"B1C3", "A2A4", 22, 7216, 6064}},
    // after E2E4
    {{"G8F6", "B8C6", -70, 172, 152}, {"G8F6", "D7D5", 25, 1274, 1086}, {"B8C6", "A7A5", -110, 17263, 15437}},
    // open game, exchange step off
    {{"B1C3", "A2A4", 31, 278, 251}, {"F1B5", "B1C3", 175, 2481, 2198}, {"F1B5", "B1C3", -47, 27973, 24579}},
    // open game, exchange step on
    {{"B1C3", "A2A4", 31, 278, 251}, {"F1B5", "B1C3", 211, 2416, 2102}, {"F1B5", "D2D3", -68, 29482, 26048}},
    // castling available
    {{"B1C3", "A2A3", -12, 206, 141}, {"C4B5", "C4D5", 198, 3541, 2334}, {"D2D4", "B1C3", -51, 44173, 35897}},
    // middle game, pins
    {{"G5F6", "C4F7", -8, 162, 83}, {"D3D4", "G5F6", 170, 3620, 2105}, {"C3B5", "A1B1", -76, 16691, 11574}},
    // middle game, captures
    {{"C4D5", "----", -194, 125, 77}, {"B2B4", "A1B1", 169, 5434, 3551}, {"C2A4", "B2B4", -179, 23862, 16869}},
    // rook against lone king
    {{"E1D2", "E1E2", 854, 95, 70}, {"E1E2", "A1A5", 904, 945, 862}, {"A1A5", "A1A4", 890, 2938, 1809}},
    // queen against lone king
    {{"E1D2", "E1E2", 1263, 90, 52}, {"E1E2", "D1D4", 1393, 1193, 1108}, {"E1E2", "D1D4", 1383, 4513, 2211}},
    // pawn ending
    {{"D4E5", "G3G4", 142, 86, 74}, {"D4E5", "G3G4", 150, 573, 450}, {"D4E5", "G3G4", 109, 2444, 1934}},
    // White mates in one
    {{"A1A8", "A1A7", 25000, 89, 61}, {"A1A8", "----", 547, 535, 483}, {"A1A8", "----", 522, 2727, 1799}},
    // Black mates in one
    {{"A8A1", "A8A2", 25000, 89, 61}, {"A8A1", "----", 517, 561, 506}, {"A8A1", "----", 508, 2939, 1975}},
    // stalemate trap
    {{"B5B6", "B5C6", 25000, 61, 26}, {"H1G2", "H1G1", 1455, 706, 639}, {"H1G2", "H1G1", 1505, 2038, 903}},
    // promotion race
    {{"A7A8", "----", -43, 13, 7}, {"A7A8", "----", 16, 60, 18}, {"A7A8", "----", -24, 246, 171}},
    // side to move is mated
    {{"----", "----", 0, 3, 0}, {"----", "----", 0, 3, 0}, {"----", "----", 0, 3, 0}},
    // side to move is stalemated
    {{"----", "----", 0, 3, 0}, {"----", "----", 0, 3, 0}, {"----", "----", 0, 3, 0}},
};
// clang-format on

std::string text_of(int16_t code) { return code == 0 ? "----" : move_to_text(code); }

void check_depth(int depth) {
    for (int i = 0; i < pinned_bench_positions; ++i) {
        const BenchPosition& pos = bench_positions[i];
        const Expected& e = expected[i][depth - 2];
        SCOPED_TRACE(std::string(pos.what) + " at depth " + std::to_string(depth));
        auto g = testing::fresh_game();
        ASSERT_TRUE(set_up_bench_position(*g, pos, depth));
        search_at_console(*g);
        const int score = g->move_list[g->chosen_index][GameState::ply_base[1] + 3];
        EXPECT_EQ(text_of(g->move_code), e.best);
        EXPECT_EQ(text_of(g->alternate_move), e.alternate);
        EXPECT_EQ(score, e.score);
        EXPECT_EQ(g->node_count, e.nodes);
        EXPECT_EQ(g->eval_count, e.evaluations);
    }
}

TEST(SearchOnBenchPositions, DepthTwo) { check_depth(2); }
TEST(SearchOnBenchPositions, DepthThree) { check_depth(3); }
TEST(SearchOnBenchPositions, DepthFour) { check_depth(4); }

}  // namespace
}  // namespace chess
