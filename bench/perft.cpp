// Counts legal move sequences ("perft") with the program's own generation and
// legality test (movegen/perft.h), one line per depth from 1 to DEPTH.
//
// usage: perft DEPTH [PLACEMENT SIDE]
//   PLACEMENT  64 characters, rank 8 first, files A to H, letters KQRBNP.pnbrqk
//   SIDE       w or b
#include "movegen/perft.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "model/game_state.h"
#include "model/notation.h"
#include "model/start_position.h"
#include "movegen/generate.h"

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
    auto g = std::make_unique<chess::GameState>();
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
        const uint64_t nodes = chess::perft(*g, d, side);
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
