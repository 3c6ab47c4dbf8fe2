// The search on several threads: the same output and the same record as on
// one thread, search after search.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>

#include "commands/search_report.h"
#include "console/board_display.h"
#include "engine/move_choice.h"
#include "model/game_state.h"
#include "model/notation.h"
#include "support/session.h"

namespace chess {
namespace {

// The whole record, part by part, but for what differs by design: the
// speculation log (each thread's own account), the work of searches thrown
// away, the counting pass's stale scratch, and the console's stream (each
// player prints to its own).
void expect_same_record(const GameState& a, const GameState& b, const std::string& label) {
    EXPECT_TRUE(static_cast<const Position&>(a) == static_cast<const Position&>(b))
        << "position " << label;
    // The counting pass's scratch is read only while it is current: its notes
    // while `deferred_count` counts them (none are left after a search), its
    // piece sets while `pass_sets_ready` is 1; its serial number only tells
    // passes apart.
    MoveLists lists = b;
    lists.lean_passes = a.lean_passes;
    std::copy(std::begin(a.deferred), std::end(a.deferred), std::begin(lists.deferred));
    std::copy(std::begin(a.deferred_last), std::end(a.deferred_last),
              std::begin(lists.deferred_last));
    if (a.pass_sets_ready == 0) lists.pass_sets = a.pass_sets;
    EXPECT_TRUE(static_cast<const MoveLists&>(a) == lists) << "move lists " << label;
    EXPECT_TRUE(static_cast<const EvalScratch&>(a) == static_cast<const EvalScratch&>(b))
        << "evaluation " << label;
    SearchFrames frames = b;
    frames.discarded_node_count = a.discarded_node_count;
    frames.discarded_eval_count = a.discarded_eval_count;
    EXPECT_TRUE(static_cast<const SearchFrames&>(a) == frames) << "search frames " << label;
    GameSession session = b;
    session.console.out = a.console.out;
    session.search_threads = a.search_threads;
    EXPECT_TRUE(static_cast<const GameSession&>(a) == session) << "session " << label;
}

struct Case {
    const char* name;
    const char* placement;
    char side;
    int16_t move_number;
    int en_passant_cell;  // board cell of an en passant marker, or 0
};

// A record as the game loop hands it to the search, with its output captured.
struct Player {
    std::unique_ptr<GameState> g = testing::fresh_game();
    std::ostringstream out;

    Player(const Case& c, int threads) {
        EXPECT_TRUE(testing::set_placement(*g, c.placement));
        if (c.en_passant_cell != 0) g->board[c.en_passant_cell] = GameState::ep_marker;
        g->move_number = c.move_number;
        g->search_side = c.side == 'w' ? GameState::white_side : GameState::black_side;
        show_board(*g);
        g->search_depth = 4;
        g->search_threads = static_cast<int16_t>(threads);
        g->console.out = &out;
    }
};

TEST(SearchThreads, EverySearchEndsAsOnOneThread) {
    const Case cases[] = {
        {"castling rights", "r...k..rppp..ppp..n.bn....b.p.q...B.P.....NP.N..PPPQ.PPPR...K..R", 'w',
         8, 0},
        // Black's D7D5 has just given White E5D6.
        {"en passant", "r.bqkbnrppp..ppp..n........pP................N..PPPP.PPPRNBQKB.R", 'w', 4,
         40},
        {"promotions", "....k...P.......................pP.......p..p..........p....K...", 'w', 41,
         0},
        {"mate at once", "......k......ppp.....................................PPPR.....K.", 'w',
         20, 0},
        {"stalemate trap", "k........................Q.....................................K", 'w',
         30, 0},
        {"book position, repeated",
         "rnbqkbnrpp.ppppp..........p.........P...........PPPP.PPPRNBQKBNR", 'w', 2, 0},
    };
    std::string ep_text = "E5D6";
    const int16_t en_passant_capture = text_to_move(ep_text);
    uint64_t discarded = 0;
    bool repetition_seen = false;
    bool en_passant_seen = false;
    for (const Case& c : cases) {
        for (const int threads : {2, 4}) {
            Player one(c, 1);
            Player many(c, threads);
            // Four searches of the same position: the third repeats the first
            // choice, which brings the alternate move or a deeper search.
            for (int search_no = 1; search_no <= 4; ++search_no) {
                search_at_console(*one.g);
                search_at_console(*many.g);
                const std::string label = std::string(c.name) + ", search " +
                                          std::to_string(search_no) + ", threads " +
                                          std::to_string(threads);
                EXPECT_EQ(one.out.str(), many.out.str()) << label;
                expect_same_record(*one.g, *many.g, label);
                for (int i = 1; i <= one.g->move_count[1]; ++i) {
                    const int16_t code = one.g->move_list[i][GameState::ply_base[1] + 1];
                    en_passant_seen = en_passant_seen || code == en_passant_capture;
                }
            }
            repetition_seen = repetition_seen ||
                              one.out.str().find("ALTERNATE MOVE USED!") != std::string::npos ||
                              one.out.str().find("DEPTH INCREASED!") != std::string::npos;
            discarded += many.g->discarded_node_count;
        }
    }
    EXPECT_TRUE(en_passant_seen);
    EXPECT_TRUE(repetition_seen);
    // Speculative searches did run, and some had to be done again.
    EXPECT_GT(discarded, 0u);
}

}  // namespace
}  // namespace chess
