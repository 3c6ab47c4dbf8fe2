// The fixed positions the engine is measured on: `searchbench` searches all
// nineteen, and the engine tests pin the search results of the first sixteen
// at depths 2 to 4. Both set a position up the same way, with
// set_up_bench_position.
#pragma once

#include <cstdint>

#include "engine/search_depth.h"
#include "model/game_state.h"
#include "model/notation.h"
#include "model/start_position.h"
#include "movegen/castling_rights.h"

namespace chess {

struct BenchPosition {
    const char* placement;  // 64 letters, rank 8 first, files A..H
    char side;              // 'w' or 'b': the side searched for
    int16_t move_number;
    const char* what;
};

// clang-format off
inline constexpr BenchPosition bench_positions[] = {
    {"rnbqkbnrpppppppp................................PPPPPPPPRNBQKBNR", 'w', 1, "initial position"},
    {"rnbqkbnrpppppppp....................P...........PPPP.PPPRNBQKBNR", 'b', 1, "after E2E4"},
    {"r.bqkbnrpppp.ppp..n.........p.......P........N..PPPP.PPPRNBQKB.R", 'w', 3, "open game, exchange step off"},
    {"r.bqkbnrpppp.ppp..n.........p.......P........N..PPPP.PPPRNBQKB.R", 'w', 4, "open game, exchange step on"},
    {"r.bqk.nrpppp.ppp..n.......b.p.....B.P........N..PPPP.PPPRNBQK..R", 'w', 4, "castling available"},
    {"r..q.rk.ppp..ppp..np.n....b.p.B...B.P.b...NP.N..PPP..PPPR..Q.RK.", 'w', 8, "middle game, pins"},
    {"r.b..rk.pp...ppp..n.pn..q.bp......P.....P.N.PN...PQ..PPPR.B.KB.R", 'w', 9, "middle game, captures"},
    {"............................k...........................R...K...", 'w', 40, "rook against lone king"},
    {"..................k........................................QK...", 'w', 50, "queen against lone king"},
    {".............pk.......p............K..........P......P..........", 'w', 35, "pawn ending"},
    {"......k......ppp.....................................PPPR.....K.", 'w', 20, "White mates in one"},
    {"r.....k......ppp.....................................PPP......K.", 'b', 20, "Black mates in one"},
    {"k........................Q.....................................K", 'w', 30, "stalemate trap"},
    {"........P......k......................................p.K.......", 'w', 45, "promotion race"},
    {".......k......Q.......K.........................................", 'b', 60, "side to move is mated"},
    {".......k.....Q........K.........................................", 'b', 60, "side to move is stalemated"},
    // More work for the timing.
    {"r..q.rk.pp..bppp..n.pn.....p......PP.....PNBPN..P....PPPR..Q.RK.", 'b', 10, "queen's-pawn middle game"},
    {"......k..r...pp..p..p...p.......P.......R....P.P....P.P.......K.", 'w', 34, "rook ending, late-endgame rook terms"},
    {"....k...P.......................pP.......p..p..........p....K...", 'w', 41, "pawn race, promotions for both sides"},
};
// clang-format on

// The positions whose search results the engine tests pin.
inline constexpr int pinned_bench_positions = 16;

// A fresh record for a search on `pos` at `depth`, as a game would have it:
// the book off, the placement on the board, its move number, its side as the
// side searched for, the material totals, depth schedule and castling flags
// a board display would leave, then `depth`. The console is kept. False, with
// the placement not set, for a malformed placement.
inline bool set_up_bench_position(GameState& g, const BenchPosition& pos, int depth) {
    load_start_position(g);
    if (!set_placement(g, pos.placement)) return false;
    g.move_number = pos.move_number;
    g.search_side = pos.side == 'w' ? GameState::white_side : GameState::black_side;
    g.use_book = 0;
    refresh_material_and_depth(g);
    correct_castling_flags(g);
    g.search_depth = static_cast<int16_t>(depth);
    g.node_count = 0;
    g.eval_count = 0;
    return true;
}

}  // namespace chess
