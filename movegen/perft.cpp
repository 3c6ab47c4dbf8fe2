#include "movegen/perft.h"

#include <bit>

#include "model/board.h"
#include "movegen/generate.h"
#include "movegen/geometry.h"
#include "movegen/make_move.h"
#include "movegen/occupancy.h"

namespace chess {

namespace {

using namespace passes;

// What the side to move's kings face before any of its last moves is made,
// so that most of those moves are seen to be accepted without asking
// refused_unmade. A move is refused when, once made, one of the opponent's
// pieces could take a king of the mover's colour. A move that is not a king
// step, does not leave a pinned square and does not take the opponent's
// stepping king cannot give the opponent a capture it did not have: the
// square it enters only blocks, the piece taken there only attacks no more.
// So while no king of the side is attacked, only those moves need the full
// test.
struct KingWatch {
    // The squares whose moves are settled here: none while a king is
    // attacked or the list is long, every square when the side has no king
    // (nothing is refused), else all but the side's kings and pinned pieces.
    uint64_t settled_from;
    uint64_t test_to;  // the opponent's kings: taking the one that steps lets another step
};

KingWatch watch_kings(const GameState& g, const Armies& a, int ply, int side) {
    KingWatch w{};
    // refused_unmade leaves every move of a long list to make_move.
    if (g.move_count[ply] > max_list_rows - 130) return w;
    const int me = side_index(side);
    const int them = 1 - me;
    const uint64_t kings = a.kings[me];
    if (kings == 0) {
        w.settled_from = ~uint64_t{0};
        return w;
    }
    const uint64_t occupied = a.side[0] | a.side[1];
    const PawnTakes p = side < 0 ? pawn_takes<1>(a.pawns[them]) : pawn_takes<-1>(a.pawns[them]);
    uint64_t takes = p.right | p.left;
    if (a.kings[them] != 0) takes |= geometry.king[last_bit(a.kings[them])];
    uint64_t pinned = 0;
    for (uint64_t k = kings; k != 0; k &= k - 1) {
        const int b = std::countr_zero(k);
        if (((takes >> b) & 1) != 0 || (geometry.knight[b] & a.knights[them]) != 0) return w;
        for (int d = 0; d < 8; ++d) {
            const uint64_t blockers = geometry.ray[d][b] & occupied;
            if (blockers == 0) continue;
            const int nearest = nearest_on_ray(d, blockers);
            const uint64_t sliders = d < up_right ? a.straight[them] : a.diagonal[them];
            if (((sliders >> nearest) & 1) != 0) return w;
            // The nearest piece is pinned when the next one beyond it
            // would take the king once it leaves the line.
            const uint64_t beyond = geometry.ray[d][nearest] & occupied;
            if (beyond != 0 && ((sliders >> nearest_on_ray(d, beyond)) & 1) != 0) {
                pinned |= uint64_t{1} << nearest;
            }
        }
    }
    w.settled_from = ~(kings | pinned);
    w.test_to = a.kings[them];
    return w;
}

// Castling and en passant are left to refused_unmade (which leaves them to
// make_move): true for the flag words of either side (1000..2999) whose kind
// digit names them.
constexpr struct MadeKinds {
    bool of[3000] = {};
    constexpr MadeKinds() {
        for (int w = 1000; w < 3000; ++w) {
            const int kind = w % 10;
            of[w] = kind == kind_en_passant || kind == kind_king_side_castle ||
                    kind == kind_queen_side_castle;
        }
    }
} made_kind;

// The legal last moves of the side to move at `g.ply`: refused_unmade where
// the watch cannot tell, make_move where neither can.
uint64_t count_last_moves(GameState& g, int side) {
    const int ply = g.ply;
    const int base = GameState::ply_base[ply];
    const int count = g.move_count[ply];
    const Armies a = armies_of(g.board);
    const KingWatch w = watch_kings(g, a, ply, side);
    const unsigned own_flags = side_flags(side);
    uint64_t nodes = 0;
    for (int r = 1; r <= count; ++r) {
        const int16_t* cells = &g.move_list[r][base + 1];
        const int16_t flags = cells[1];
        if (!is_side_flags(flags, own_flags)) continue;
        // The move code from * 100 + to of a generated move.
        const unsigned code = static_cast<unsigned>(cells[0]);
        if (code < 10000) {
            const unsigned from = code / 100;
            // A piece of the other colour on the square left is judged as
            // refused_unmade judges it.
            if ((square_bit.of[from] & w.settled_from) != 0 && !made_kind.of[flags] &&
                g.board[from] * side > 0 && (square_bit.of[code % 100] & w.test_to) == 0) {
                ++nodes;
                continue;
            }
        }
        const int refused = refused_unmade(g, a, ply, r);
        if (refused == 0) ++nodes;
        if (refused >= 0) continue;
        int16_t castle_moved[7];
        for (int i = 0; i < 7; ++i) castle_moved[i] = g.castle_moved[i];
        g.move_index = static_cast<int16_t>(r);
        make_move(g);
        if (g.in_check != 1) {
            ++nodes;
            g.last_move = g.move_list[r][base + 1];
            g.last_flags = flags;
            take_back(g);
        }
        for (int i = 0; i < 7; ++i) g.castle_moved[i] = castle_moved[i];
    }
    return nodes;
}

uint64_t count_sequences(GameState& g, int depth, int side) {
    if (depth == 1) return count_last_moves(g, side);
    const int ply = g.ply;
    const int base = GameState::ply_base[ply];
    const int count = g.move_count[ply];
    uint64_t nodes = 0;
    for (int r = 1; r <= count; ++r) {
        const int16_t flags = g.move_list[r][base + 2];
        if (GameState::side_sign[flags / 1000] != side) continue;
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
        g.ply = static_cast<int16_t>(ply + 1);
        nodes += count_sequences(g, depth - 1, -side);
        g.ply = static_cast<int16_t>(ply);
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
