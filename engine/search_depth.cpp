#include "engine/search_depth.h"

#include <cstdlib>

namespace chess {

namespace {

void count_material(GameState& g) {
    g.piece_total = 0;
    g.white_total = 0;
    g.black_total = 0;
    for (int y = 1; y <= 8; ++y) {
        for (int x = 1; x <= 8; ++x) {
            const int16_t code = g.board[x * 10 + y];
            g.piece_total = static_cast<int16_t>(g.piece_total + std::abs(code));
            if (code < 0) {
                g.white_total = static_cast<int16_t>(g.white_total + code);
            } else {
                g.black_total = static_cast<int16_t>(g.black_total + code);
            }
        }
    }
}

void recompute_depth(GameState& g) {
    if (g.hold_depth == 1) {
        // The last search raised the depth for this one search.
        g.hold_depth = 0;
        return;
    }
    g.search_depth = g.base_depth;
    if (g.piece_total < GameState::depth_step1_total) g.search_depth = g.base_depth + 1;
    if (g.piece_total < GameState::depth_step1_total - 4) g.threat_divisor = 50;
    if (g.piece_total < GameState::depth_step2_total) g.search_depth = g.base_depth + 2;
    if (g.search_depth > 8) g.search_depth = 8;
}

}  // namespace

void refresh_material_and_depth(GameState& g) {
    count_material(g);
    recompute_depth(g);
}

}  // namespace chess
