// Owed rows: the rows of a list at the lean ply that a counting pass counted
// but did not write. Each counting pass notes its board and castling state
// (a DeferredRows note); reading an owed row writes the rows of its note
// first, by a pass that writes every row, on the noted board.
#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#include "model/game_state.h"
#include "movegen/generate.h"
#include "movegen/pass.h"

#if defined(__SSE2__) && !defined(CHESS_NO_SIMD)
#include <emmintrin.h>
#endif

namespace chess {

using namespace passes;

namespace {

// Writes the rows of note `index`: the whole pass again on its board and
// castling state, keeping the newer rows in front of them.
void write_note_rows(GameState& g, int index) {
    DeferredRows& d = g.deferred[index];
    int16_t* rows = list_rows(g, g.lean_ply);
    int16_t newer[max_list_rows + 1][2];
    for (int r = 1; r <= d.first; ++r) {
        newer[r][0] = rows[r * move_list_columns];
        newer[r][1] = rows[r * move_list_columns + 1];
    }
    Pass s{d.board, rows, d.castle_moved, d.white_king_moved, d.black_king_moved};
    run_pass(s, false);
    for (int r = 1; r <= d.first; ++r) {
        rows[r * move_list_columns] = newer[r][0];
        rows[r * move_list_columns + 1] = newer[r][1];
    }
    for (int i = index + 1; i < g.deferred_count; ++i) {
        g.deferred[i - 1] = g.deferred[i];
        g.deferred_last[i - 1] = g.deferred_last[i];
    }
    --g.deferred_count;
}

// A counting pass wrote rows 1..captures and counted rows up to count.
// Rows up to count now belong to it: older notes shrink to the rows above.
// The notes are kept newest last, so their ranges ascend from last to first:
// the notes dropped, those whose last row is within the count, are the newest
// ones, and the notes kept are those before the first such note. They are
// found at one look, with no branch that depends on how many there are.
int notes_above(const GameState& g, int count) {
#if defined(__SSE2__) && !defined(CHESS_NO_SIMD)
    static_assert(deferred_capacity == 16);
    const __m128i limit = _mm_set1_epi16(static_cast<short>(count));
    const __m128i older = _mm_loadu_si128(reinterpret_cast<const __m128i*>(&g.deferred_last[0]));
    const __m128i newer = _mm_loadu_si128(reinterpret_cast<const __m128i*>(&g.deferred_last[8]));
    // Two mask bits per note.
    const uint32_t above = static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpgt_epi16(older, limit))) |
                           static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpgt_epi16(newer, limit)))
                               << 16;
    return std::min<int>(std::countr_one(above) / 2, g.deferred_count);
#else
    int kept = 0;
    while (kept < g.deferred_count && g.deferred_last[kept] > count) ++kept;
    return kept;
#endif
}

// The note holding row `row` of the lean ply, or -1.
int note_holding(const GameState& g, int row) {
    for (int i = g.deferred_count - 1; i >= 0; --i) {
        if (row <= g.deferred[i].first) return -1;
        if (row <= g.deferred_last[i]) return i;
    }
    return -1;
}

// A new note, after the others: the board and castling state of the
// counting pass that wrote rows 1..captures and counted rows up to count.
[[gnu::always_inline]] inline void add_note(GameState& g, int count, int captures) {
    g.deferred_last[g.deferred_count] = static_cast<int16_t>(count);
    DeferredRows& d = g.deferred[g.deferred_count++];
    std::memcpy(d.board, g.board, sizeof d.board);
    std::memcpy(d.castle_moved, g.castle_moved, sizeof d.castle_moved);
    d.white_king_moved = g.white_king_moved;
    d.black_king_moved = g.black_king_moved;
    d.first = static_cast<int16_t>(captures);
    d.pass = g.lean_passes;
}

// With every note in use, the oldest note's rows are written first. Kept out
// of line, so that noting a pass calls nothing on its usual way.
[[gnu::noinline]] void write_oldest_and_note(GameState& g, int count, int captures) {
    write_note_rows(g, 0);
    add_note(g, count, captures);
}

}  // namespace

void passes::note_owed_rows(GameState& g, int count, int captures) {
    const int kept = notes_above(g, count);
    g.deferred_count = static_cast<int16_t>(kept);
    if (kept > 0) {
        int16_t& older_first = g.deferred[kept - 1].first;
        older_first = static_cast<int16_t>(std::max<int>(older_first, count));
    }
    if (captures == count) return;
    if (g.deferred_count == deferred_capacity) {
        write_oldest_and_note(g, count, captures);
    } else {
        add_note(g, count, captures);
    }
}

void defer_rows_at(GameState& g, int ply) {
    write_deferred_rows(g);
    g.lean_ply = static_cast<int16_t>(ply >= 1 && ply < ply_slots ? ply : 0);
}

void write_deferred_rows(GameState& g) {
    while (g.deferred_count > 0) write_note_rows(g, g.deferred_count - 1);
    g.lean_ply = 0;
}

int16_t list_code(GameState& g, int ply, int row) {
    if (ply == g.lean_ply && g.deferred_count > 0) {
        const int holder = note_holding(g, row);
        if (holder >= 0) write_note_rows(g, holder);
    }
    return g.move_list[row][GameState::ply_base[ply] + 1];
}

bool row_is_unwritten_quiet(const GameState& g, int ply, int row) {
    if (ply != g.lean_ply || g.deferred_count == 0) return false;
    const int holder = note_holding(g, row);
    if (holder < 0) return false;
    const DeferredRows& d = g.deferred[holder];
    return d.pass == g.lean_passes &&
           std::memcmp(&d.board[11], &g.board[11], sizeof(int16_t) * 78) == 0;
}

bool row_is_deferred(const GameState& g, int ply, int row) {
    return ply == g.lean_ply && g.deferred_count > 0 && note_holding(g, row) >= 0;
}

}  // namespace chess
