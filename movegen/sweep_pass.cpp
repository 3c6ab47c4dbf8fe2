// The sweep pass: the rows, counters and records of the mailbox pass, in the
// same order, with the targets read from square sets: along a ray the quiet
// moves are the empty squares before the nearest occupied one, which is a
// capture when it holds an enemy piece. Each move is written the way the
// mailbox pass writes it, so the list, the captures at its front and the rows
// they displace come out the same. A row's move code and flag word are
// written as one 32-bit word, the code in the low half.
#include <bit>
#include <cstddef>
#include <cstdint>

#include "model/board.h"
#include "movegen/geometry.h"
#include "movegen/occupancy.h"
#include "movegen/pass.h"

#if defined(__SSE2__) && !defined(CHESS_NO_SIMD)
#include <emmintrin.h>
#endif

namespace chess::passes {

namespace {

// The squares of each side's pieces, pawns and kings, and whether a playing
// square holds a code that is no piece.
struct SideSets {
    uint64_t side[2];
    uint64_t pawns[2];
    uint64_t kings[2];
    bool odd;
};

// The same from the squares of each piece code (index code + 6), kept for
// a board of piece codes only.
inline SideSets side_sets_of(const uint64_t* sets) {
    const Armies a = armies_of_sets(sets);
    return {{a.side[0], a.side[1]}, {a.pawns[0], a.pawns[1]}, {a.kings[0], a.kings[1]}, false};
}

inline SideSets side_sets(const int16_t* board) {
    SideSets s{{0, 0}, {0, 0}, {0, 0}, false};
#if defined(__SSE2__) && !defined(CHESS_NO_SIMD)
    const __m128i zero = _mm_setzero_si128();
    const __m128i black_king = _mm_set1_epi8(king);
    const __m128i white_king = _mm_set1_epi8(-king);
    const __m128i white_pawn = _mm_set1_epi8(-pawn);
    const __m128i black_pawn = _mm_set1_epi8(pawn);
    // A code c is a piece or empty when c + 6, as an unsigned byte, is at
    // most 12.
    const __m128i six = _mm_set1_epi8(king);
    const __m128i twelve = _mm_set1_epi8(2 * king);
    __m128i beyond = zero;
    const auto mask = [](__m128i v) {
        return static_cast<uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(v)));
    };
    for (int x = 0; x < 8; x += 2) {
        // Two files at once, as bytes (saturated, so a code beyond a byte
        // stays beyond the pieces): file x in the low half.
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(board + 10 * x + 11));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(board + 10 * x + 21));
        const __m128i value = _mm_packs_epi16(a, b);
        const int shift = 8 * x;
        const uint64_t negative = mask(value);
        s.side[0] |= negative << shift;
        s.side[1] |= (~mask(_mm_cmpeq_epi8(value, zero)) & ~negative & 0xffff) << shift;
        s.pawns[0] |= mask(_mm_cmpeq_epi8(value, white_pawn)) << shift;
        s.pawns[1] |= mask(_mm_cmpeq_epi8(value, black_pawn)) << shift;
        s.kings[0] |= mask(_mm_cmpeq_epi8(value, white_king)) << shift;
        s.kings[1] |= mask(_mm_cmpeq_epi8(value, black_king)) << shift;
        beyond = _mm_or_si128(beyond, _mm_subs_epu8(_mm_add_epi8(value, six), twelve));
    }
    s.odd = _mm_movemask_epi8(_mm_cmpeq_epi8(beyond, zero)) != 0xffff;
#else
    for (int x = 0; x < 8; ++x) {
        for (int y = 0; y < 8; ++y) {
            const int v = board[10 * x + 11 + y];
            const uint64_t bit = uint64_t{1} << (8 * x + y);
            if (v < 0) s.side[0] |= bit;
            if (v > 0) s.side[1] |= bit;
            if (v == -pawn) s.pawns[0] |= bit;
            if (v == pawn) s.pawns[1] |= bit;
            if (v == -king) s.kings[0] |= bit;
            if (v == king) s.kings[1] |= bit;
            if (v < -king || v > king) s.odd = true;
        }
    }
