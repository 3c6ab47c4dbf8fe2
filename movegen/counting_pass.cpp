// The counting pass, made at the lean ply: the number of moves, the capture
// rows, the counters and the attack records of a list, not its other rows.
// With the squares as bit sets the sliding pieces of one side are taken a
// direction at a time: along one direction no two pieces' rays share a
// square, since a ray ends at the first occupied square, so one fill from all
// of them gives every quiet move and capture in that direction. Each capture
// is filed under its origin's place in the mailbox pass (pieces in square
// order, kings last) and the rank of its direction among that piece's; read
// in that order, the captures stand in the mailbox pass's order.
#include <atomic>
#include <bit>
#include <cstdint>

#include "model/board.h"
#include "movegen/geometry.h"
#include "movegen/occupancy.h"
#include "movegen/pass.h"

#if defined(__SSE2__) && !defined(CHESS_NO_SIMD)
#include <emmintrin.h>
#endif

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define CHESS_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define CHESS_SANITIZED 1  // as clang names them
#endif
#endif

namespace chess::passes {

namespace {

// The flag word of a capture by piece code + 6, less the captured piece's
// tens.
constexpr auto capture_flags_by_code = [] {
    struct Flags {
        int16_t of[13] = {};
        constexpr int16_t operator[](int i) const { return of[i]; }
    } f;
    for (int i = 0; i < 13; ++i) {
        f.of[i] = static_cast<int16_t>(flags_base_by_code[i] +
                                       (i < 6 ? kind_white_capture : kind_black_capture));
    }
    return f;
}();

// Whether a king on `sq` could castle as far as the squares go: on E1 or E8,
// with the squares between it and a rook of E1's or E8's colour empty.
inline bool castling_squares_free(const int16_t* b, int sq) {
    if (sq == sq_e1) {
        return (b[sq_f1] == 0 && b[sq_g1] == 0 && b[sq_h1] == -rook) ||
               (b[sq_d1] == 0 && b[sq_c1] == 0 && b[sq_b1] == 0 && b[sq_a1] == -rook);
    }
    if (sq == sq_e8) {
        return (b[sq_f8] == 0 && b[sq_g8] == 0 && b[sq_h8] == rook) ||
               (b[sq_d8] == 0 && b[sq_c8] == 0 && b[sq_b8] == 0 && b[sq_a8] == rook);
    }
    return false;
}

// Compiled once for processors with a population-count instruction and
// once without (see run_counting_pass).
[[gnu::always_inline]] inline int count_bits(uint64_t v) { return std::popcount(v); }

// Moves a set `n` steps in direction D. A step off the top or bottom of a
// file would land on the next file's other end: the `keep` mask drops those
// squares when applied to a one-step shift.
template <int D>
constexpr int bit_delta = dir_dx[D] * 8 + dir_dy[D];
template <int D>
constexpr uint64_t keep = dir_dy[D]<0 ? ~row_bits(8) : dir_dy[D]> 0 ? ~row_bits(1) : ~0ull;
template <int D, int N>
[[gnu::always_inline]] inline uint64_t shifted(uint64_t s) {
    constexpr int delta = bit_delta<D> * N;
    return delta > 0 ? s << delta : s >> -delta;
}

// Every square the pieces of `sliders` reach in direction D: the empty ones up
// to the first occupied square, which is included (a parallel-prefix fill).
template <int D>
[[gnu::always_inline]] inline uint64_t slide_targets(uint64_t sliders, uint64_t empty) {
    uint64_t open = empty & keep<D>;
    uint64_t reach = sliders;
    reach |= open & shifted<D, 1>(reach);
    open &= shifted<D, 1>(open);
    reach |= open & shifted<D, 2>(reach);
    open &= shifted<D, 2>(open);
    reach |= open & shifted<D, 4>(reach);
    return shifted<D, 1>(reach) & keep<D>;
}

// The places of the pieces in the mailbox pass: the squares' bits, then
// White's king and Black's.
constexpr int white_king_place = 64;
constexpr int places = 66;
// A capture's key: its piece's place and the rank of its direction among the
// piece's moves. In key order the captures stand in the mailbox pass's order.
constexpr int capture_keys = places * 8;

// The counting pass's running state: plain scalars, so they stay in
// registers, and the captures found so far.
struct Tally {
    int16_t* board;
    uint64_t side[2];  // White's squares, Black's
    uint64_t occupied;
    int count = 0;  // en passant and castling entries
    int moves[2] = {0, 0};
    // Targets by mover, captures included; its empty squares on the other
    // colour's castling paths are the quiet moves onto them.
    uint64_t hits[2] = {0, 0};
    // The captures filed by piece: for each place (the squares' bits, then
    // the two kings) the ranks of its captures as bits, and by place and rank
    // the square taken. Filing instead of sorting as they are found keeps
    // the pass free of data-dependent shifting loops.
    int captures = 0;
    uint64_t capturers = 0;  // the squares, kings apart, of pieces that capture
    uint8_t ranks[places] = {};
    uint8_t target[capture_keys];
};

// Notes the capture of the piece on bit `to` by the piece at `place`; the
// rows are written from the notes once the pass is done.
template <bool King = false>
[[gnu::always_inline]] inline void note_capture(Tally& t, int place, int rank, int to) {
    // A capture always has a piece behind it: the place is a square's bit or
    // a king's place.
    if (place < 0 || place >= places) __builtin_unreachable();
    ++t.captures;
    if (!King) t.capturers |= uint64_t{1} << place;
    t.ranks[place] = static_cast<uint8_t>(t.ranks[place] | 1u << rank);
    t.target[place * 8 + rank] = static_cast<uint8_t>(to);
}

// The moves of one side's sliders in direction D; each capture's origin is the
// nearest occupied square behind it.
template <int Colour, int D>
[[gnu::always_inline]] inline void tally_direction(Tally& t, uint64_t reach) {
    const int me = side_index(Colour);
    const uint64_t reached = reach & ~t.side[me];
    t.moves[me] += count_bits(reached);
    t.hits[me] |= reached;
    constexpr int back = opposite[D];
    for (uint64_t caps = reached & t.side[1 - me]; caps != 0; caps &= caps - 1) {
        const int to = std::countr_zero(caps);
        const int from = nearest_on_ray(back, geometry.ray[back][to] & t.occupied);
        note_capture(t, from, slide_rank[D], to);
    }
}

#if defined(__SSE2__) && !defined(CHESS_NO_SIMD)
template <int D, int N>
[[gnu::always_inline]] inline __m128i shifted_pair(__m128i v) {
    constexpr int delta = bit_delta<D> * N;
    if constexpr (delta > 0) {
        return _mm_slli_epi64(v, delta);
    } else {
        return _mm_srli_epi64(v, -delta);
    }
}
#endif

// Both sides' sliders' reach in direction D: the two fills side by side,
// White's in the low half of an SSE2 register and Black's in the high half.
struct Reach {
    uint64_t white;
    uint64_t black;
};
template <int D>
[[gnu::always_inline]] inline Reach reach_in(const Tally& t, uint64_t white, uint64_t black) {
#if defined(__SSE2__) && !defined(CHESS_NO_SIMD)
    const __m128i edge = _mm_set1_epi64x(static_cast<long long>(keep<D>));
    __m128i open = _mm_and_si128(_mm_set1_epi64x(static_cast<long long>(~t.occupied)), edge);
    __m128i reach = _mm_set_epi64x(static_cast<long long>(black), static_cast<long long>(white));
    reach = _mm_or_si128(reach, _mm_and_si128(open, shifted_pair<D, 1>(reach)));
    open = _mm_and_si128(open, shifted_pair<D, 1>(open));
    reach = _mm_or_si128(reach, _mm_and_si128(open, shifted_pair<D, 2>(reach)));
    open = _mm_and_si128(open, shifted_pair<D, 2>(open));
    reach = _mm_or_si128(reach, _mm_and_si128(open, shifted_pair<D, 4>(reach)));
    reach = _mm_and_si128(shifted_pair<D, 1>(reach), edge);
    return {static_cast<uint64_t>(_mm_cvtsi128_si64(reach)),
            static_cast<uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(reach, reach)))};
#else
    return {slide_targets<D>(white, ~t.occupied), slide_targets<D>(black, ~t.occupied)};
#endif
}

