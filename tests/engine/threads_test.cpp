// The search on several threads: the same output and the same record as on
// one thread, search after search.
#include <gtest/gtest.h>

#include <cstddef>
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

template <typename T>
bool same(const T& a, const T& b) {
    return a == b;
}
template <typename T, std::size_t N>
bool same(const T (&a)[N], const T (&b)[N]) {
    for (std::size_t i = 0; i < N; ++i) {
        if (!same(a[i], b[i])) return false;
    }
    return true;
}

#define EXPECT_SAME_FIELD(field) EXPECT_TRUE(same(a.field, b.field)) << #field << " " << label

// Every field the search writes or later steps read.
void expect_same_record(const GameState& a, const GameState& b, const std::string& label) {
    EXPECT_SAME_FIELD(board);
    EXPECT_SAME_FIELD(castle_moved);
    EXPECT_SAME_FIELD(castle_attacked);
    EXPECT_SAME_FIELD(white_king_moved);
    EXPECT_SAME_FIELD(black_king_moved);
    EXPECT_SAME_FIELD(saved_castle_moved);
    EXPECT_SAME_FIELD(saved_castle_attacked);
    EXPECT_SAME_FIELD(game_over);
    EXPECT_SAME_FIELD(move_list);
    EXPECT_SAME_FIELD(move_count);
    EXPECT_SAME_FIELD(white_move_count);
    EXPECT_SAME_FIELD(black_move_count);
    EXPECT_SAME_FIELD(capture_count);
    EXPECT_SAME_FIELD(white_king_attack);
    EXPECT_SAME_FIELD(black_king_attack);
    EXPECT_SAME_FIELD(ply);
    EXPECT_SAME_FIELD(move_index);
    EXPECT_SAME_FIELD(chosen_index);
    EXPECT_SAME_FIELD(move_code);
    EXPECT_SAME_FIELD(alternate_move);
    EXPECT_SAME_FIELD(move_word);
    EXPECT_SAME_FIELD(move_text);
    EXPECT_SAME_FIELD(last_move);
    EXPECT_SAME_FIELD(last_flags);
    EXPECT_SAME_FIELD(last_to_row);
    EXPECT_SAME_FIELD(in_check);
    EXPECT_SAME_FIELD(white_king_sq);
    EXPECT_SAME_FIELD(black_king_sq);
    EXPECT_SAME_FIELD(search_depth);
    EXPECT_SAME_FIELD(hold_depth);
    EXPECT_SAME_FIELD(choice_history);
    EXPECT_SAME_FIELD(alpha);
    EXPECT_SAME_FIELD(beta);
    EXPECT_SAME_FIELD(cutoff);
    EXPECT_SAME_FIELD(board_copy);
    EXPECT_SAME_FIELD(current_row);
    EXPECT_SAME_FIELD(parent_row);
    EXPECT_SAME_FIELD(node_sign);
    EXPECT_SAME_FIELD(leaf_kind);
    EXPECT_SAME_FIELD(wrong_side);
    EXPECT_SAME_FIELD(ply_row);
    EXPECT_SAME_FIELD(root_row);
    EXPECT_SAME_FIELD(last_legal_root);
    EXPECT_SAME_FIELD(last_legal_reply);
    EXPECT_SAME_FIELD(best_score);
    EXPECT_SAME_FIELD(runner_up_row);
    EXPECT_SAME_FIELD(exclude_root);
    EXPECT_SAME_FIELD(score_gap);
    EXPECT_SAME_FIELD(eval_score);
    EXPECT_SAME_FIELD(threat_sum);
    EXPECT_SAME_FIELD(pawn_tally);
    EXPECT_SAME_FIELD(white_bishops);
    EXPECT_SAME_FIELD(black_bishops);
    EXPECT_SAME_FIELD(white_king_x);
    EXPECT_SAME_FIELD(white_king_y);
    EXPECT_SAME_FIELD(black_king_x);
    EXPECT_SAME_FIELD(black_king_y);
    EXPECT_SAME_FIELD(exchange_square);
    EXPECT_SAME_FIELD(exchange_sign);
    EXPECT_SAME_FIELD(node_count);
    EXPECT_SAME_FIELD(eval_count);
    EXPECT_SAME_FIELD(book_reply_pending);
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
