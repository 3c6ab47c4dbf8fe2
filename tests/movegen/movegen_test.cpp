// Move generation, attack records, making and taking back moves.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "model/board.h"
#include "model/game_state.h"
#include "movegen/generate.h"
#include "movegen/make_move.h"
#include "movegen/occupancy.h"
#include "movegen/perft.h"
#include "support/session.h"

namespace chess {
namespace {

using testing::fresh_game;

constexpr const char* empty_placement =
    "................................................................";

// A fresh record whose 64 squares are empty, with the given pieces put on.
struct Piece {
    int square;
    int code;
};
std::unique_ptr<GameState> position(std::initializer_list<Piece> pieces) {
    auto g = fresh_game();
    testing::set_placement(*g, empty_placement);
    for (const Piece& p : pieces) g->board[p.square] = static_cast<int16_t>(p.code);
    return g;
}

void generate_at(GameState& g, int ply) {
    g.ply = static_cast<int16_t>(ply);
    generate_moves(g);
}

std::vector<int> codes(const GameState& g, int ply) {
    std::vector<int> out;
    for (int r = 1; r <= g.move_count[ply]; ++r) {
        out.push_back(g.move_list[r][GameState::ply_base[ply] + 1]);
    }
    return out;
}

// Flag word of the first row with `code` at `ply`, or -1 when it is not listed.
int flags_of(const GameState& g, int ply, int code) {
    for (int r = 1; r <= g.move_count[ply]; ++r) {
        if (g.move_list[r][GameState::ply_base[ply] + 1] == code) {
            return g.move_list[r][GameState::ply_base[ply] + 2];
        }
    }
    return -1;
}

bool listed(const GameState& g, int ply, int code) { return flags_of(g, ply, code) >= 0; }

// Plays the move with `code` from the list of ply 1 (generated first).
void play(GameState& g, int code) {
    generate_at(g, 1);
    g.move_code = static_cast<int16_t>(code);
    find_move(g);
    ASSERT_NE(g.move_index, 0) << "move " << code << " is not listed";
    make_move(g);
}

// ---- perft: legal move sequences against standard chess --------------------

std::vector<uint64_t> perft_counts(const std::string& placement, int side, int depth) {
    auto g = fresh_game();
    if (!placement.empty()) testing::set_placement(*g, placement);
    std::vector<uint64_t> out;
    for (int d = 1; d <= depth; ++d) {
        generate_at(*g, 1);
        out.push_back(perft(*g, d, side));
    }
    return out;
}

TEST(Perft, InitialPosition) {
    EXPECT_EQ(perft_counts("", -1, 4), (std::vector<uint64_t>{20, 400, 8902, 197281}));
}

TEST(Perft, EnPassantAndDiscoveredRankCheck) {
    EXPECT_EQ(
        perft_counts("..........p........p....KP.....r.R...p.k............P.P.........", -1, 5),
        (std::vector<uint64_t>{14, 191, 2812, 43238, 674624}));
}

TEST(Perft, CastlingBothWaysForBothSides) {
    // "Kiwipete": both sides may castle either way, with pins, en passant
    // chances and promotions in reach; the counts need the castling flags put
    // back after every move.
    EXPECT_EQ(
        perft_counts("r...k..rp.ppqpb.bn..pnp....PN....p..P.....N..Q.pPPPBBPPPR...K..R", -1, 3),
        (std::vector<uint64_t>{48, 2039, 97862}));
}

TEST(Perft, MiddleGameWithPins) {
    EXPECT_EQ(
        perft_counts("r....rk..pp.qpppp.np.n....b.p.B...B.P.b.P.NP.N...PP.QPPPR....RK.", -1, 3),
        (std::vector<uint64_t>{46, 2079, 89890}));
}

// ---- the list and its order -------------------------------------------------

TEST(MoveList, InitialPositionOrderAndCounts) {
    auto g = fresh_game();
    generate_at(*g, 1);
    EXPECT_EQ(g->move_count[1], 40);
    EXPECT_EQ(g->white_move_count[1], 20);
    EXPECT_EQ(g->black_move_count[1], 20);
    EXPECT_EQ(g->capture_count[1], 0);
    EXPECT_EQ(g->white_king_attack[1], 0);
    EXPECT_EQ(g->black_king_attack[1], 0);
    const std::vector<int> first_twelve = {1213, 1214, 1716, 1715, 2133, 2113,
                                           2223, 2224, 2726, 2725, 2836, 2816};
    const std::vector<int> all = codes(*g, 1);
    EXPECT_EQ(std::vector<int>(all.begin(), all.begin() + 12), first_twelve);
}

TEST(MoveList, CapturesOfBothColoursGatherAtTheFrontInOrderFound) {
    // Found in the order A4A3 (black), then the rook: A1A2, A1A3, A1xA4, A1B1, A1xC1.
    auto g = position({{18, -4}, {15, 1}, {38, 1}});
    generate_at(*g, 1);
    EXPECT_EQ(codes(*g, 1), (std::vector<int>{1815, 1838, 1816, 1516, 1828, 1817}));
    EXPECT_EQ(g->capture_count[1], 2);

    // A black capture joins the front in the same way.
    auto h = position({{45, 4}, {47, -1}, {48, -1}, {65, -2}});
    generate_at(*h, 1);
    ASSERT_GE(h->capture_count[1], 2);
    for (int r = 1; r <= h->capture_count[1]; ++r) {
        const int kind = h->move_list[r][2] % 10;
        EXPECT_TRUE(kind == 3 || kind == 5) << "row " << r;
    }
    for (int r = h->capture_count[1] + 1; r <= h->move_count[1]; ++r) {
        const int kind = h->move_list[r][2] % 10;
        EXPECT_FALSE(kind == 3 || kind == 5) << "row " << r;
    }
}

TEST(MoveList, FindMoveReturnsTheFirstRowOrZero) {
    auto g = fresh_game();
    generate_at(*g, 1);
    g->move_code = 5755;  // E2E4
    find_move(*g);
    ASSERT_GT(g->move_index, 0);
    EXPECT_EQ(g->move_list[g->move_index][1], 5755);
    g->move_code = 5754;  // E2E5
    find_move(*g);
    EXPECT_EQ(g->move_index, 0);
    g->move_code = 5254;  // E7E5 is listed too: the list holds both colours
    find_move(*g);
    EXPECT_GT(g->move_index, 0);
}

TEST(MoveList, ListsOfOtherPliesStayIntact) {
    auto g = fresh_game();
    generate_at(*g, 1);
    const std::vector<int> before = codes(*g, 1);
    play(*g, 5755);  // generates ply 2
    EXPECT_EQ(codes(*g, 1), before);
    EXPECT_EQ(g->move_count[2], 50);  // White gains the bishop's 5, the queen's 4, the king's 1, a
                                      // knight's 1; the E-pawn loses 1
}

// ---- pawns --------------------------------------------------------------------

TEST(Pawns, StepsDoubleStepsAndBorders) {
    // A blocked single step blocks the double step too.
    auto g = position({{57, -1}, {56, 2}});
    generate_at(*g, 1);
    EXPECT_FALSE(listed(*g, 1, 5756));
    EXPECT_FALSE(listed(*g, 1, 5755));

    // No double step off the start row.
    g = position({{56, -1}});
    generate_at(*g, 1);
    EXPECT_EQ(codes(*g, 1), (std::vector<int>{5655}));

    // A pawn on the A or H file never captures onto the border column.
    g = position({{17, -1}, {82, 1}});
    generate_at(*g, 1);
    EXPECT_EQ(codes(*g, 1), (std::vector<int>{1716, 1715, 8283, 8284}));

    // No diagonal move onto an empty square.
    g = position({{54, -1}});
    generate_at(*g, 1);
    EXPECT_EQ(codes(*g, 1), (std::vector<int>{5453}));

    // Flag words: a white pawn taking a black knight.
    g = position({{54, -1}, {63, 2}});
    generate_at(*g, 1);
    EXPECT_EQ(flags_of(*g, 1, 5463), 1123);
}

TEST(Pawns, EnPassantNeedsTheMarkerWhichLastsOneMove) {
    auto g = position({{54, -1}, {42, 1}, {58, -6}, {11, 6}});
    generate_at(*g, 1);
    EXPECT_FALSE(listed(*g, 1, 5443));
    play(*g, 4244);  // D7D5
    ASSERT_EQ(g->in_check, 0);
    EXPECT_EQ(g->board[40], 9);
    generate_at(*g, 1);
    EXPECT_EQ(flags_of(*g, 1, 5443), 1114);  // E5D6

    // The same pawns without the marker give no such entry.
    g->board[40] = 7;
    generate_at(*g, 1);
    EXPECT_FALSE(listed(*g, 1, 5443));

    // Any next move clears the marker.
    g->board[40] = 9;
    play(*g, 5848);  // E1D1
    EXPECT_EQ(g->board[40], 7);

    // Black's en passant: flag word 2114.
    g = position({{45, 1}, {57, -1}, {58, -6}, {11, 6}});
    play(*g, 5755);  // E2E4 beside the black pawn on D4
    EXPECT_EQ(g->board[59], 9);
    generate_at(*g, 1);
    EXPECT_EQ(flags_of(*g, 1, 4556), 2114);  // D4E3
}

// ---- castling -----------------------------------------------------------------

std::unique_ptr<GameState> castling_position(std::initializer_list<Piece> extra) {
    auto g = position({{58, -6}, {88, -4}, {18, -4}, {51, 6}, {81, 4}, {11, 4}});
    for (const Piece& p : extra) g->board[p.square] = static_cast<int16_t>(p.code);
    return g;
}

TEST(Castling, ListedWhenRightsPathAndCornerAllow) {
    auto g = castling_position({});
    generate_at(*g, 1);
    EXPECT_EQ(flags_of(*g, 1, 5878), 1608);
    EXPECT_EQ(flags_of(*g, 1, 5838), 1609);
    EXPECT_EQ(flags_of(*g, 1, 5171), 2608);
    EXPECT_EQ(flags_of(*g, 1, 5131), 2609);

    // The rook must stand on its corner even with its flag clear.
    g = castling_position({{88, 0}});
    generate_at(*g, 1);
    EXPECT_FALSE(listed(*g, 1, 5878));
    EXPECT_TRUE(listed(*g, 1, 5838));

    // B1 must be empty but may be attacked.
    g = castling_position({{28, -2}});
    generate_at(*g, 1);
    EXPECT_FALSE(listed(*g, 1, 5838));
    g = castling_position({{24, 4}, {81, 0}});  // black rook on B5 covers B1
    g->board[11] = 0;
    generate_at(*g, 1);
    EXPECT_TRUE(listed(*g, 1, 5838));

    // A moved rook or king.
    g = castling_position({});
    g->castle_moved[2] = 1;
    g->castle_moved[6] = 1;
    generate_at(*g, 1);
    EXPECT_FALSE(listed(*g, 1, 5878));
    EXPECT_TRUE(listed(*g, 1, 5838));
    EXPECT_TRUE(listed(*g, 1, 5171));
    EXPECT_FALSE(listed(*g, 1, 5131));
    g->white_king_moved = 1;
    generate_at(*g, 1);
    EXPECT_FALSE(listed(*g, 1, 5838));
}

TEST(Castling, PathAttacksCountOnlyThroughQuietMoves) {
    // A black quiet move onto F1 bars king-side castling.
    auto g = castling_position({{66, 4}, {81, 0}});
    generate_at(*g, 1);
    EXPECT_EQ(g->castle_attacked[2], 1);
    EXPECT_FALSE(listed(*g, 1, 5878));
    EXPECT_TRUE(listed(*g, 1, 5838));

    // A black pawn on G2 bars it through its step onto G1.
    g = castling_position({{77, 1}});
    generate_at(*g, 1);
    EXPECT_FALSE(listed(*g, 1, 5878));

    // A black pawn on E2 covers D1 and F1 diagonally, which bars neither.
    g = castling_position({{57, 1}});
    generate_at(*g, 1);
    EXPECT_TRUE(listed(*g, 1, 5878));
    EXPECT_TRUE(listed(*g, 1, 5838));

    // A pawn's check bars both.
    g = castling_position({{67, 1}});
    generate_at(*g, 1);
    EXPECT_EQ(g->castle_attacked[1], 1);
    EXPECT_FALSE(listed(*g, 1, 5878));
    EXPECT_FALSE(listed(*g, 1, 5838));

    // A white king that has moved never gets flags 2 and 3 set.
    g = castling_position({{66, 4}, {46, 4}});
    g->white_king_moved = 1;
    generate_at(*g, 1);
    EXPECT_EQ(g->castle_attacked[2], 0);
    EXPECT_EQ(g->castle_attacked[3], 0);
}

TEST(Castling, KingsAreGeneratedLastWhiteBeforeBlack) {
    // The black king's steps come after White's castling test: listed, then refused.
    auto g = position({{58, -6}, {88, -4}, {77, 6}});
    generate_at(*g, 1);
    EXPECT_TRUE(listed(*g, 1, 5878));
    play(*g, 5878);
    EXPECT_EQ(g->in_check, 1);
    EXPECT_EQ(g->board[58], -6);
    EXPECT_EQ(g->board[88], -4);

    // The white king's steps come before Black's: a white king on G7 stops E8G8.
    g = position({{51, 6}, {81, 4}, {72, -6}});
    generate_at(*g, 1);
    EXPECT_EQ(g->castle_attacked[5], 1);
    EXPECT_FALSE(listed(*g, 1, 5171));
}

// ---- attack records -----------------------------------------------------------

TEST(AttackRecords, ChecksAndTheirScratchCells) {
    auto g = position({{58, -6}, {88, -4}, {18, -4}, {54, 4}, {11, 6}});
    generate_at(*g, 1);
    EXPECT_EQ(g->white_king_attack[1], 5458);
    EXPECT_EQ(g->board[9], 5458);
    EXPECT_EQ(g->castle_attacked[1], 1);
    EXPECT_FALSE(listed(*g, 1, 5878));
    EXPECT_FALSE(listed(*g, 1, 5838));

    // With two checkers the one generated later stays.
    g = position({{58, -6}, {54, 4}, {18, 4}, {11, 6}});
    generate_at(*g, 1);
    EXPECT_EQ(g->white_king_attack[1], 5458);  // file E after file A
    g = position({{58, -6}, {54, 4}, {88, 4}, {11, 6}});
    generate_at(*g, 1);
    EXPECT_EQ(g->white_king_attack[1], 8858);

    // White checking Black uses cell 1.
    g = position({{58, -6}, {51, 6}, {55, -4}});
    generate_at(*g, 1);
    EXPECT_EQ(g->black_king_attack[1], 5551);
    EXPECT_EQ(g->board[1], 5551);
    EXPECT_EQ(g->castle_attacked[4], 1);
}

TEST(AttackRecords, PinnedPieceIsRefusedAndTheBoardRestored) {
    auto g = position({{58, -6}, {57, -3}, {51, 4}, {11, 6}});
    GameState before = *g;
    play(*g, 5746);  // E2D3
    EXPECT_EQ(g->in_check, 1);
    EXPECT_EQ(g->ply, 1);
    for (int i = 0; i < 100; ++i) {
        if (i == 9) continue;
        EXPECT_EQ(g->board[i], before.board[i]) << "cell " << i;
    }
    EXPECT_EQ(g->board[9], 5158);

    // A kept move leaves in_check 0.
    play(*g, 5848);  // E1D1
    EXPECT_EQ(g->in_check, 0);
    EXPECT_EQ(g->board[48], -6);
}

// ---- make_move and take_back --------------------------------------------------

void undo(GameState& g) { take_back(g); }

TEST(MakeAndTakeBack, CastlingOfBothColours) {
    struct Case {
        int code, king_from, king_to, rook_from, rook_to, flag, side_piece;
    };
    const Case cases[] = {{5878, 58, 78, 88, 68, 1, -1},
                          {5838, 58, 38, 18, 48, 1, -1},
                          {5171, 51, 71, 81, 61, 4, 1},
                          {5131, 51, 31, 11, 41, 4, 1}};
    for (const Case& c : cases) {
        auto g = castling_position({});
        play(*g, c.code);
        ASSERT_EQ(g->in_check, 0) << c.code;
        EXPECT_EQ(g->board[c.king_from], 0) << c.code;
        EXPECT_EQ(g->board[c.king_to], 6 * c.side_piece) << c.code;
        EXPECT_EQ(g->board[c.rook_from], 0) << c.code;
        EXPECT_EQ(g->board[c.rook_to], 4 * c.side_piece) << c.code;
        EXPECT_EQ(g->castle_moved[c.flag], 1) << c.code;
        undo(*g);
        EXPECT_EQ(g->board[c.king_from], 6 * c.side_piece) << c.code;
        EXPECT_EQ(g->board[c.rook_from], 4 * c.side_piece) << c.code;
        EXPECT_EQ(g->board[c.king_to], 0) << c.code;
        EXPECT_EQ(g->board[c.rook_to], 0) << c.code;
        EXPECT_EQ(g->castle_moved[c.flag], 0) << c.code;
    }
}

TEST(MakeAndTakeBack, PromotionGivesAQueenAndTakesBackThePawn) {
    auto g = position({{22, -1}, {58, -6}, {51, 6}});
    play(*g, 2221);  // B7B8
    EXPECT_EQ(g->last_flags, 1102);
    EXPECT_EQ(g->board[21], -5);
    undo(*g);
    EXPECT_EQ(g->board[22], -1);
    EXPECT_EQ(g->board[21], 0);

    // Black promotes with a capture.
    g = position({{27, 1}, {18, -2}, {58, -6}, {51, 6}});
    play(*g, 2718);  // B2xA1
    EXPECT_EQ(g->board[18], 5);
    undo(*g);
    EXPECT_EQ(g->board[27], 1);
    EXPECT_EQ(g->board[18], -2);
}

TEST(MakeAndTakeBack, EnPassantCaptureAndItsTakeBack) {
    auto g = position({{54, -1}, {42, 1}, {58, -6}, {11, 6}});
    play(*g, 4244);  // D7D5
    EXPECT_EQ(g->board[40], 9);
    play(*g, 5443);  // E5xD6 en passant
    ASSERT_EQ(g->in_check, 0);
    EXPECT_EQ(g->board[43], -1);
    EXPECT_EQ(g->board[44], 0);
    EXPECT_EQ(g->board[54], 0);
    EXPECT_EQ(g->board[40], 7);
    undo(*g);
    EXPECT_EQ(g->board[44], 1);
    EXPECT_EQ(g->board[43], 0);
    EXPECT_EQ(g->board[54], -1);
    EXPECT_EQ(g->board[40], 9);
}

TEST(MakeAndTakeBack, CastlingFlagsAndMarkersOfOrdinaryMoves) {
    // H1H2 sets the rook's flag, and take_back leaves it set.
    auto g = castling_position({});
    play(*g, 8887);
    EXPECT_EQ(g->castle_moved[2], 1);
    undo(*g);
    EXPECT_EQ(g->castle_moved[2], 1);
    EXPECT_EQ(g->board[88], -4);

    // A rook's two-row step along a file writes no marker.
    g = position({{42, 4}, {58, -6}, {11, 6}});
    play(*g, 4244);
    EXPECT_EQ(g->last_flags, 2406);
    for (int x = 1; x <= 8; ++x) {
        EXPECT_EQ(g->board[10 * x], 7);
        EXPECT_EQ(g->board[10 * x + 9], 7);
    }

    // A refused move ends the en passant right of that turn.
    g = position({{54, -1}, {42, 1}, {58, -6}, {47, -2}, {25, 3}, {11, 6}});
    play(*g, 4244);  // D7D5: marker on D
    play(*g, 4766);  // the knight D2F3, pinned by the bishop on B4, is refused
    EXPECT_EQ(g->in_check, 1);
    EXPECT_EQ(g->board[47], -2);
    EXPECT_EQ(g->board[44], 1);
    EXPECT_EQ(g->board[40], 7);
    generate_at(*g, 1);
    EXPECT_FALSE(listed(*g, 1, 5443));
}

// The sum of the board terms over the playing squares, counted afresh.
int board_terms_total(const GameState& g) {
    int total = 0;
    for (int x = 1; x <= 8; ++x) {
        for (int y = 1; y <= 8; ++y) total += g.board_terms[g.board[x * 10 + y] + 6][x * 10 + y];
    }
    return total;
}

// Random play with castling, en passant and promotions at hand: the square
// sets kept for a search, alone or with the board terms (filled here with
// random values), follow every move made, refused and taken back.
TEST(MakeAndTakeBack, KeptSquareSetsAndBoardTermsFollowTheBoard) {
    std::mt19937 random(16);
    for (int game = 0; game < 40; ++game) {
        auto g = castling_position({{22, -1}, {27, 1}, {54, -1}, {42, 1}});
        keep_square_sets(*g);
        const bool with_terms = game % 2 == 1;
        if (with_terms) {
            for (auto& row : g->board_terms) {
                for (int16_t& term : row) term = static_cast<int16_t>(random() % 2001) - 1000;
            }
            g->board_terms_sum = board_terms_total(*g);
            g->board_terms_ready = 1;
        }
        for (int step = 0; step < 60; ++step) {
            generate_at(*g, 1);
            if (g->move_count[1] == 0) break;
            g->move_index = static_cast<int16_t>(1 + random() % g->move_count[1]);
            make_move(*g);
            const Armies kept = armies_of_sets(g->square_sets);
            const Armies board = armies_of(g->board);
            ASSERT_EQ(0, std::memcmp(&kept, &board, sizeof kept)) << game << " " << step;
            if (with_terms) {
                ASSERT_EQ(g->board_terms_sum, board_terms_total(*g)) << game << " " << step;
            }
            if (g->in_check == 0 && random() % 3 == 0) {
                take_back(*g);
                const Armies back = armies_of(g->board);
                const Armies kept_back = armies_of_sets(g->square_sets);
                ASSERT_EQ(0, std::memcmp(&kept_back, &back, sizeof back)) << game << " " << step;
                if (with_terms) {
                    ASSERT_EQ(g->board_terms_sum, board_terms_total(*g)) << game << " " << step;
                }
            }
        }
        drop_square_sets(*g);
    }
}

// ---- hand-made positions ------------------------------------------------------

TEST(HandMadePositions, TwoKingsOfOneColourAndMissingKings) {
    // Only the last king of a colour in scan order is handled.
    auto g = position({{14, -6}, {85, -6}});
    generate_at(*g, 1);
    for (int code : codes(*g, 1)) EXPECT_EQ(code / 100, 85) << code;
    EXPECT_EQ(g->move_count[1], 5);  // H4 stands on the edge

    // A colour without a king gets no king moves, even when a king square is
    // remembered from an earlier pass.
    g = position({{58, -6}, {51, 6}});
    generate_at(*g, 1);
    g->board[58] = 0;
    g->board[57] = -1;
    generate_at(*g, 1);
    for (int code : codes(*g, 1)) EXPECT_NE(code / 100, 58) << code;
    EXPECT_EQ(g->white_move_count[1], 2);  // the pawn's two steps
}

TEST(HandMadePositions, ACodeThatIsNoPieceBlocksAndIsNeverTaken) {
    // A rook on A1 below a stray 7 on A3: one step up the file, the whole rank.
    auto g = position({{18, -4}, {16, 7}});
    generate_at(*g, 1);
    EXPECT_EQ(codes(*g, 1), (std::vector<int>{1817, 1828, 1838, 1848, 1858, 1868, 1878, 1888}));
    EXPECT_EQ(g->white_move_count[1], 8);
    EXPECT_EQ(g->black_move_count[1], 0);
    // Nor does a black piece take it, and the code itself never moves.
    g = position({{18, 4}, {16, -9}, {56, 7}, {57, -1}});
    generate_at(*g, 1);
    for (int code : codes(*g, 1)) {
        EXPECT_NE(code % 100, 16) << code;
        EXPECT_NE(code / 100, 16) << code;
        EXPECT_NE(code / 100, 56) << code;
    }
    EXPECT_EQ(g->move_count[1], 8);  // the rook's 8; the pawn on E2 is stuck under E3
}

TEST(HandMadePositions, AListNeverGrowsPastRow250) {
    // Nine queens a side and the kings: 271 pseudo-legal moves.
    auto g = position({{16, 5},  {71, 5},  {54, 5},  {58, 5},  {15, 5},  {66, 5},  {85, 5},
                       {23, 5},  {28, 5},  {47, -5}, {31, -5}, {61, -5}, {12, -5}, {41, -5},
                       {27, -5}, {73, -5}, {67, -5}, {36, -5}, {11, 6},  {57, -6}});
    for (int ply = 1; ply <= 10; ++ply) {
        generate_at(*g, ply);
        EXPECT_EQ(g->move_count[ply], 250);
        EXPECT_LE(g->white_move_count[ply] + g->black_move_count[ply], 250);
    }
    // The counters of every ply survive: nothing was written past the table.
    for (int ply = 1; ply <= 10; ++ply) EXPECT_EQ(g->move_count[ply], 250);
}

}  // namespace
}  // namespace chess
