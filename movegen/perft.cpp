#include "movegen/perft.h"

#include "movegen/generate.h"
#include "movegen/make_move.h"

namespace chess {

namespace {

uint64_t count_sequences(GameState& g, int depth, int side) {
    const int ply = g.ply;
    const int base = GameState::ply_base[ply];
    const int count = g.move_count[ply];
    uint64_t nodes = 0;
    // The last moves are counted from the square sets where that decides.
    const Armies a = depth == 1 ? armies_of(g.board) : Armies{};
    for (int r = 1; r <= count; ++r) {
        const int16_t flags = g.move_list[r][base + 2];
        if (GameState::side_sign[flags / 1000] != side) continue;
        if (depth == 1) {
            const int refused = refused_unmade(g, a, ply, r);
            if (refused == 0) ++nodes;
            if (refused >= 0) continue;
        }
        // The castling flags that taking a move back does not restore, also
        // when make_move refuses the move and takes it back itself.
        int16_t castle_moved[7];
        for (int i = 0; i < 7; ++i) castle_moved[i] = g.castle_moved[i];
        g.ply = static_cast<int16_t>(ply);
        g.move_index = static_cast<int16_t>(r);
        make_move(g);
        if (g.in_check == 1) {
            for (int i = 0; i < 7; ++i) g.castle_moved[i] = castle_moved[i];
            continue;
        }
        if (depth == 1) {
            ++nodes;
        } else {
            g.ply = static_cast<int16_t>(ply + 1);
            nodes += count_sequences(g, depth - 1, -side);
            g.ply = static_cast<int16_t>(ply);
        }
        g.last_move = g.move_list[r][base + 1];
        g.last_flags = flags;
        take_back(g);
        for (int i = 0; i < 7; ++i) g.castle_moved[i] = castle_moved[i];
    }
    return nodes;
}

}  // namespace

uint64_t perft(GameState& g, int depth, int side) {
    // The replies to the deepest moves are made only for the legality test:
    // their rows are written once, at the end.
    defer_rows_at(g, g.ply + depth);
    const uint64_t nodes = count_sequences(g, depth, side);
    write_deferred_rows(g);
    return nodes;
}

}  // namespace chess
