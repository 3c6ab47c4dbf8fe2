// Refusals without making the move. make_move refuses a move when the replies
// generated after it hold a capture of a king of the mover's colour. For an
// ordinary move that can be read off the square sets: the opponent's pieces
// that could take on a king's square once the move is made, by the same
// steps the passes use (a pawn on its last row does not move, only the last
// king of a colour steps).
#include <bit>
#include <cstdint>

#include "model/board.h"
#include "model/game_state.h"
#include "movegen/generate.h"
#include "movegen/geometry.h"
#include "movegen/occupancy.h"

namespace chess {

using namespace passes;

namespace {

// One ordinary move adds at most 125 moves to the two colours' lists: 27 for
// the piece moved (or the queen it becomes), 7 on each of the eight lines
// through the square it leaves, 8 knights' and 2 kings' steps onto that
// square, 6 pawn steps onto or through it, 20 pieces that may now take on the
// square it enters, 4 castlings and 2 en passant captures. From a list this
// short (with a few rows to spare) the replies stay below the row limit, so
// no king capture is dropped.
constexpr int short_list = max_list_rows - 130;

// The squares all pawns of one side could take on.
inline uint64_t pawn_targets(uint64_t pawns, int colour) {
    const PawnTakes t = colour < 0 ? pawn_takes<-1>(pawns) : pawn_takes<1>(pawns);
    return t.right | t.left;
}

}  // namespace

int refused_unmade(const GameState& g, const Armies& a, int ply, int row) {
    if (g.move_count[ply] > short_list) return -1;
    const int16_t* cells = &g.move_list[row][GameState::ply_base[ply] + 1];
    const int kind = code_digit_4(cells[1]);
    if (kind == kind_en_passant || kind == kind_king_side_castle ||
        kind == kind_queen_side_castle) {
        return -1;
    }
    const int from = move_from(cells[0]);
    const int to = move_to(cells[0]);
    const int16_t piece = g.board[from];
    if (piece == 0) return -1;
    const int me = side_index(piece);
    const int them = 1 - me;
    const uint64_t from_bit = bit_at(from / 10, from % 10);
    const uint64_t to_bit = bit_at(to / 10, to % 10);
    uint64_t kings = a.kings[me];
    if (abs_of(piece) == king) kings = (kings & ~from_bit) | to_bit;
    if (kings == 0) return 0;

    // The opponent's pieces once the move is made: a piece on `to` is taken.
    const uint64_t occupied = ((a.side[0] | a.side[1]) & ~from_bit) | to_bit;
    const uint64_t knights = a.knights[them] & ~to_bit;
    const uint64_t straight = a.straight[them] & ~to_bit;
    const uint64_t diagonal = a.diagonal[them] & ~to_bit;
    const uint64_t their_kings = a.kings[them] & ~to_bit;
    uint64_t takes = pawn_targets(a.pawns[them] & ~to_bit, -sign_of(piece));
    if (their_kings != 0) takes |= geometry.king[last_bit(their_kings)];
    for (uint64_t k = kings; k != 0; k &= k - 1) {
        const int b = std::countr_zero(k);
        if ((takes >> b) & 1) return 1;
        if ((geometry.knight[b] & knights) != 0) return 1;
        for (int d = 0; d < 8; ++d) {
            const uint64_t blockers = geometry.ray[d][b] & occupied;
            if (blockers == 0) continue;
            const int nearest = nearest_on_ray(d, blockers);
            const uint64_t sliders = d < up_right ? straight : diagonal;
            if ((sliders >> nearest) & 1) return 1;
        }
    }
    return 0;
}

}  // namespace chess