#endif
    return s;
}

struct SweepTables {
    // A pawn's single step by colour index and square.
    uint32_t pawn_step[2][64] = {};
};
constexpr SweepTables make_sweep_tables() {
    SweepTables t;
    for (int b = 0; b < 64; ++b) {
        const int sq = cell_of_bit(b);
        t.pawn_step[0][b] = row_word(sq * 101 - 1, 1100 + kind_white_quiet);
        t.pawn_step[1][b] = row_word(sq * 101 + 1, 2100 + kind_black_quiet);
    }
    return t;
}
constexpr SweepTables sweep_tables = make_sweep_tables();

// Between two tests of the list's length the pass adds at most 27 moves of a
// piece (a queen in the open) and 32 pawn steps: a list at most this long at
// a test cannot pass the row limit before the next one.
constexpr int sweep_safe_rows = max_list_rows - 27 - 32;

// The running state of the sweep pass; `Pass` gets its results at the end.
struct Sweep {
    int16_t* board;
    int16_t* end;    // the newest row (row `count`)
    int16_t* front;  // the newest capture row (row `captures`)
    uint64_t side[2];
    uint64_t occupied;
    uint64_t steps;      // pawns that step one square
    uint64_t two_steps;  // pawns that also step two
    // Empty squares on which a quiet move marks a castling path of the other
    // colour, by mover (none while that colour's king has moved), and the
    // ones reached so far.
    uint64_t paths[2];
    uint64_t hits[2];
    AttackRecords records;
    // En passant and castling entries, all and those added while White's
    // pieces were generated: they count for neither colour.
    int specials;
    int white_specials;
};

template <int Colour, int Piece>
constexpr int sweep_flags = (Colour < 0 ? 1000 : 2000) + Piece * 100;
// The row of a quiet move from `sq` less its target: add the target cell.
template <int Colour, int Piece>
[[gnu::always_inline]] inline uint32_t quiet_base(int sq) {
    return row_word(
        sq * 100, sweep_flags<Colour, Piece> + (Colour < 0 ? kind_white_quiet : kind_black_quiet));
}

[[gnu::always_inline]] inline void sweep_row(Sweep& w, uint32_t word) {
    w.end += move_list_columns;
    put_row(w.end, word);
}

// The capture of the piece on `to`, put at the front of the list.
template <int Colour, int Piece>
[[gnu::always_inline]] inline void sweep_capture(Sweep& w, int from, int to) {
    const int code = from * 100 + to;
    const int c = w.board[to];
    if (c == -Colour * king) record_king_capture(w.records, w.board, Colour, code);
    w.front += move_list_columns;
    w.end += move_list_columns;
    capture_to_front(w.front, w.end,
                     row_word(code, sweep_flags<Colour, Piece> + (Colour < 0 ? c : -c) * 10 +
                                        (Colour < 0 ? kind_white_capture : kind_black_capture)));
}

// An en passant or castling entry, as the mailbox pass writes it.
template <int Colour>
[[gnu::always_inline]] inline void sweep_special(Sweep& w, int code, int flags) {
    sweep_row(w, row_word(code, flags));
    ++w.specials;
    if (Colour < 0) ++w.white_specials;
}

