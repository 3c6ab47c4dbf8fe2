// Refusals decided from the square sets must be make_move's own.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

#include "model/game_state.h"
#include "movegen/generate.h"
#include "movegen/make_move.h"
#include "movegen/perft.h"
#include "support/session.h"

namespace chess {
namespace {

// Plays random games from the opening (pseudo-legal moves: kings may stand in
// check or be taken) for `steps` steps. Every `edit_every` steps the next of
// the `edited` boards is set up; a game with no move left, or at step
// `restart_at` of every `restart_every`, starts afresh. visit(g, count, step) sees
// each board with its list at ply 1 just generated.
template <class Visit>
void walk_random_games(unsigned seed, int steps, const std::vector<const char*>& edited,
                       int edit_every, int restart_every, int restart_at, Visit&& visit) {
    auto g = testing::fresh_game();
    std::mt19937 random(seed);
    const int boards = static_cast<int>(edited.size());
    for (int step = 0; step < steps && !::testing::Test::HasFatalFailure(); ++step) {
        if (step % edit_every == edit_every - 1) {
            ASSERT_TRUE(testing::set_placement(*g, edited[(step / edit_every) % boards]));
        }
        g->ply = 1;
        generate_moves(*g);
        const int count = g->move_count[1];
        if (count == 0 || step % restart_every == restart_at) {
            g = testing::fresh_game();
            continue;
        }
        visit(*g, count, step);
        g->move_index = static_cast<int16_t>(1 + random() % static_cast<unsigned>(count));
        make_move(*g);
    }
}

// Random games with edited boards mixed in: two kings of one colour, pins, a
// list too long to decide, pawns on their last row (which take nothing).
TEST(UnmadeRefusal, AgreesWithMakeMove) {
    const std::vector<const char*> edited = {
        "k.r..K............B.........p......Q.........n....k.........K..R",
        "...r....b.....q.......K..n.....p..P.....N.............k.......R.",
        "k.q..q...Q...q...Q...q..Q.Q...q...Q...q...Q...q.q..Q...q...QQ..K",
        ".P....K...............n.......................N..........k....p.",
    };
    int decided = 0;
    int refused = 0;
    walk_random_games(16, 3000, edited, 100, 150, 120, [&](GameState& g, int count, int step) {
        const Armies a = armies_of(g.board);
        for (int r = 1; r <= count; ++r) {
            const int verdict = refused_unmade(g, a, 1, r);
            if (verdict < 0) continue;
            ++decided;
            refused += verdict;
            // On a copy: taking back restores neither markers nor flags.
            auto trial = std::make_unique<GameState>(g);
            trial->move_index = static_cast<int16_t>(r);
            make_move(*trial);
            ASSERT_EQ(verdict, trial->in_check) << "step " << step << " row " << r;
        }
    });
    EXPECT_GT(decided, 50000);
    EXPECT_GT(refused, 2000);
}

// perft's last ply, which settles most moves from the kings' lines alone, counts
// what make_move accepts, on the same kind of boards.
TEST(UnmadeRefusal, PerftLastPlyCountsWhatMakeMoveAccepts) {
    const std::vector<const char*> edited = {
        "k.r..K............B.........p......Q.........n....k.........K..R",
        "...r....b.....q.......K..n.....p..P.....N.............k.......R.",
        "...rk.......b.......................................Q.......K...",
        ".P....K...............n.......................N..........k....p.",
        // Taking the last black king makes the other one the one that steps.
        ".......k.......................................R...k........K...",
    };
    walk_random_games(34, 600, edited, 50, 90, 80, [](GameState& g, int count, int step) {
        for (const int side : {-1, 1}) {
            uint64_t accepted = 0;
            for (int r = 1; r <= count; ++r) {
                const int flags = g.move_list[r][GameState::ply_base[1] + 2];
                if (GameState::side_sign[flags / 1000] != side) continue;
                auto trial = std::make_unique<GameState>(g);
                trial->move_index = static_cast<int16_t>(r);
                make_move(*trial);
                accepted += trial->in_check != 1;
            }
            auto counted = std::make_unique<GameState>(g);
            ASSERT_EQ(perft(*counted, 1, side), accepted) << "step " << step << " side " << side;
        }
    });
}

}  // namespace
}  // namespace chess
