// The clock arithmetic of "go": what the words ask for, how long a search may
// run, and whether one more depth fits.
#include "uci/time_plan.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace chess::uci {
namespace {

GoRequest go(std::vector<std::string_view> words, std::vector<std::string>* ignored = nullptr) {
    std::vector<std::string> dropped;
    const GoRequest request = parse_go(words, dropped);
    if (ignored != nullptr) *ignored = dropped;
    return request;
}

TEST(TimePlan, WordsAreReadSaturatedAndBadOnesListed) {
    const GoRequest r = go({"wtime", "60000", "btime", "+500", "winc", "1000", "binc", "0",
                            "movestogo", "12", "depth", "5", "infinite"});
    EXPECT_EQ(r.clock[0], 60000);
    EXPECT_EQ(r.clock[1], 500);
    EXPECT_EQ(r.increment[0], 1000);
    EXPECT_EQ(r.moves_to_go, 12);
    EXPECT_EQ(r.depth, 5);
    EXPECT_TRUE(r.infinite);
    EXPECT_EQ(r.movetime, -1);  // not given

    constexpr int64_t limit = int64_t{1} << 40;
    EXPECT_EQ(go({"movetime", "99999999999999999999999"}).movetime, limit);
    EXPECT_EQ(go({"winc", "-99999999999999999999999"}).increment[0], -limit);
    EXPECT_EQ(go({"depth", "0"}).depth, 1);
    EXPECT_EQ(go({"depth", "-7"}).depth, 1);
    EXPECT_EQ(go({"depth", "1000"}).depth, 99);
    // A clock below zero has no time left; it is not a missing clock.
    EXPECT_EQ(go({"wtime", "-200", "movetime", "-1"}).clock[0], 0);
    EXPECT_EQ(go({"movetime", "-1"}).movetime, 0);

    std::vector<std::string> ignored;
    const GoRequest bad = go({"wtime", "12x", "ponder", "-", "depth", "3", "btime"}, &ignored);
    EXPECT_EQ(ignored, (std::vector<std::string>{"wtime", "12x", "ponder", "-", "btime"}));
    EXPECT_EQ(bad.clock[0], -1);
    EXPECT_EQ(bad.depth, 3);
}

TEST(TimePlan, DepthsAndFixedTimes) {
    EXPECT_EQ(plan_search(go({"depth", "1"}), true, 4).max_depth, lowest_depth);
    EXPECT_EQ(plan_search(go({"depth", "99"}), true, 4).max_depth, highest_depth);
    const SearchPlan bare = plan_search(go({}), true, 6);
    EXPECT_EQ(bare.max_depth, 6);
    EXPECT_LT(bare.soft_ms, 0);
    EXPECT_LT(bare.hard_ms, 0);
    // A bare go may go one past the deepest "go depth", as the console's raise.
    EXPECT_EQ(plan_search(go({}), true, 12).max_depth, highest_depth + 1);

    const SearchPlan fixed = plan_search(go({"movetime", "1000"}), false, 4);
    EXPECT_EQ(fixed.max_depth, highest_depth);
    EXPECT_DOUBLE_EQ(fixed.hard_ms, 950);  // less the 50 ms kept for the answer
    EXPECT_DOUBLE_EQ(fixed.soft_ms, 950);
    EXPECT_TRUE(fixed.fixed_time);
    EXPECT_DOUBLE_EQ(plan_search(go({"movetime", "0"}), true, 4).hard_ms, 1);

    const SearchPlan endless = plan_search(go({"infinite", "movetime", "10"}), true, 4);
    EXPECT_TRUE(endless.wait_for_stop);
    EXPECT_LT(endless.hard_ms, 0);
    EXPECT_EQ(endless.max_depth, highest_depth);
}

TEST(TimePlan, ClockShareIncrementAndMovesToGo) {
    // 60 s and 1 s a move for White, 30 moves assumed: 2000 + 750 ms, at
    // most three times that.
    SearchPlan p = plan_search(go({"wtime", "60000", "btime", "1", "winc", "1000"}), true, 4);
    EXPECT_DOUBLE_EQ(p.soft_ms, 2750);
    EXPECT_DOUBLE_EQ(p.hard_ms, 8250);
    EXPECT_FALSE(p.fixed_time);
    // Black's clock for Black; 10 moves to go: 1000 ms, hard 3000.
    p = plan_search(go({"wtime", "1", "btime", "10000", "movestogo", "10"}), false, 4);
    EXPECT_DOUBLE_EQ(p.soft_ms, 1000);
    EXPECT_DOUBLE_EQ(p.hard_ms, 3000);
    // One move to go: everything but a tenth (at most 500 ms) and the 50 ms.
    p = plan_search(go({"wtime", "1000", "movestogo", "1"}), true, 4);
    EXPECT_DOUBLE_EQ(p.soft_ms, 850);
    EXPECT_DOUBLE_EQ(p.hard_ms, 850);
    p = plan_search(go({"wtime", "100000", "movestogo", "1000"}), true, 4);  // read as 50
    EXPECT_DOUBLE_EQ(p.soft_ms, 2000);
    // Only the other side's clock: no time limit, the usual depth.
    p = plan_search(go({"btime", "100"}), true, 5);
    EXPECT_LT(p.hard_ms, 0);
    EXPECT_EQ(p.max_depth, 5);
    // A movetime and a clock: the tighter of the two.
    p = plan_search(go({"movetime", "5000", "wtime", "3000"}), true, 4);
    EXPECT_DOUBLE_EQ(p.soft_ms, 100);
    EXPECT_DOUBLE_EQ(p.hard_ms, 300);
    // An empty or overdrawn clock: nothing to spend beyond the first depth.
    for (const char* left : {"0", "-5000"}) {
        p = plan_search(go({"wtime", left, "winc", "-100"}), true, 9);
        EXPECT_DOUBLE_EQ(p.soft_ms, 0) << left;
        EXPECT_DOUBLE_EQ(p.hard_ms, 0) << left;
        EXPECT_EQ(p.max_depth, highest_depth) << left;
        EXPECT_FALSE(next_depth_fits(p, 1, {})) << left;
    }
    // A huge clock stays finite and ordered.
    p = plan_search(go({"wtime", "99999999999999999999", "winc", "99999999999999999999"}), true, 4);
    EXPECT_GT(p.soft_ms, 0);
    EXPECT_LE(p.soft_ms, p.hard_ms);
    EXPECT_LT(p.hard_ms, 1.2e12);
}

TEST(TimePlan, NextDepthFitsByTheGrowthOfTheLastDepths) {
    SearchPlan clock;
    clock.soft_ms = 1000;
    EXPECT_TRUE(next_depth_fits(SearchPlan{}, 1e9, {1e9}));  // no limit
    EXPECT_TRUE(next_depth_fits(clock, 1000, {}));
    EXPECT_FALSE(next_depth_fits(clock, 1001, {}));
    // One depth measured: assumed eight times as long.
    EXPECT_TRUE(next_depth_fits(clock, 100, {100}));   // 100 + 800
    EXPECT_FALSE(next_depth_fits(clock, 100, {120}));  // 100 + 960
    // On a clock the larger of the last two growths (8 here), with a fixed
    // time per move the last one (2).
    EXPECT_FALSE(next_depth_fits(clock, 0, {10, 80, 160}));  // 160 * 8
    SearchPlan fixed = clock;
    fixed.fixed_time = true;
    EXPECT_TRUE(next_depth_fits(fixed, 0, {10, 80, 160}));  // 160 * 2
    // Growths are held to 2..20; a depth too short to measure counts as 8.
    EXPECT_TRUE(next_depth_fits(clock, 0, {1, 45}));           // 45 * 20, not * 45
    EXPECT_FALSE(next_depth_fits(fixed, 0, {500, 500, 501}));  // 501 * 2, not * 1
    EXPECT_FALSE(next_depth_fits(fixed, 0, {0.01, 130}));      // 130 * 8
    EXPECT_TRUE(next_depth_fits(fixed, 0, {0.01, 120}));       // 120 * 8
}

}  // namespace
}  // namespace chess::uci
