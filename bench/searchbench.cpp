// searchbench DEPTH: runs the computer's search at a fixed depth on a fixed
// set of positions and prints, per position, the chosen move, the runner-up,
// the score of the chosen row and the work done, then the total node count
// (the engine's signature at that depth) and the speed.
//
// Each position starts from a fresh game state with the book off: the
// placement on the board, its move number, the side to move as the side
// searched for, one board display with its output discarded (so the totals,
// castling flags and threat divisor are as in a game), then the depth. The
// search's own console output is discarded too.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "console/board_display.h"
#include "engine/move_choice.h"
#include "model/game_state.h"
#include "model/notation.h"
#include "model/start_position.h"

namespace {

struct BenchPosition {
    const char* placement;  // 64 letters, rank 8 first, files A..H
    char side;              // 'w' or 'b'
    int move_number;
};

constexpr BenchPosition positions[] = {
    // The sixteen positions of the reference table.
    {"rnbqkbnrpppppppp................................PPPPPPPPRNBQKBNR", 'w', 1},
    {"rnbqkbnrpppppppp....................P...........PPPP.PPPRNBQKBNR", 'b', 1},
    {"r.bqkbnrpppp.ppp..n.........p.......P........N..PPPP.PPPRNBQKB.R", 'w', 3},
    {"r.bqkbnrpppp.ppp..n.........p.......P........N..PPPP.PPPRNBQKB.R", 'w', 4},
    {"r.bqk.nrpppp.ppp..n.......b.p.....B.P........N..PPPP.PPPRNBQK..R", 'w', 4},
    {"r..q.rk.ppp..ppp..np.n....b.p.B...B.P.b...NP.N..PPP..PPPR..Q.RK.", 'w', 8},
    {"r.b..rk.pp...ppp..n.pn..q.bp......P.....P.N.PN...PQ..PPPR.B.KB.R", 'w', 9},
    {"............................k...........................R...K...", 'w', 40},
    {"..................k........................................QK...", 'w', 50},
    {".............pk.......p............K..........P......P..........", 'w', 35},
    {"......k......ppp.....................................PPPR.....K.", 'w', 20},
    {"r.....k......ppp.....................................PPP......K.", 'b', 20},
    {"k........................Q.....................................K", 'w', 30},
    {"........P......k......................................p.K.......", 'w', 45},
    {".......k......Q.......K.........................................", 'b', 60},
    {".......k.....Q........K.........................................", 'b', 60},
    // More work for the timing: a queen's-pawn middle game with Black to move, a
    // rook ending (the late-endgame rook terms) and a pawn race with
    // promotions for both sides.
    {"r..q.rk.pp..bppp..n.pn.....p......PP.....PNBPN..P....PPPR..Q.RK.", 'b', 10},
    {"......k..r...pp..p..p...p.......P.......R....P.P....P.P.......K.", 'w', 34},
    {"....k...P.......................pP.......p..p..........p....K...", 'w', 41},
};

std::string text_of(int16_t code) { return code == 0 ? "----" : chess::move_to_text(code); }

}  // namespace

int main(int argc, char** argv) {
    const int depth = argc == 2 ? std::atoi(argv[1]) : 0;
    if (depth < 2 || depth > 8) {
        std::fprintf(stderr, "usage: searchbench DEPTH   (DEPTH 2 to 8)\n");
        return 2;
    }

    uint64_t total_nodes = 0;
    double total_seconds = 0.0;
    for (const BenchPosition& pos : positions) {
        auto game = std::make_unique<chess::GameState>();
        chess::GameState& g = *game;
        chess::load_start_position(g);
        g.console.out = nullptr;  // the display and the search print nothing
        if (!chess::set_placement(g, pos.placement)) {
            std::fprintf(stderr, "bad placement %s\n", pos.placement);
            return 1;
        }
        g.move_number = static_cast<int16_t>(pos.move_number);
        g.search_side =
            pos.side == 'w' ? chess::GameState::white_side : chess::GameState::black_side;
        g.use_book = 0;
        chess::show_board(g);
        g.search_depth = static_cast<int16_t>(depth);
        g.node_count = 0;
        g.eval_count = 0;

        const auto start = std::chrono::steady_clock::now();
        chess::search(g);
        const auto stop = std::chrono::steady_clock::now();
        const double seconds = std::chrono::duration<double>(stop - start).count();

        const int score = g.move_list[g.chosen_index][chess::GameState::ply_base[1] + 3];
        std::printf(
            "position %s %c %d best %s alt %s score %d nodes %llu evals %llu seconds %.3f\n",
            pos.placement, pos.side, pos.move_number, text_of(g.move_code).c_str(),
            text_of(g.alternate_move).c_str(), score, static_cast<unsigned long long>(g.node_count),
            static_cast<unsigned long long>(g.eval_count), seconds);
        total_nodes += g.node_count;
        total_seconds += seconds;
    }
    const double per_second = total_seconds > 0.0 ? total_nodes / total_seconds : 0.0;
    std::printf("signature %d %llu %.0f\n", depth, static_cast<unsigned long long>(total_nodes),
                per_second);
    return 0;
}
