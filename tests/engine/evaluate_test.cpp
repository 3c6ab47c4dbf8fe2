// The static evaluation on small hand-built positions. Every expected value
// is worked out by hand from the piece values and the ten tables (white reads
// a table at row Y, black at row 9 - Y; the score is positive when Black
// stands better).
#include "engine/evaluate.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <initializer_list>
#include <random>
#include <string>
#include <utility>

#include "engine/search_plies.h"
#include "model/board.h"
#include "movegen/generate.h"
#include "support/session.h"

namespace chess {
namespace {

using testing::fresh_game;
using testing::set_placement;

// A placement in book-key order (rank 8 first, files A..H) from a few pieces
// given as square name and letter.
std::string placement(std::initializer_list<std::pair<const char*, char>> pieces) {
    std::string p(64, '.');
    for (const auto& [square, letter] : pieces) {
        const int file = square[0] - 'A';
        const int rank = square[1] - '0';
        p[(8 - rank) * 8 + file] = letter;
    }
    return p;
}

// Ranks reversed and colours exchanged, files kept.
std::string mirror(const std::string& p) {
    std::string m(64, '.');
    for (int r = 0; r < 8; ++r) {
        for (int f = 0; f < 8; ++f) {
            const char c = p[r * 8 + f];
            m[(7 - r) * 8 + f] = std::isupper(static_cast<unsigned char>(c))
                                     ? static_cast<char>(std::tolower(c))
                                     : static_cast<char>(std::toupper(c));
        }
    }
    return m;
}

int16_t code_of(const char* from, const char* to) {
    const int f = (from[0] - 'A' + 1) * 10 + (9 - (from[1] - '0'));
    const int t = (to[0] - 'A' + 1) * 10 + (9 - (to[1] - '0'));
    return static_cast<int16_t>(f * 100 + t);
}

// A record set up as the search leaves it when it evaluates a move at ply 1:
// no root-move terms (row 0 of the list is never written), the list counts
// of ply 5 empty so the mobility term is 0, and the phase flags given.
struct Position {
    std::unique_ptr<GameState> g = fresh_game();