// One ray of a sliding piece on bit `b` (cell `sq`): the quiet moves up to the
// nearest occupied square or the edge, then the capture there. `open` holds
// the piece's neighbours not held by its side, turned so that the piece's own
// square is bit 0: a ray that starts at the edge or at an own piece is empty,
// one that starts at an enemy piece is that capture alone. Returns the
// squares of the quiet moves.
template <int Colour, int Piece, int D>
[[gnu::always_inline]] inline uint64_t sweep_ray(Sweep& w, int b, int sq, uint32_t base,
                                                 uint64_t open) {
    constexpr int delta = dir_dx[D] * 8 + dir_dy[D];
    if (((open >> (delta & 63)) & 1) == 0) return 0;
    const int me = side_index(Colour);
    const uint64_t ray = geometry.ray[D][b];
    const uint64_t blockers = ray & w.occupied;
    // The quiet squares lie between the piece and the nearest blocker, which
    // is the lowest one where the ray counts bits up and the highest one
    // where it counts down; a ray without blockers is quiet to the edge.
    uint64_t quiet;
    uint64_t nearest;
    if (delta > 0) {
        nearest = blockers & (0 - blockers);
        quiet = ray & (nearest - 1);
    } else {
        // The bits up to the nearest blocker, none when there is none. A
        // ray that counts down never holds bit 63, so 1 <= zeros <= 64.
        const int zeros = std::countl_zero(blockers);
        const uint64_t up_to = (~uint64_t{0} >> 1) >> (zeros - 1);
        quiet = ray & ~up_to;
        // No blocker lies above the nearest one.
        nearest = blockers & ~(up_to >> 1);
    }
    // One row per quiet square, walking out from the piece: only their
    // number matters, each next one is one step further.
    int16_t* row = w.end;
    uint32_t word = base + static_cast<uint32_t>(sq);
    for (uint64_t left = quiet; left != 0; left &= left - 1) {
        row += move_list_columns;
        word += static_cast<uint32_t>(dir_cells[D]);
        put_row(row, word);
    }
    w.end = row;
    if ((nearest & w.side[1 - me]) != 0) {
        const int stop = delta > 0 ? std::countr_zero(nearest) : 63 - std::countl_zero(nearest);
        sweep_capture<Colour, Piece>(w, sq, cells.of[stop]);
    }
    return quiet;
}

// A slider's rays in the mailbox pass's order; their quiet squares on a
// castling path of the other colour mark it.
template <int Colour, int Piece>
[[gnu::always_inline]] inline void sweep_slider(Sweep& w, int b, int sq) {
    const int me = side_index(Colour);
    const uint32_t base = quiet_base<Colour, Piece>(sq);
    const uint64_t open = std::rotr(geometry.king[b] & ~w.side[me], b);
    uint64_t reached = 0;
    if (Piece != rook) {
        reached |= sweep_ray<Colour, Piece, up_right>(w, b, sq, base, open);
        reached |= sweep_ray<Colour, Piece, down_right>(w, b, sq, base, open);
        reached |= sweep_ray<Colour, Piece, up_left>(w, b, sq, base, open);
        reached |= sweep_ray<Colour, Piece, down_left>(w, b, sq, base, open);
    }
    if (Piece != bishop) {
        reached |= sweep_ray<Colour, Piece, up>(w, b, sq, base, open);
        reached |= sweep_ray<Colour, Piece, down>(w, b, sq, base, open);
        reached |= sweep_ray<Colour, Piece, right>(w, b, sq, base, open);
        reached |= sweep_ray<Colour, Piece, left>(w, b, sq, base, open);
    }
    w.hits[me] |= reached & w.paths[me];
}

// One knight's jump or king's step of `Cells` cells, `Bits` bits: `open` and
// `enemy` are the targets not held by the mover's side and the other side's
// squares, turned so that the piece's own square is bit 0.
template <int Colour, int Piece, int Cells, int Bits>
[[gnu::always_inline]] inline void sweep_step(Sweep& w, uint64_t open, uint64_t enemy, int sq,
                                              uint32_t base) {
    constexpr int at = Bits & 63;
    if (((open >> at) & 1) == 0) return;
    if (((enemy >> at) & 1) == 0) {
        sweep_row(w, base + static_cast<uint32_t>(sq + Cells));
    } else {
        sweep_capture<Colour, Piece>(w, sq, sq + Cells);
    }
}

template <int Colour>
[[gnu::always_inline]] inline void sweep_knight(Sweep& w, int b, int sq) {
    const int me = side_index(Colour);
    const uint64_t targets = geometry.knight[b];
    const uint64_t open = std::rotr(targets & ~w.side[me], b);
    const uint64_t enemy = std::rotr(w.side[1 - me], b);
    const uint32_t base = quiet_base<Colour, knight>(sq);
    w.hits[me] |= targets & w.paths[me];
    sweep_step<Colour, knight, 8, 6>(w, open, enemy, sq, base);
    sweep_step<Colour, knight, -12, -10>(w, open, enemy, sq, base);
    sweep_step<Colour, knight, 19, 15>(w, open, enemy, sq, base);
    sweep_step<Colour, knight, 21, 17>(w, open, enemy, sq, base);
    sweep_step<Colour, knight, 12, 10>(w, open, enemy, sq, base);
    sweep_step<Colour, knight, -8, -6>(w, open, enemy, sq, base);
    sweep_step<Colour, knight, -21, -17>(w, open, enemy, sq, base);
    sweep_step<Colour, knight, -19, -15>(w, open, enemy, sq, base);
}

