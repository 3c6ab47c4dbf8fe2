// Refusals decided from the square sets must be make_move's own.
#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "model/game_state.h"
#include "movegen/generate.h"
#include "movegen/make_move.h"
#include "movegen/perft.h"
#include "support/session.h"

namespace chess {
namespace {

// Random games (pseudo-legal moves: kings may stand in check or be taken), with
// edited boards mixed in: two kings of one colour, pins, a list too long to
// decide, pawns on their last row (which take nothing).
TEST(UnmadeRefusal, AgreesWithMakeMove) {
    const char* edited[] = {
        "k.r..K............B.........p......Q.........n....k.........K..R",
        "...r....b.....q.......K..n.....p..P.....N.............k.......R.",
        "k.q..q...Q...q...Q...q..Q.Q...q...Q...q...Q...q.q..Q...q...QQ..K",
        ".P....K...............n.......................N..........k....p.",
    };
    auto g = testing::fresh_game();
    std::mt19937 random(16);
    int decided = 0;
    int refused = 0;
    for (int step = 0; step < 3000; ++step) {
        if (step % 100 == 99) {
            ASSERT_TRUE(testing::set_placement(*g, edited[(step / 100) % 4]));
        }
        g->ply = 1;
        generate_moves(*g);
        const int count = g->move_count[1];
        if (count == 0 || step % 150 == 120) {
            g = testing::fresh_game();
            continue;
        }
        const Armies a = armies_of(g->board);
        for (int r = 1; r <= count; ++r) {
            const int verdict = refused_unmade(*g, a, 1, r);
            if (verdict < 0) continue;
            ++decided;
            refused += verdict;
            // On a copy: taking back restores neither markers nor flags.
            auto trial = std::make_unique<GameState>(*g);
            trial->move_index = static_cast<int16_t>(r);
            make_move(*trial);
            ASSERT_EQ(verdict, trial->in_check) << "step " << step << " row " << r;
        }
        g->move_index = static_cast<int16_t>(1 + random() % static_cast<unsigned>(count));
        make_move(*g);
    }
    EXPECT_GT(decided, 50000);
    EXPECT_GT(refused, 2000);
}

// perft's last ply, which settles most moves from the kings' lines alone, counts
// what make_move accepts, on the same kind of boards.
TEST(UnmadeRefusal, PerftLastPlyCountsWhatMakeMoveAccepts) {
    const char* edited[] = {
        "k.r..K............B.........p......Q.........n....k.........K..R",
        "...r....b.....q.......K..n.....p..P.....N.............k.......R.",
        "...rk.......b.......................................Q.......K...",
        ".P....K...............n.......................N..........k....p.",
        // Taking the last black king makes the other one the one that steps.
        ".......k.......................................R...k........K...",
    };
    auto g = testing::fresh_game();
    std::mt19937 random(34);
    for (int step = 0; step < 600; ++step) {
        if (step % 50 == 49) {
            ASSERT_TRUE(testing::set_placement(*g, edited[(step / 50) % 5]));
        }
        g->ply = 1;
        generate_moves(*g);
        const int count = g->move_count[1];
        if (count == 0 || step % 90 == 80) {
            g = testing::fresh_game();
            continue;
        }
        for (const int side : {-1, 1}) {
            uint64_t accepted = 0;
            for (int r = 1; r <= count; ++r) {
                const int flags = g->move_list[r][GameState::ply_base[1] + 2];
                if (GameState::side_sign[flags / 1000] != side) continue;
                auto trial = std::make_unique<GameState>(*g);
                trial->move_index = static_cast<int16_t>(r);
                make_move(*trial);
                accepted += trial->in_check != 1;
            }
            auto counted = std::make_unique<GameState>(*g);
            ASSERT_EQ(perft(*counted, 1, side), accepted) << "step " << step << " side " << side;
        }
        g->move_index = static_cast<int16_t>(1 + random() % static_cast<unsigned>(count));
        make_move(*g);
    }
}

}  // namespace
}  // namespace chess