    explicit Position(const std::string& p, int16_t side = GameState::black_side,
                      int16_t move_number = 1, int16_t endgame = 0, int16_t late_endgame = 0) {
        EXPECT_TRUE(set_placement(*g, p));
        g->search_side = side;
        g->move_number = move_number;
        g->endgame = endgame;
        g->late_endgame = late_endgame;
        g->ply = 1;
        g->current_row = 1;
        g->root_row = 0;
        g->node_sign = 1;
        g->search_depth = 5;
    }
    int16_t eval() { return evaluate(*g); }
};

int16_t eval_of(const std::string& p, int16_t endgame = 0, int16_t late_endgame = 0) {
    return Position(p, GameState::black_side, 1, endgame, late_endgame).eval();
}

// ---- Board scan --------------------------------------------------------

TEST(EvaluateBoardScan, MaterialAndTableValueOfEachPieceForEitherColour) {
    struct Case {
        const char* square;
        char letter;
        int expected;
    };
    const Case cases[] = {
        {"D4", 'P', -125},   // -100, alone on its file: row 5, table 20
        {"D5", 'p', 125},    // the same seen from black (row 9 - Y)
        {"B1", 'N', -280},   // -320, table -40
        {"B8", 'n', 280},    //
        {"F3", 'N', -331},   // the odd 11 of the knight table
        {"F6", 'n', 331},    // lies on the same file for black
        {"C4", 'B', -340},   // -330, table 10
        {"C5", 'b', 340},    //
        {"D1", 'R', -505},   // -500, table 5
        {"A7", 'r', 495},    // 500, table -5
        {"A4", 'Q', -900},   // row 5 file A is 0
        {"H4", 'q', 895},    // row 4 file H is -5
        {"H5", 'Q', -895},   //
        {"G1", 'K', -1830},  // -1800, table 30
        {"G8", 'k', 1830},   //
        {"E2", 'K', -1740},  // the -60 of the king table
        {"E7", 'k', 1740},   //
    };
    for (const Case& c : cases) {
        EXPECT_EQ(eval_of(placement({{c.square, c.letter}})), c.expected)
            << c.letter << " on " << c.square;
    }
}

TEST(EvaluateBoardScan, EndgameSwitchesPawnRookAndKingTables) {
    // Pawn end table, lone-pawn term doubled.
    EXPECT_EQ(eval_of(placement({{"B7", 'P'}}), 1), -364);  // -100 - 2*2 - 260
    EXPECT_EQ(eval_of(placement({{"G2", 'p'}}), 1), 352);   // 100 + 2*2 + 248
    // Rook end table: the white rook on A1 adds +14, the black rook on A8 -14.
    EXPECT_EQ(eval_of(placement({{"A1", 'R'}}), 1), -486);
    EXPECT_EQ(eval_of(placement({{"A8", 'r'}}), 1), 486);
    EXPECT_EQ(eval_of(placement({{"A1", 'r'}}), 1), 520);  // black's row 1: 20
    // King end table, doubled in the late endgame.
    EXPECT_EQ(eval_of(placement({{"D4", 'K'}}), 1, 0), -1840);
    EXPECT_EQ(eval_of(placement({{"D4", 'K'}}), 1, 1), -1880);
    // Knights, bishops and queens keep their one table.
    EXPECT_EQ(eval_of(placement({{"F3", 'N'}}), 1, 1), -331);
}

TEST(EvaluateBoardScan, MirrorImageGivesTheOppositeScore) {
    const std::string initial = "rnbqkbnrpppppppp................................PPPPPPPPRNBQKBNR";
    EXPECT_EQ(eval_of(initial), 0);
    const std::string positions[] = {
        "rnbqkbnrpppppppp....................P...........PPPP.PPPRNBQKBNR",
        "r..q.rk.ppp..ppp..np.n....b.p.B...B.P.b...NP.N..PPP..PPPR..Q.RK.",
        "r.b..rk.pp...ppp..n.pn..q.bp......P.....P.N.PN...PQ..PPPR.B.KB.R",
        ".............pk.......p............K..........P......P..........",
        "....k...P.......................pP.......p..p..........p....K...",
    };
    for (const std::string& p : positions) {
        for (int16_t endgame = 0; endgame <= 1; ++endgame) {
            EXPECT_EQ(eval_of(p, endgame) + eval_of(mirror(p), endgame), 0) << p;
        }
        // Without rooks the late endgame keeps the symmetry too.
        std::string no_rooks = p;
        std::replace(no_rooks.begin(), no_rooks.end(), 'r', '.');
        std::replace(no_rooks.begin(), no_rooks.end(), 'R', '.');
        EXPECT_EQ(eval_of(no_rooks, 1, 1) + eval_of(mirror(no_rooks), 1, 1), 0) << no_rooks;
    }
}

// The sum prepared for a search (pawn files counted from square sets) gives
// what the square walk gives: doubled, tripled and lone pawns of both
// colours, bishops and kings anywhere, with and without the endgame tables.
TEST(EvaluateBoardScan, PreparedTermsGiveTheSquareWalksScore) {
    std::mt19937 random(7);
    const std::string pieces = "KkQqRrBbNnPPPPpppp";
    for (int round = 0; round < 300; ++round) {
        std::string p(64, '.');
        const int count = 2 + static_cast<int>(random() % 24);
        for (int i = 0; i < count; ++i) {
            const char letter = pieces[random() % pieces.size()];
            const bool is_pawn = letter == 'P' || letter == 'p';
            // Pawns stay off the first and last ranks.
            const int square =
                is_pawn ? 8 + static_cast<int>(random() % 48) : static_cast<int>(random() % 64);
            p[square] = letter;
        }
        for (int16_t endgame = 0; endgame <= 1; ++endgame) {
            Position walk(p, GameState::black_side, 1, endgame);
            Position prepared(p, GameState::black_side, 1, endgame);
            prepare_board_terms(*prepared.g);
            EXPECT_EQ(prepared.eval(), walk.eval()) << p << " endgame " << endgame;
            EXPECT_EQ(prepared.g->pawn_tally, walk.g->pawn_tally) << p;
            EXPECT_EQ(prepared.g->white_bishops, walk.g->white_bishops) << p;
            EXPECT_EQ(prepared.g->black_king_x, walk.g->black_king_x) << p;
            EXPECT_EQ(prepared.g->white_king_y, walk.g->white_king_y) << p;
        }
    }
}

TEST(EvaluateBoardScan, LateEndgameRookTermRoundsTheWholeSumHalfToEven) {
    // -500 + 14/4 = -496.5, the even neighbour is -496.
    EXPECT_EQ(eval_of(placement({{"A1", 'R'}}), 1, 1), -496);
    EXPECT_EQ(eval_of(placement({{"A8", 'r'}}), 1, 1), 496);
    // The one allowed break of the mirror symmetry: the pawn on H2 is scanned
    // before the rook on H1 (-103, then -603 + 7.5 = -595.5 -> -596), while
    // in the mirror the rook on H8 comes first (492.5 -> 492, then + 103).
    const std::string p = placement({{"H2", 'P'}, {"H1", 'R'}});
    EXPECT_EQ(eval_of(p, 1, 1), -596);
    EXPECT_EQ(eval_of(mirror(p), 1, 1), 595);
}

TEST(EvaluateBoardScan, LonePawnBonusIsItsRowNumber) {
    // Alone on its start rank: 7 (-100 - 7 - 5).
    EXPECT_EQ(eval_of(placement({{"A2", 'P'}})), -112);
    EXPECT_EQ(eval_of(placement({{"H7", 'p'}})), 112);
    // 14 in the endgame (-100 - 14 - 20).
    EXPECT_EQ(eval_of(placement({{"A2", 'P'}}), 1), -134);
    // A pawn of the other colour on the file: no bonus for either.
    EXPECT_EQ(eval_of(placement({{"A2", 'P'}, {"A7", 'p'}})), 0);
    EXPECT_EQ(eval_of(placement({{"A2", 'P'}, {"H7", 'p'}})), 0);  // -112 + 112
}

TEST(EvaluateBoardScan, BishopPairNeedsExactlyTwoBishops) {
    // Each bishop on the first rank is -330 + 10.
    EXPECT_EQ(eval_of(placement({{"C1", 'B'}, {"F1", 'B'}})), -670);
    EXPECT_EQ(eval_of(placement({{"C8", 'b'}, {"F8", 'b'}})), 670);
    EXPECT_EQ(eval_of(placement({{"C1", 'B'}, {"D1", 'B'}, {"F1", 'B'}})), -960);
    EXPECT_EQ(eval_of(placement({{"C1", 'B'}, {"F1", 'B'}, {"C8", 'b'}, {"F8", 'b'}})), 0);
}

// ---- Opening terms ------------------------------------------------------

TEST(EvaluateOpeningTerms, QueenOrKingMoveAtTheRootCostsBeforeMoveFive) {
    const std::string initial = "rnbqkbnrpppppppp................................PPPPPPPPRNBQKBNR";
    struct Case {
        int16_t flags;  // flag word of the root move
        int16_t side;
        int16_t move_number;
        int expected;
    };
    const Case cases[] = {
        {1502, -1, 4, 50},   // white queen move, White searched for
        {1502, -1, 5, 0},    // from move 5 on: nothing
        {2502, 1, 4, -50},   // black queen move, Black searched for
        {1602, -1, 3, 50},   // king move
        {1402, -1, 3, 0},    // rook move: nothing
        {1608, -1, 4, 20},   // castling is a king move too: +50 - 30
        {1609, -1, 5, -30},  // castling gains 30 at any move number
        {2608, 1, 12, 30},
    };
    for (const Case& c : cases) {
        Position pos(initial, c.side, c.move_number);
        pos.g->move_list[1][GameState::ply_base[1] + 2] = c.flags;
        pos.g->root_row = 1;
        EXPECT_EQ(pos.eval(), c.expected) << c.flags << " at move " << c.move_number;
    }
}

// ---- Exchange step ------------------------------------------------------

// The position after a move: the list of ply 2 generated for it, as
// make_move leaves it, and `current_row` naming the row of ply 2 that holds
// `exchange` (a capture onto the exchange square).
struct AfterMove : Position {
    AfterMove(const std::string& p, int16_t side, int16_t move_number, int16_t exchange)
        : Position(p, side, move_number) {
        g->ply = 2;
        generate_moves(*g);
        g->ply = 1;
        g->current_row = 0;
        for (int r = 1; r <= g->move_count[2]; ++r) {
            if (g->move_list[r][GameState::ply_base[2] + 1] == exchange) g->current_row = r;
        }
        EXPECT_NE(g->current_row, 0);
    }
    // The score with the exchange step minus the score of the same position
    // with the step skipped (move 3).
    int exchange_part() {
        const int16_t with_step = eval();
        const int16_t saved = g->move_number;
        g->move_number = 3;
        const int16_t without = eval();
        g->move_number = saved;
        return with_step - without;
    }
};

// White rook D1 takes the black knight on D5, the pawn E6 retakes.
const std::string rook_takes_knight =
    placement({{"D1", 'R'}, {"H2", 'K'}, {"D5", 'n'}, {"E6", 'p'}, {"A8", 'k'}});

TEST(EvaluateExchange, CapturesOnTheSquareAddValueOverSixAndTheThreatSum) {
    AfterMove pos(rook_takes_knight, GameState::white_side, 4, code_of("D1", "D5"));
    const GameState before = *pos.g;
    // Pass 1 (White): 320/6 -> 53, threat 320/15 -> 21. Pass 2 (Black):
    // 53 - 500/6 -> -30, threat 21 - 500/15 -> -12. Pass 3: no capture,
    // -30 + -12/15 -> -31.
    EXPECT_EQ(pos.exchange_part(), -31);
    EXPECT_TRUE(std::equal(std::begin(before.board) + 11, std::begin(before.board) + 89,
                           std::begin(pos.g->board) + 11));
}

TEST(EvaluateExchange, ThinPositionDividesByFiveAndLateGameThreatByFifty) {
    AfterMove thin(rook_takes_knight, GameState::white_side, 4, code_of("D1", "D5"));
    thin.g->exchange_divisor = 5;
    EXPECT_EQ(thin.exchange_part(), -37);  // 64, 64 - 100, -36 - 0.8
    AfterMove late(rook_takes_knight, GameState::white_side, 4, code_of("D1", "D5"));
    late.g->threat_divisor = 50;
    EXPECT_EQ(late.exchange_part(), -30);  // threat 6, then -4; -30 - 0.08
}

TEST(EvaluateExchange, SkippedDuringTheFirstThreeMoves) {
    for (int16_t move = 1; move <= 3; ++move) {
        AfterMove pos(rook_takes_knight, GameState::white_side, move, code_of("D1", "D5"));
        const int count = pos.g->move_count[2];
        pos.g->move_count[2] = 0;  // a regeneration would rebuild it
        const int16_t score = pos.eval();
        EXPECT_EQ(pos.g->move_count[2], 0) << "move " << move;
        pos.g->move_count[2] = static_cast<int16_t>(count);
        pos.g->move_number = 4;
        EXPECT_EQ(pos.eval() - score, -31) << "move " << move;
    }
}

TEST(EvaluateExchange, NothingWhenTheMoverHasNoCapture) {
    AfterMove pos(rook_takes_knight, GameState::white_side, 4, code_of("D1", "D5"));
    pos.g->node_sign = -1;  // the capturing colour of pass 1 is now Black
    EXPECT_EQ(pos.exchange_part(), 0);
}

TEST(EvaluateExchange, ReadsTheRowEvenBeyondTheListsEnd) {
    AfterMove pos(rook_takes_knight, GameState::white_side, 4, code_of("D1", "D5"));
    ASSERT_LT(pos.g->move_count[2], 200);
    // Row 200 still holds an entry from an older, longer list.
    pos.g->move_list[200][GameState::ply_base[2] + 1] = code_of("A2", "D5");
    pos.g->current_row = 200;
    EXPECT_EQ(pos.exchange_part(), -31);
    // A row never written names square 0: only the threat sum, 21/15 -> 1.
    AfterMove fresh(rook_takes_knight, GameState::white_side, 4, code_of("D1", "D5"));
    fresh.g->current_row = 250;
    EXPECT_EQ(fresh.exchange_part(), 1);
}

TEST(EvaluateExchange, PawnCountsAsQueenAfterAMoveToTheLastRow) {
    // Black pawn E6 takes the white knight on D5, the rook D1 retakes.
    const std::string p =
        placement({{"D1", 'R'}, {"D5", 'N'}, {"H2", 'K'}, {"E6", 'p'}, {"A8", 'k'}});
    AfterMove pawn(p, GameState::black_side, 4, code_of("E6", "D5"));
    pawn.g->last_to_row = 5;
    // -320/6 -> -53 (threat -21); +100/6 -> -36 (threat -14); -36 - 14/15 -> -37.
    EXPECT_EQ(pawn.exchange_part(), -37);
    AfterMove queen(p, GameState::black_side, 4, code_of("E6", "D5"));
    queen.g->last_to_row = 8;
    // The pawn turns queen before it takes: -53 (threat -21); +900/6 -> 97
    // (threat 39); 97 + 39/15 -> 100.
    EXPECT_EQ(queen.exchange_part(), 100);
    EXPECT_EQ(queen.g->board[53], 1);  // the board is back as it was
}

// ---- Lone-king drive and mobility ------------------------------------------

TEST(EvaluateDrive, PushesTheLoneKingOnlyForTheStrongerSideWithoutPawns) {
    // White K E1, R A1 against the bare black king on E8; the search set-up
    // gives endgame and late endgame (total 16).
    Position white(placement({{"E1", 'K'}, {"A1", 'R'}, {"E8", 'k'}}), GameState::white_side, 40);
    search_setup(*white.g);
    ASSERT_EQ(white.g->late_endgame, 1);
    // Scan: -496 (rook), +1740 and -1740 (kings). Drive: centre distance 3,
    // kings 7 apart: (15 - 28) * 10 + 560 = 430 for White.
    EXPECT_EQ(white.eval(), -926);

    Position black(placement({{"E1", 'K'}, {"A1", 'R'}, {"E8", 'k'}}), GameState::black_side, 40);
    search_setup(*black.g);
    EXPECT_EQ(black.eval(), -496);  // Black has the smaller material: no drive

    Position mirrored(placement({{"E8", 'k'}, {"A8", 'r'}, {"E1", 'K'}}), GameState::black_side,
                      40);
    search_setup(*mirrored.g);
    EXPECT_EQ(mirrored.eval(), 926);

    Position pawn(placement({{"E1", 'K'}, {"A1", 'R'}, {"H2", 'P'}, {"E8", 'k'}}),
                  GameState::white_side, 40);
    search_setup(*pawn.g);
    EXPECT_EQ(pawn.eval(), -599);  // -496 - 103, no drive while a pawn is left

    Position not_late(placement({{"E1", 'K'}, {"A1", 'R'}, {"E8", 'k'}}), GameState::white_side,
                      40);
    search_setup(*not_late.g);
    not_late.g->late_endgame = 0;
    EXPECT_EQ(not_late.eval(), -486);
}

TEST(EvaluateDrive, KingPositionsCarryOverWhenAKingIsMissing) {
    Position pos(placement({{"E1", 'K'}, {"A1", 'R'}, {"E8", 'k'}}), GameState::white_side, 40);
    search_setup(*pos.g);
    EXPECT_EQ(pos.eval(), -926);
    pos.g->board[51] = 0;  // the black king leaves the board
    // The drive still sees it on E8: -496 - 1740 - 430.
    EXPECT_EQ(pos.eval(), -2666);
}

TEST(EvaluateDrive, MobilityOfTheDeepestListIsSubtractedForEitherSide) {
    const std::string p = placement({{"D4", 'P'}});
    Position white(p, GameState::white_side);
    white.g->black_move_count[5] = 17;
    white.g->white_move_count[5] = 9;
    EXPECT_EQ(white.eval(), -125 - 17);
    Position black(p, GameState::black_side);
    black.g->black_move_count[5] = 17;
    black.g->white_move_count[5] = 9;
    EXPECT_EQ(black.eval(), -125 - 9);
}

TEST(EvaluateCounters, EachCallIsCounted) {
    Position pos(placement({{"D4", 'P'}}));
    const uint64_t before = pos.g->eval_count;
    pos.eval();
    pos.eval();
    EXPECT_EQ(pos.g->eval_count, before + 2);
}

}  // namespace
}  // namespace chess