template <int D>
[[gnu::always_inline]] inline void tally_both(Tally& t, const Reach& r) {
    tally_direction<-1, D>(t, r.white);
    tally_direction<1, D>(t, r.black);
}

// Steps to a fixed set of squares (a knight's or a king's). A capture's rank
// is its step's place in the order the mailbox pass tries the steps, found
// from the step's bit difference: `rank_of` is indexed by difference + 17.
template <int Colour, bool King>
[[gnu::always_inline]] inline void count_steps(Tally& t, int b, int place, uint64_t targets,
                                               const int8_t* rank_of) {
    const int me = side_index(Colour);
    const uint64_t reached = targets & ~t.side[me];
    t.moves[me] += count_bits(reached);
    t.hits[me] |= reached;
    for (uint64_t caps = reached & t.side[1 - me]; caps != 0; caps &= caps - 1) {
        const int to = std::countr_zero(caps);
        note_capture<King>(t, place, rank_of[to - b + 17], to);
    }
}

// All pawn moves of one side at once: pushes, captures and en passant.
template <int Colour>
[[gnu::always_inline]] inline void count_pawns(Tally& t, uint64_t pawns, uint64_t enemy_pawns) {
    const int me = side_index(Colour);
    const uint64_t empty = ~t.occupied;
    const uint64_t enemy = t.side[1 - me];
    const int16_t* bd = t.board;
    const PawnTakes takes = pawn_takes<Colour>(pawns);
    uint64_t right_caps = takes.right & enemy;
    uint64_t left_caps = takes.left & enemy;
    const uint64_t movable = movable_pawns<Colour>(pawns);
    uint64_t single, two, passant_row;
    int right_back, left_back;  // from a capture's bit back to its pawn's
    if (Colour < 0) {
        // White moves toward rank 8: one bit down.
        single = (movable >> 1) & empty;
        two = ((single & row_bits(6)) >> 1) & empty;
        right_back = -7;
        left_back = 9;
        passant_row = pawns & row_bits(4);
    } else {
        single = (movable << 1) & empty;
        two = ((single & row_bits(3)) << 1) & empty;
        right_back = -9;
        left_back = 7;
        passant_row = pawns & row_bits(5);
    }
    // En passant needs an enemy pawn beside the pawn (and a marker).
    passant_row &= (enemy_pawns >> 8) | (enemy_pawns << 8);
    t.hits[me] |= single | right_caps | left_caps;
    t.moves[me] +=
        count_bits(single) + count_bits(two) + count_bits(right_caps) + count_bits(left_caps);
    // A pawn takes toward the H file first.
    for (; right_caps != 0; right_caps &= right_caps - 1) {
        const int to = std::countr_zero(right_caps);
        const int from = to + right_back;
        note_capture(t, from, 0, to);
    }
    for (; left_caps != 0; left_caps &= left_caps - 1) {
        const int to = std::countr_zero(left_caps);
        const int from = to + left_back;
        note_capture(t, from, 1, to);
    }
    for (; passant_row != 0; passant_row &= passant_row - 1) {
        const int b = std::countr_zero(passant_row);
        const int x = (b >> 3) + 1;
        const int sq = cell_of_bit(b);
        if (Colour < 0) {
            if (bd[sq + 10] == 1 && bd[10 * (x + 1)] == GameState::ep_marker) ++t.count;
            if (bd[sq - 10] == 1 && bd[10 * (x - 1)] == GameState::ep_marker) ++t.count;
        } else {
            if (bd[sq + 10] == -1 && bd[10 * (x + 1) + 9] == GameState::ep_marker) ++t.count;
            if (bd[sq - 10] == -1 && bd[10 * (x - 1) + 9] == GameState::ep_marker) ++t.count;
        }
    }
}