// The steps of the pawns in `pawns`, which have no other moves, in square
// order. A step goes one bit down for White and one up for Black.
inline void sweep_pawn_steps(Sweep& w, uint64_t pawns, uint64_t black_pawns) {
    for (; pawns != 0; pawns &= pawns - 1) {
        const int b = std::countr_zero(pawns);
        const bool black = ((black_pawns >> b) & 1) != 0;
        const uint32_t word = black ? sweep_tables.pawn_step[1][b] : sweep_tables.pawn_step[0][b];
        sweep_row(w, word);
        if ((w.two_steps >> b) & 1) sweep_row(w, word + (black ? 1u : ~0u));
    }
}

// A pawn with more than steps: its steps, its captures toward the H file and
// then the A file, and its en passant entries, as the mailbox pass has them.
template <int Colour>
[[gnu::always_inline]] inline void sweep_pawn(Sweep& w, int b, int sq) {
    constexpr int ahead = Colour < 0 ? -1 : 1;
    const uint32_t word = sweep_tables.pawn_step[side_index(Colour)][b];
    if ((w.steps >> b) & 1) sweep_row(w, word);
    if ((w.two_steps >> b) & 1) sweep_row(w, word + ahead);
    const int x = b >> 3;
    const uint64_t enemy = w.side[Colour < 0 ? 1 : 0];
    if (x != 7 && ((enemy >> (b + 8 + ahead)) & 1)) {
        sweep_capture<Colour, pawn>(w, sq, sq + 10 + ahead);
    }
    if (x != 0 && ((enemy >> (b - 8 + ahead)) & 1)) {
        sweep_capture<Colour, pawn>(w, sq, sq - 10 + ahead);
    }
    if ((b & 7) == (Colour < 0 ? 3 : 4)) {
        // The marker of a double step sits in the border cell beside the
        // captured pawn's file.
        const int16_t* bd = w.board;
        const int marker = Colour < 0 ? 0 : 9;
        const int16_t flags = GameState::ep_flag_word[Colour + 2];
        if (bd[sq + 10] == -Colour && bd[10 * (x + 2) + marker] == GameState::ep_marker) {
            sweep_special<Colour>(w, sq * 100 + sq + 10 + ahead, flags);
        }
        if (bd[sq - 10] == -Colour && bd[10 * x + marker] == GameState::ep_marker) {
            sweep_special<Colour>(w, sq * 100 + sq - 10 + ahead, flags);
        }
    }
}

// The number of squares in two sets together. Without the population-count
// instruction the sum is taken bit-parallel, both sets at once, rather than
// by two calls to the library's count.
[[gnu::always_inline]] inline int count_both(uint64_t a, uint64_t b) {
#if defined(__POPCNT__)
    return std::popcount(a) + std::popcount(b);
#else
    constexpr uint64_t ones = 0x5555555555555555;
    constexpr uint64_t twos = 0x3333333333333333;
    constexpr uint64_t fours = 0x0f0f0f0f0f0f0f0f;
    a -= (a >> 1) & ones;
    b -= (b >> 1) & ones;
    // Each four bits hold at most 4 per set, 8 for both.
    uint64_t sum = (a & twos) + ((a >> 2) & twos) + (b & twos) + ((b >> 2) & twos);
    sum = (sum & fours) + ((sum >> 4) & fours);
    return static_cast<int>((sum * 0x0101010101010101) >> 56);
#endif
}

// A row's place in memory, for counting rows by their bytes.
constexpr uintptr_t row_bytes = move_list_columns * sizeof(int16_t);
[[gnu::always_inline]] inline uintptr_t address_of(const int16_t* row) {
    return reinterpret_cast<uintptr_t>(row);
}

