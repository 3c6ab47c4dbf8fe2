// searchbench DEPTH [THREADS [POSITION]]: runs the computer's search at a fixed depth on
// a fixed set of positions and prints, per position, the chosen move, the
// runner-up, the score of the chosen row and the work done, then the total
// node count (the engine's signature at that depth) and the speed.
//
// THREADS (default 1) is the number of threads of the search. The node and
// evaluation counts are those of the searches whose results were used, the
// same for every thread count; with more than one thread each line also gives
// the nodes and evaluations of speculative searches that were thrown away.
//
// searchbench DEPTH THREADS N: the same for position N (1 to 19) alone, ending
// with "only N NODES SPEED" instead of the signature.
//
// Each position starts from a fresh game state set up as in a game
// (set_up_bench_position, bench/bench_positions.h); the search's console
// output is discarded.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "bench/bench_positions.h"
#include "engine/engine.h"
#include "model/game_state.h"
#include "model/notation.h"

namespace {

std::string text_of(int16_t code) { return code == 0 ? "----" : chess::move_to_text(code); }

}  // namespace

int main(int argc, char** argv) {
    const int depth = argc >= 2 ? std::atoi(argv[1]) : 0;
    constexpr int position_count =
        static_cast<int>(sizeof chess::bench_positions / sizeof chess::bench_positions[0]);
    const int threads = argc >= 3 ? std::atoi(argv[2]) : 1;
    const int only = argc == 4 ? std::atoi(argv[3]) : 0;
    if (argc > 4 || depth < 2 || depth > 8 || threads < 1 || threads > 64 || only < 0 ||
        only > position_count || (argc == 4 && only == 0)) {
        std::fprintf(stderr,
                     "usage: searchbench DEPTH [THREADS [POSITION]]   (DEPTH 2 to 8, THREADS 1 to "
                     "64, POSITION 1 to %d)\n",
                     position_count);
        return 2;
    }

    uint64_t total_nodes = 0;
    double total_seconds = 0.0;
    int number = 0;
    for (const chess::BenchPosition& pos : chess::bench_positions) {
        ++number;
        if (only != 0 && number != only) continue;
        auto game = std::make_unique<chess::GameState>();
        chess::GameState& g = *game;
        // The search prints nothing.
        if (!chess::set_up_bench_position(g, pos, depth)) {
            std::fprintf(stderr, "bad placement %s\n", pos.placement);
            return 1;
        }
        chess::SearchLimits limits;
        limits.threads = threads;
        chess::SearchObserver quiet;

        const auto start = std::chrono::steady_clock::now();
        chess::think(g, limits, quiet);
        const auto stop = std::chrono::steady_clock::now();
        const double seconds = std::chrono::duration<double>(stop - start).count();

        const int score = g.move_list[g.chosen_index][chess::GameState::ply_base[1] + 3];
        std::printf("position %s %c %d best %s alt %s score %d nodes %llu evals %llu seconds %.3f",
                    pos.placement, pos.side, pos.move_number, text_of(g.move_code).c_str(),
                    text_of(g.alternate_move).c_str(), score,
                    static_cast<unsigned long long>(g.node_count),
                    static_cast<unsigned long long>(g.eval_count), seconds);
        if (threads > 1) {
            std::printf(" discarded %llu %llu",
                        static_cast<unsigned long long>(g.discarded_node_count),
                        static_cast<unsigned long long>(g.discarded_eval_count));
        }
        std::printf("\n");
        total_nodes += g.node_count;
        total_seconds += seconds;
    }
    const double per_second = total_seconds > 0.0 ? total_nodes / total_seconds : 0.0;
    if (only != 0) {
        std::printf("only %d %llu %.0f\n", only, static_cast<unsigned long long>(total_nodes),
                    per_second);
        return 0;
    }
    std::printf("signature %d %llu %.0f\n", depth, static_cast<unsigned long long>(total_nodes),
                per_second);
    return 0;
}