// The pawns and knights of one side.
template <int Colour>
[[gnu::always_inline]] inline void count_army(Tally& t, const Armies& a) {
    const int me = side_index(Colour);
    count_pawns<Colour>(t, a.pawns[me], a.pawns[1 - me]);
    for (uint64_t n = a.knights[me]; n != 0; n &= n - 1) {
        const int b = std::countr_zero(n);
        count_steps<Colour, false>(t, b, b, geometry.knight[b], knight_ranks.of);
    }
}

// The sliders of both sides: every direction's fills first, which do not
// branch, then the tallies. A direction with no slider reaches nothing.
[[gnu::always_inline]] inline void count_sliders(Tally& t, const Armies& a) {
    const uint64_t ws = a.straight[0], bs = a.straight[1];
    const uint64_t wd = a.diagonal[0], bd = a.diagonal[1];
    const Reach r0 = reach_in<up>(t, ws, bs);
    const Reach r1 = reach_in<down>(t, ws, bs);
    const Reach r2 = reach_in<right>(t, ws, bs);
    const Reach r3 = reach_in<left>(t, ws, bs);
    const Reach r4 = reach_in<up_right>(t, wd, bd);
    const Reach r5 = reach_in<down_right>(t, wd, bd);
    const Reach r6 = reach_in<up_left>(t, wd, bd);
    const Reach r7 = reach_in<down_left>(t, wd, bd);
    tally_both<up>(t, r0);
    tally_both<down>(t, r1);
    tally_both<right>(t, r2);
    tally_both<left>(t, r3);
    tally_both<up_right>(t, r4);
    tally_both<down_right>(t, r5);
    tally_both<up_left>(t, r6);
    tally_both<down_left>(t, r7);
}