// The castling-path flags of the quiet moves found so far.
inline void mark_paths(Sweep& w) {
    if ((w.hits[0] & path_5) != 0) w.records.castle_attacked[5] = 1;
    if ((w.hits[0] & path_6) != 0) w.records.castle_attacked[6] = 1;
    if ((w.hits[1] & path_2) != 0) w.records.castle_attacked[2] = 1;
    if ((w.hits[1] & path_3) != 0) w.records.castle_attacked[3] = 1;
}

// The king's steps, then the castling tests of its square, which see the
// records of every move found before them. A king's quiet step onto a
// castling path of the other colour marks it.
template <int Colour>
[[gnu::always_inline]] inline void sweep_king(Sweep& w, const Pass& s, int b) {
    const int me = side_index(Colour);
    const int sq = cell_of_bit(b);
    const uint64_t targets = geometry.king[b] & ~w.side[me];
    const uint64_t open = std::rotr(targets, b);
    const uint64_t enemy = std::rotr(w.side[1 - me], b);
    const uint32_t base = quiet_base<Colour, king>(sq);
    sweep_step<Colour, king, -1, -1>(w, open, enemy, sq, base);
    sweep_step<Colour, king, 1, 1>(w, open, enemy, sq, base);
    sweep_step<Colour, king, 10, 8>(w, open, enemy, sq, base);
    sweep_step<Colour, king, -10, -8>(w, open, enemy, sq, base);
    sweep_step<Colour, king, 9, 7>(w, open, enemy, sq, base);
    sweep_step<Colour, king, 11, 9>(w, open, enemy, sq, base);
    sweep_step<Colour, king, -11, -9>(w, open, enemy, sq, base);
    sweep_step<Colour, king, -9, -7>(w, open, enemy, sq, base);
    w.hits[me] |= targets & w.paths[me];
    if (sq != sq_e1 && sq != sq_e8) return;
    mark_paths(w);
    const unsigned allowed = castlings(w.board, s.castle_moved, s.white_king_moved,
                                       s.black_king_moved, w.records.castle_attacked, sq);
    each_castling(allowed, [&](int code, int flags) { sweep_special<Colour>(w, code, flags); });
}

}  // namespace

