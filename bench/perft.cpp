// Counts legal move sequences ("perft") with the program's own generation and
// legality test: every pseudo-legal move of the side to move is made with
// make_move at the next ply, and the refused ones are skipped.
//
// usage: perft DEPTH [PLACEMENT SIDE]
//   PLACEMENT  64 characters, rank 8 first, files A to H, letters KQRBNP.pnbrqk
//   SIDE       w or b
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "model/game_state.h"
#include "model/notation.h"
#include "model/start_position.h"
#include "movegen/generate.h"
#include "movegen/make_move.h"

namespace {

using chess::GameState;

// Moves of `side` (-1 White, +1 Black) at the current ply, counted to `depth`.
uint64_t perft(GameState& g, int depth, int side) {
    const int ply = g.ply;
    const int base = GameState::ply_base[ply];
    const int count = g.move_count[ply];
    uint64_t nodes = 0;
    for (int r = 1; r <= count; ++r) {
        const int16_t flags = g.move_list[r][base + 2];
        if (GameState::side_sign[flags / 1000] != side) continue;
        // The castling flags that take_back does not restore.
        int16_t castle_moved[7];
        for (int i = 0; i < 7; ++i) castle_moved[i] = g.castle_moved[i];
        g.ply = static_cast<int16_t>(ply);
        g.move_index = static_cast<int16_t>(r);
        chess::make_move(g);
        if (g.in_check == 1) continue;
        if (depth == 1) {
            ++nodes;
        } else {
            g.ply = static_cast<int16_t>(ply + 1);
            nodes += perft(g, depth - 1, -side);
            g.ply = static_cast<int16_t>(ply);
        }
        g.last_move = g.move_list[r][base + 1];
        g.last_flags = flags;
        chess::take_back(g);
        for (int i = 0; i < 7; ++i) g.castle_moved[i] = castle_moved[i];
    }
    return nodes;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 && argc != 4) {
        std::fprintf(stderr, "usage: perft DEPTH [PLACEMENT SIDE]\n");
        return 2;
    }
    const int depth = std::atoi(argv[1]);
    if (depth < 1 || depth > 9) {
        std::fprintf(stderr, "perft: DEPTH must be 1 to 9\n");
        return 2;
    }
    auto g = std::make_unique<GameState>();
    chess::load_start_position(*g);
    int side = -1;
    if (argc == 4) {
        const std::string side_text = argv[3];
        if (!chess::set_placement(*g, argv[2])) {
            std::fprintf(stderr, "perft: a placement is 64 of the letters KQRBNP.pnbrqk\n");
            return 2;
        }
        if (side_text != "w" && side_text != "b") {
            std::fprintf(stderr, "perft: SIDE must be w or b\n");
            return 2;
        }
        side = side_text == "w" ? -1 : 1;
    }
    for (int d = 1; d <= depth; ++d) {
        g->ply = 1;
        chess::generate_moves(*g);
        const auto start = std::chrono::steady_clock::now();
        g->node_count = 0;
        const uint64_t nodes = perft(*g, d, side);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("perft %d %llu %.3f\n", d, static_cast<unsigned long long>(nodes), seconds);
        std::fprintf(stderr, "  make_move calls %llu, %.0f per second\n",
                     static_cast<unsigned long long>(g->node_count),
                     seconds > 0 ? static_cast<double>(g->node_count) / seconds : 0.0);
        std::fflush(stdout);
    }
    return 0;
}