// The castling-path flags the quiet targets so far set.
inline void path_flags(const Tally& t, int white_king_moved, int black_king_moved,
                       int16_t* attacked) {
    const uint64_t white_quiet = t.hits[0] & ~t.occupied;
    const uint64_t black_quiet = t.hits[1] & ~t.occupied;
    if (black_king_moved != 1) {
        if ((white_quiet & path_5) != 0) attacked[5] = 1;
        if ((white_quiet & path_6) != 0) attacked[6] = 1;
    }
    if (white_king_moved != 1) {
        if ((black_quiet & path_2) != 0) attacked[2] = 1;
        if ((black_quiet & path_3) != 0) attacked[3] = 1;
    }
}

// The king's steps, then its castling tests, as king_moves does them: after
// every other piece and, for Black's king, after White's.
template <int Colour>
[[gnu::always_inline]] inline void count_king(Tally& t, const Pass& s, const Armies& a, int b) {
    count_steps<Colour, true>(t, b, white_king_place + side_index(Colour), geometry.king[b],
                              king_ranks.of);
    const int sq = cell_of_bit(b);
    if (!castling_squares_free(t.board, sq)) return;
    // The kings capturable by the targets found so far.
    int16_t attacked[7] = {};
    if ((t.hits[0] & a.kings[1]) != 0) attacked[4] = 1;
    if ((t.hits[1] & a.kings[0]) != 0) attacked[1] = 1;
    path_flags(t, s.white_king_moved, s.black_king_moved, attacked);
    t.count += std::popcount(
        castlings(t.board, s.castle_moved, s.white_king_moved, s.black_king_moved, attacked, sq));
}

// Writes the capture of the piece on bit `to` by the piece on bit `from` as
// the next row; a capture of a king is that king's attack record.
[[gnu::always_inline]] inline int16_t* put_capture(Pass& s, int16_t* row, int from_bit,
                                                   int to_bit) {
    const int from = cells.of[from_bit];
    const int to = cells.of[to_bit];
    const int16_t mover = s.board[from];
    const int16_t target = s.board[to];
    const int captured = target < 0 ? -target : target;
    const int16_t code = static_cast<int16_t>(from * 100 + to);
    row += move_list_columns;
    row[0] = code;
    row[1] = static_cast<int16_t>(capture_flags_by_code[mover + 6] + captured * 10);
    if (captured == king) record_king_capture(s.records, s.board, mover, code);
    return row;
}

