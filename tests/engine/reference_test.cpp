// The search on sixteen fixed positions at depths 2, 3 and 4 against the
// results of an independent model of the engine (its reference table, copied
// here): the chosen move, the runner-up, the score of the chosen row and the
// numbers of moves made and positions evaluated. Equal counts mean the same
// tree was searched in the same order.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "console/board_display.h"
#include "engine/move_choice.h"
#include "model/notation.h"
#include "support/session.h"

namespace chess {
namespace {

struct Reference {
    const char* placement;  // book-key order: rank 8 first, files A..H
    char side;
    int16_t move_number;
    int16_t depth;
    const char* best;  // "----" for a move code of 0
    const char* alternate;
    int score;  // of the chosen row of the ply-1 list
    uint64_t nodes;
    uint64_t evaluations;
    const char* what;
};

// clang-format off
const Reference reference[] = {
    {"rnbqkbnrpppppppp................................PPPPPPPPRNBQKBNR", 'w', 1, 2, "G1F3", "B1C3", 20, 115, 95, "initial position"},
    {"rnbqkbnrpppppppp................................PPPPPPPPRNBQKBNR", 'w', 1, 3, "B1C3", "A2A3", 72, 1169, 1058, "initial position"},
    {"rnbqkbnrpppppppp................................PPPPPPPPRNBQKBNR", 'w', 1, 4, "B1C3", "A2A4", 22, 7216, 6064, "initial position"},
    {"rnbqkbnrpppppppp....................P...........PPPP.PPPRNBQKBNR", 'b', 1, 2, "G8F6", "B8C6", -70, 172, 152, "after E2E4"},
    {"rnbqkbnrpppppppp....................P...........PPPP.PPPRNBQKBNR", 'b', 1, 3, "G8F6", "D7D5", 25, 1274, 1086, "after E2E4"},
    {"rnbqkbnrpppppppp....................P...........PPPP.PPPRNBQKBNR", 'b', 1, 4, "B8C6", "A7A5", -110, 17263, 15437, "after E2E4"},
    {"r.bqkbnrpppp.ppp..n.........p.......P........N..PPPP.PPPRNBQKB.R", 'w', 3, 2, "B1C3", "A2A4", 31, 278, 251, "open game, exchange step off"},
    {"r.bqkbnrpppp.ppp..n.........p.......P........N..PPPP.PPPRNBQKB.R", 'w', 3, 3, "F1B5", "B1C3", 175, 2481, 2198, "open game, exchange step off"},
    {"r.bqkbnrpppp.ppp..n.........p.......P........N..PPPP.PPPRNBQKB.R", 'w', 3, 4, "F1B5", "B1C3", -47, 27973, 24579, "open game, exchange step off"},
    {"r.bqkbnrpppp.ppp..n.........p.......P........N..PPPP.PPPRNBQKB.R", 'w', 4, 2, "B1C3", "A2A4", 31, 278, 251, "open game, exchange step on"},
    {"r.bqkbnrpppp.ppp..n.........p.......P........N..PPPP.PPPRNBQKB.R", 'w', 4, 3, "F1B5", "B1C3", 211, 2416, 2102, "open game, exchange step on"},
    {"r.bqkbnrpppp.ppp..n.........p.......P........N..PPPP.PPPRNBQKB.R", 'w', 4, 4, "F1B5", "D2D3", -68, 29482, 26048, "open game, exchange step on"},
    {"r.bqk.nrpppp.ppp..n.......b.p.....B.P........N..PPPP.PPPRNBQK..R", 'w', 4, 2, "B1C3", "A2A3", -12, 206, 141, "castling available"},
    {"r.bqk.nrpppp.ppp..n.......b.p.....B.P........N..PPPP.PPPRNBQK..R", 'w', 4, 3, "C4B5", "C4D5", 198, 3541, 2334, "castling available"},
    {"r.bqk.nrpppp.ppp..n.......b.p.....B.P........N..PPPP.PPPRNBQK..R", 'w', 4, 4, "D2D4", "B1C3", -51, 44173, 35897, "castling available"},
    {"r..q.rk.ppp..ppp..np.n....b.p.B...B.P.b...NP.N..PPP..PPPR..Q.RK.", 'w', 8, 2, "G5F6", "C4F7", -8, 162, 83, "middle game, pins"},
    {"r..q.rk.ppp..ppp..np.n....b.p.B...B.P.b...NP.N..PPP..PPPR..Q.RK.", 'w', 8, 3, "D3D4", "G5F6", 170, 3620, 2105, "middle game, pins"},
    {"r..q.rk.ppp..ppp..np.n....b.p.B...B.P.b...NP.N..PPP..PPPR..Q.RK.", 'w', 8, 4, "C3B5", "A1B1", -76, 16691, 11574, "middle game, pins"},
    {"r.b..rk.pp...ppp..n.pn..q.bp......P.....P.N.PN...PQ..PPPR.B.KB.R", 'w', 9, 2, "C4D5", "----", -194, 125, 77, "middle game, captures"},
    {"r.b..rk.pp...ppp..n.pn..q.bp......P.....P.N.PN...PQ..PPPR.B.KB.R", 'w', 9, 3, "B2B4", "A1B1", 169, 5434, 3551, "middle game, captures"},
    {"r.b..rk.pp...ppp..n.pn..q.bp......P.....P.N.PN...PQ..PPPR.B.KB.R", 'w', 9, 4, "C2A4", "B2B4", -179, 23862, 16869, "middle game, captures"},
    {"............................k...........................R...K...", 'w', 40, 2, "E1D2", "E1E2", 854, 95, 70, "rook against lone king"},
    {"............................k...........................R...K...", 'w', 40, 3, "E1E2", "A1A5", 904, 945, 862, "rook against lone king"},
    {"............................k...........................R...K...", 'w', 40, 4, "A1A5", "A1A4", 890, 2938, 1809, "rook against lone king"},
    {"..................k........................................QK...", 'w', 50, 2, "E1D2", "E1E2", 1263, 90, 52, "queen against lone king"},
    {"..................k........................................QK...", 'w', 50, 3, "E1E2", "D1D4", 1393, 1193, 1108, "queen against lone king"},
    {"..................k........................................QK...", 'w', 50, 4, "E1E2", "D1D4", 1383, 4513, 2211, "queen against lone king"},
    {".............pk.......p............K..........P......P..........", 'w', 35, 2, "D4E5", "G3G4", 142, 86, 74, "pawn ending"},
    {".............pk.......p............K..........P......P..........", 'w', 35, 3, "D4E5", "G3G4", 150, 573, 450, "pawn ending"},
    {".............pk.......p............K..........P......P..........", 'w', 35, 4, "D4E5", "G3G4", 109, 2444, 1934, "pawn ending"},
    {"......k......ppp.....................................PPPR.....K.", 'w', 20, 2, "A1A8", "A1A7", 25000, 89, 61, "White mates in one"},
    {"......k......ppp.....................................PPPR.....K.", 'w', 20, 3, "A1A8", "----", 547, 535, 483, "White mates in one"},
    {"......k......ppp.....................................PPPR.....K.", 'w', 20, 4, "A1A8", "----", 522, 2727, 1799, "White mates in one"},
    {"r.....k......ppp.....................................PPP......K.", 'b', 20, 2, "A8A1", "A8A2", 25000, 89, 61, "Black mates in one"},
    {"r.....k......ppp.....................................PPP......K.", 'b', 20, 3, "A8A1", "----", 517, 561, 506, "Black mates in one"},
    {"r.....k......ppp.....................................PPP......K.", 'b', 20, 4, "A8A1", "----", 508, 2939, 1975, "Black mates in one"},
    {"k........................Q.....................................K", 'w', 30, 2, "B5B6", "B5C6", 25000, 61, 26, "stalemate trap"},
    {"k........................Q.....................................K", 'w', 30, 3, "H1G2", "H1G1", 1455, 706, 639, "stalemate trap"},
    {"k........................Q.....................................K", 'w', 30, 4, "H1G2", "H1G1", 1505, 2038, 903, "stalemate trap"},
    {"........P......k......................................p.K.......", 'w', 45, 2, "A7A8", "----", -43, 13, 7, "promotion race"},
    {"........P......k......................................p.K.......", 'w', 45, 3, "A7A8", "----", 16, 60, 18, "promotion race"},
    {"........P......k......................................p.K.......", 'w', 45, 4, "A7A8", "----", -24, 246, 171, "promotion race"},
    {".......k......Q.......K.........................................", 'b', 60, 2, "----", "----", 0, 3, 0, "side to move is mated"},
    {".......k......Q.......K.........................................", 'b', 60, 3, "----", "----", 0, 3, 0, "side to move is mated"},
    {".......k......Q.......K.........................................", 'b', 60, 4, "----", "----", 0, 3, 0, "side to move is mated"},
    {".......k.....Q........K.........................................", 'b', 60, 2, "----", "----", 0, 3, 0, "side to move is stalemated"},
    {".......k.....Q........K.........................................", 'b', 60, 3, "----", "----", 0, 3, 0, "side to move is stalemated"},
    {".......k.....Q........K.........................................", 'b', 60, 4, "----", "----", 0, 3, 0, "side to move is stalemated"},
};
// clang-format on

std::string text_of(int16_t code) { return code == 0 ? "----" : move_to_text(code); }

void check(const Reference& r) {
    auto g = testing::fresh_game();
    ASSERT_TRUE(testing::set_placement(*g, r.placement));
    g->move_number = r.move_number;
    g->search_side = r.side == 'w' ? GameState::white_side : GameState::black_side;
    show_board(*g);  // totals, castling flags and threat divisor as in a game
    g->search_depth = r.depth;
    g->node_count = 0;
    g->eval_count = 0;
    search(*g);
    const int score = g->move_list[g->chosen_index][GameState::ply_base[1] + 3];
    EXPECT_EQ(text_of(g->move_code), r.best) << r.what;
    EXPECT_EQ(text_of(g->alternate_move), r.alternate) << r.what;
    EXPECT_EQ(score, r.score) << r.what;
    EXPECT_EQ(g->node_count, r.nodes) << r.what;
    EXPECT_EQ(g->eval_count, r.evaluations) << r.what;
}

void check_depth(int16_t depth) {
    int checked = 0;
    for (const Reference& r : reference) {
        if (r.depth != depth) continue;
        SCOPED_TRACE(std::string(r.what) + " at depth " + std::to_string(depth));
        check(r);
        ++checked;
    }
    EXPECT_EQ(checked, 16);
}

TEST(SearchReference, DepthTwo) { check_depth(2); }
TEST(SearchReference, DepthThree) { check_depth(3); }
TEST(SearchReference, DepthFour) { check_depth(4); }

}  // namespace
}  // namespace chess