// False when the sweep pass leaves the board to the mailbox pass: a playing
// square holds a code that is no piece, or the list might pass the row limit
// (every row written by then lies within the rows the mailbox pass rewrites).
bool run_sweep_pass(Pass& s) {
    const SideSets sets =
        s.square_sets != nullptr ? side_sets_of(s.square_sets) : side_sets(s.board);
    if (sets.odd) return false;
    s.board[1] = GameState::border_value;
    s.board[9] = GameState::border_value;
    Sweep w;
    w.board = s.board;
    w.end = s.rows + s.count * move_list_columns;
    w.front = s.rows + s.captures * move_list_columns;
    w.side[0] = sets.side[0];
    w.side[1] = sets.side[1];
    w.occupied = sets.side[0] | sets.side[1];
    w.records = s.records;
    w.specials = 0;
    w.white_specials = 0;
    const uint64_t empty = ~w.occupied;
    w.paths[0] = s.black_king_moved != 1 ? (path_5 | path_6) & empty : 0;
    w.paths[1] = s.white_king_moved != 1 ? (path_2 | path_3) & empty : 0;

    // Pawns whose only moves are steps are written in runs between the other
    // pieces; pawns that may capture or take en passant go with the pieces.
    const uint64_t white_pawns = movable_pawns<-1>(sets.pawns[0]);
    const uint64_t black_pawns = movable_pawns<1>(sets.pawns[1]);
    const uint64_t white_steps = white_pawns & (empty << 1);
    const uint64_t black_steps = black_pawns & (empty >> 1);
    w.steps = white_steps | black_steps;
    w.two_steps =
        (white_steps & row_bits(7) & (empty << 2)) | (black_steps & row_bits(2) & (empty >> 2));
    w.hits[0] = (white_steps >> 1) & w.paths[0];
    w.hits[1] = (black_steps << 1) & w.paths[1];
    const PawnTakes white_takes = pawn_takes<-1>(sets.pawns[0]);
    const PawnTakes black_takes = pawn_takes<1>(sets.pawns[1]);
    const uint64_t busy_pawns =
        ((white_takes.right & sets.side[1]) >> 7) | ((white_takes.left & sets.side[1]) << 9) |
        ((black_takes.right & sets.side[0]) >> 9) | ((black_takes.left & sets.side[0]) << 7) |
        (sets.pawns[0] & row_bits(4)) | (sets.pawns[1] & row_bits(5));
    uint64_t stepping_pawns = w.steps & ~busy_pawns;
    const uint64_t pieces =
        (w.occupied & ~(sets.pawns[0] | sets.pawns[1] | sets.kings[0] | sets.kings[1])) |
        busy_pawns;

    const int16_t* const safe_end = s.rows + sweep_safe_rows * move_list_columns;
    // The rows White's pieces add, counted in bytes (a difference of
    // addresses needs no division until the end).
    uintptr_t white_bytes = 0;
    for (uint64_t set = pieces; set != 0; set &= set - 1) {
        const int b = std::countr_zero(set);
        const uint64_t before_b = stepping_pawns & ((set & (0 - set)) - 1);
        if (before_b != 0) {
            sweep_pawn_steps(w, before_b, sets.pawns[1]);
            stepping_pawns ^= before_b;
        }
        if (w.end > safe_end) return false;
        const int sq = cells.of[b];
        const uintptr_t before = address_of(w.end);
        switch (w.board[sq]) {
            case -pawn:
                sweep_pawn<-1>(w, b, sq);
                white_bytes += address_of(w.end) - before;
                break;
            case -knight:
                sweep_knight<-1>(w, b, sq);
                white_bytes += address_of(w.end) - before;
                break;
            case -bishop:
                sweep_slider<-1, bishop>(w, b, sq);
                white_bytes += address_of(w.end) - before;
                break;
            case -rook:
                sweep_slider<-1, rook>(w, b, sq);
                white_bytes += address_of(w.end) - before;
                break;
            case -queen:
                sweep_slider<-1, queen>(w, b, sq);
                white_bytes += address_of(w.end) - before;
                break;
            case pawn:
                sweep_pawn<1>(w, b, sq);
                break;
            case knight:
                sweep_knight<1>(w, b, sq);
                break;
            case bishop:
                sweep_slider<1, bishop>(w, b, sq);
                break;
            case rook:
                sweep_slider<1, rook>(w, b, sq);
                break;
            case queen:
                sweep_slider<1, queen>(w, b, sq);
                break;
            default:
                break;
        }
    }
    sweep_pawn_steps(w, stepping_pawns, sets.pawns[1]);
    const uint64_t white_stepping = w.steps & ~busy_pawns & sets.pawns[0];
    white_bytes +=
        static_cast<uintptr_t>(count_both(white_stepping, white_stepping & w.two_steps)) *
        row_bytes;
    if (w.end > safe_end) return false;

    // Of two kings of one colour only the last one in square order moves.
    const int white_king = last_bit(sets.kings[0]);
    const int black_king = last_bit(sets.kings[1]);
    if (white_king >= 0) {
        const uintptr_t before = address_of(w.end);
        sweep_king<-1>(w, s, white_king);
        white_bytes += address_of(w.end) - before;
    }
    if (black_king >= 0) sweep_king<1>(w, s, black_king);
    mark_paths(w);
    const int count = static_cast<int>((w.end - s.rows) / move_list_columns);
    const int white_moves = static_cast<int>(white_bytes / row_bytes) - w.white_specials;
    s.white_count += white_moves;
    s.black_count += count - s.count - w.specials - white_moves;
    s.count = count;
    s.captures = static_cast<int>((w.front - s.rows) / move_list_columns);
    s.records = w.records;
    if (white_king >= 0) s.white_king_sq = cell_of_bit(white_king);
    if (black_king >= 0) s.black_king_sq = cell_of_bit(black_king);
    return true;
}

}  // namespace chess::passes