// The whole pass, built below once for each kind of processor. A list that
// would pass 250 rows drops moves on the way, which only the mailbox pass
// follows move by move: such a board is left to it.
[[gnu::always_inline]] inline bool counting_pass(Pass& s) {
    s.board[1] = GameState::border_value;
    s.board[9] = GameState::border_value;
    const Armies a = s.square_sets != nullptr ? armies_of_sets(s.square_sets) : armies_of(s.board);
    Tally t;
    t.board = s.board;
    t.side[0] = a.side[0];
    t.side[1] = a.side[1];
    t.occupied = a.side[0] | a.side[1];
    count_army<-1>(t, a);
    count_army<1>(t, a);
    count_sliders(t, a);
    // Of two kings of one colour only the last one in square order moves.
    const int white_king = last_bit(a.kings[0]);
    const int black_king = last_bit(a.kings[1]);
    if (white_king >= 0) count_king<-1>(t, s, a, white_king);
    if (black_king >= 0) count_king<1>(t, s, a, black_king);
    const int total = t.count + t.moves[0] + t.moves[1];
    if (total > max_list_rows) return false;
    *s.sets = piece_sets(a);
    s.sets_left = true;
    // The captures in key order, at the front of the list; the last capture
    // of each king is its attack record.
    int16_t* row = s.rows;
    // Pieces on squares first, in square order, a piece's captures in rank
    // order; then White's king and Black's. One loop step per capture.
    uint64_t capturers = t.capturers;
    while (capturers != 0) {
        const int b = std::countr_zero(capturers);
        unsigned m = t.ranks[b];
        const int rank = std::countr_zero(m);
        m &= m - 1;
        t.ranks[b] = static_cast<uint8_t>(m);
        capturers &= capturers - static_cast<uint64_t>(m == 0);  // its last capture
        row = put_capture(s, row, b, t.target[b * 8 + rank]);
    }
    // The kings' captures, when there are any.
    if ((t.ranks[white_king_place] | t.ranks[white_king_place + 1]) != 0) {
        for (int k = 0; k < 2; ++k) {
            const int place = white_king_place + k;
            const int b = k == 0 ? white_king : black_king;
            for (unsigned m = t.ranks[place]; m != 0; m &= m - 1) {
                row = put_capture(s, row, b, t.target[place * 8 + std::countr_zero(m)]);
            }
        }
    }
    s.count = total;
    s.white_count = t.moves[0];
    s.black_count = t.moves[1];
    s.captures = t.captures;
    s.white_king_sq = white_king >= 0 ? cell_of_bit(white_king) : 0;
    s.black_king_sq = black_king >= 0 ? cell_of_bit(black_king) : 0;
    path_flags(t, s.white_king_moved, s.black_king_moved, s.records.castle_attacked);
    return true;
}

// On x86-64 the pass is built three times: for processors with AVX2 and the
// bit instructions of its generation (BMI1 and BMI2: find and clear the
// lowest bit in one instruction each, shifts that leave the flags alone),
// for those with only the population count, and for any. The first pass
// made picks the build for the processor (chosen here rather than by the
// loader: clang's loader-time choice does not know the AVX2 generation and
// takes the population-count build, about 7 % slower). The sanitizer builds
// run the build for any processor, so the tests run that one too.
#if defined(__x86_64__) && !defined(CHESS_SANITIZED)
[[gnu::target("avx2,bmi,bmi2,popcnt")]] bool counting_pass_bmi2(Pass& s) {
    return counting_pass(s);
}
[[gnu::target("popcnt")]] bool counting_pass_popcnt(Pass& s) { return counting_pass(s); }
bool counting_pass_any(Pass& s) { return counting_pass(s); }

using PassFunction = bool (*)(Pass&);
bool choose_and_run(Pass& s);
std::atomic<PassFunction> pass_for_processor{choose_and_run};

bool choose_and_run(Pass& s) {
    __builtin_cpu_init();
    PassFunction chosen = counting_pass_any;
    if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi") &&
        __builtin_cpu_supports("bmi2") && __builtin_cpu_supports("popcnt")) {
        chosen = counting_pass_bmi2;
    } else if (__builtin_cpu_supports("popcnt")) {
        chosen = counting_pass_popcnt;
    }
    pass_for_processor.store(chosen, std::memory_order_relaxed);
    return chosen(s);
}

}  // namespace

bool run_counting_pass(Pass& s) { return pass_for_processor.load(std::memory_order_relaxed)(s); }
#else
}  // namespace

bool run_counting_pass(Pass& s) { return counting_pass(s); }
#endif

}  // namespace chess::passes
