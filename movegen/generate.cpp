// Choosing the pass that builds a list, and the list's counters and records.
// The passes themselves: mailbox_pass.cpp, sweep_pass.cpp, counting_pass.cpp;
// the rows a counting pass leaves owed: owed_rows.cpp.
#include "movegen/generate.h"

#include <cstring>

#include "model/game_state.h"
#include "movegen/pass.h"

namespace chess {

void passes::run_pass(Pass& s, bool counting) {
    if (counting) {
        if (!run_counting_pass(s)) run_mailbox_pass<true>(s);
    } else if (!run_sweep_pass(s)) {
        run_mailbox_pass<false>(s);
    }
}

void generate_moves(GameState& g) {
    using passes::Pass;
    const int ply = g.ply;
    Pass s{g.board, passes::list_rows(g, ply), g.castle_moved, g.white_king_moved,
           g.black_king_moved};
    const bool counting = ply == g.lean_ply && ply != 0;
    s.sets = &g.pass_sets;
    if (g.square_sets_ready != 0) s.square_sets = g.square_sets;
    passes::run_pass(s, counting);
    g.pass_sets_ready = s.sets_left ? 1 : 0;
    if (s.white_king_sq != 0) g.white_king_sq = static_cast<int16_t>(s.white_king_sq);
    if (s.black_king_sq != 0) g.black_king_sq = static_cast<int16_t>(s.black_king_sq);
    // Flag by flag: the pass stored them one by one, and a wider load of
    // several fresh stores would wait for all of them to reach the cache.
    const volatile int16_t* attacked = s.records.castle_attacked;
    for (int i = 1; i <= 6; ++i) g.castle_attacked[i] = attacked[i];
    g.move_count[ply] = static_cast<int16_t>(s.count);
    g.white_move_count[ply] = static_cast<int16_t>(s.white_count);
    g.black_move_count[ply] = static_cast<int16_t>(s.black_count);
    g.capture_count[ply] = static_cast<int16_t>(s.captures);
    g.white_king_attack[ply] = static_cast<int16_t>(s.records.white_king_attack);
    g.black_king_attack[ply] = static_cast<int16_t>(s.records.black_king_attack);
    if (counting) {
        ++g.lean_passes;
        passes::note_owed_rows(g, s.count, s.captures);
    }
}

void find_move(GameState& g) {
    const int column = GameState::ply_base[g.ply] + 1;
    g.move_index = 0;
    for (int r = 1; r <= g.move_count[g.ply]; ++r) {
        if (g.move_list[r][column] == g.move_code) {
            g.move_index = static_cast<int16_t>(r);
            return;
        }
    }
}

}  // namespace chess
