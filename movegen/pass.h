// What the generation passes share (internal to movegen/). Three passes build
// a ply's list, and generate_moves chooses among them (run_pass):
// - the sweep pass writes every row from the square sets;
// - the mailbox pass walks the board square by square and writes the same
//   rows, for the boards the sweep pass leaves to it;
// - at the lean ply the counting pass counts every move from the square sets
//   and writes only the capture rows; the other rows are owed (owed_rows.cpp)
//   and written when read. A list the counting pass leaves to it (one that
//   would pass the row limit) the mailbox pass counts, writing only its
//   capture rows too.
// All of them leave the same counters and attack records.
#pragma once

#include <cstdint>
#include <cstring>

#include "model/board.h"
#include "model/game_state.h"

namespace chess::passes {

// The attack records of a pass: the move codes that take each king (0 for
// none), and the castling flags: 1 and 4 White's and Black's king
// capturable, 2, 3, 5 and 6 a quiet move onto a castling path (see
// GameState::castle_attacked).
struct AttackRecords {
    int white_king_attack = 0;
    int black_king_attack = 0;
    int16_t castle_attacked[7] = {};
    bool operator==(const AttackRecords&) const = default;
};

// The state of one generation pass. A pass works on locals and writes the
// per-ply counters back at its end; the board, the list rows of the ply and
// board cells 1 and 9 are written in place.
struct Pass {
    int16_t* __restrict board;
    // The move-code cell of row 0 of the ply's list; the flag word follows it.
    // Row r's cells are `rows + r * move_list_columns` and the next one.
    int16_t* __restrict rows;
    const int16_t* castle_moved;
    int white_king_moved;
    int black_king_moved;
    // Counters and records are plain ints of the pass, so the compiler need
    // not reload them after every 16-bit store into the list.
    int count = 0;
    int white_count = 0;
    int black_count = 0;
    int captures = 0;
    AttackRecords records = {};
    int white_king_sq = 0;  // 0: no white king found
    int black_king_sq = 0;
    PieceSets* sets = nullptr;              // where the counting pass leaves its piece sets
    const uint64_t* square_sets = nullptr;  // the board's, where they are kept
    bool sets_left = false;
};

// Runs the pass that suits: the counting pass at the lean ply (`counting`),
// else the sweep pass, each leaving to the mailbox pass the boards it does not
// handle. generate_moves and the writing of owed rows both go through it.
void run_pass(Pass& s, bool counting);

// The passes, each on a board whose cells 1 and 9 it resets first. The sweep
// and counting passes return false, having changed nothing but those cells
// and rows the mailbox pass writes again, for a board they leave to it.
// CapturesOnly: count every move, write only the capture rows.
template <bool CapturesOnly>
void run_mailbox_pass(Pass& s);
bool run_sweep_pass(Pass& s);
bool run_counting_pass(Pass& s);

// Notes the rows a counting pass at the lean ply left owed: it wrote rows
// 1..captures and counted rows up to count.
void note_owed_rows(GameState& g, int count, int captures);

// Row 0's move-code cell in the list of `ply`.
inline int16_t* list_rows(GameState& g, int ply) {
    return &g.move_list[0][GameState::ply_base[ply] + 1];
}

// A row's two cells as one word, the move code in the low half.
constexpr uint32_t row_word(int code, int flags) {
    return static_cast<uint16_t>(code) | static_cast<uint32_t>(static_cast<uint16_t>(flags)) << 16;
}
[[gnu::always_inline]] inline void put_row(int16_t* row, uint32_t word) {
    std::memcpy(row, &word, sizeof word);
}

// Every capture joins the front of the list, after the captures found before
// it, at row `front`; the row it takes there moves to the end, to the new row
// `end` (the same row when no other row follows the captures). So the
// captures stand first in the order found, and a pass's rows come out the
// same however it finds them.
[[gnu::always_inline]] inline void capture_to_front(int16_t* front, int16_t* end, uint32_t word) {
    std::memcpy(end, front, sizeof(uint32_t));
    put_row(front, word);
}

// The records of a capture (move `code`) of a king by a piece of colour
// `mover` (-1 White, +1 Black): it is the captured king's attack record, board
// cell 1 (Black's king taken) or 9 (White's) holds it, and that king's
// castlings are barred (castling flag 4 or 1).
[[gnu::always_inline]] inline void record_king_capture(AttackRecords& r, int16_t* board, int mover,
                                                       int code) {
    if (mover < 0) {
        board[1] = static_cast<int16_t>(code);
        r.black_king_attack = code;
        r.castle_attacked[4] = 1;
    } else {
        board[9] = static_cast<int16_t>(code);
        r.white_king_attack = code;
        r.castle_attacked[1] = 1;
    }
}

// The castling entries a king on `sq` adds, in list order, as bits: 1 White
// king side, 2 White queen side, 4 Black king side, 8 Black queen side. E1
// is tested with White's flags and E8 with Black's, whatever the king's
// colour; `attacked` holds the castling flags made so far in the pass.
inline unsigned castlings(const int16_t* b, const int16_t* moved, int white_king_moved,
                          int black_king_moved, const int16_t* attacked, int sq) {
    unsigned allowed = 0;
    if (sq == sq_e1) {
        const int white_king = moved[1] + white_king_moved;
        if (static_cast<int16_t>(white_king + moved[2] + attacked[1] + attacked[2]) == 0 &&
            b[sq_f1] == 0 && b[sq_g1] == 0 && b[sq_h1] == -rook) {
            allowed |= 1u;
        }
        if (static_cast<int16_t>(white_king + moved[3] + attacked[1] + attacked[3]) == 0 &&
            b[sq_d1] == 0 && b[sq_c1] == 0 && b[sq_b1] == 0 && b[sq_a1] == -rook) {
            allowed |= 2u;
        }
    }
    if (sq == sq_e8) {
        const int black_king = moved[4] + black_king_moved;
        if (static_cast<int16_t>(black_king + moved[5] + attacked[4] + attacked[5]) == 0 &&
            b[sq_f8] == 0 && b[sq_g8] == 0 && b[sq_h8] == rook) {
            allowed |= 4u;
        }
        if (static_cast<int16_t>(black_king + moved[6] + attacked[4] + attacked[6]) == 0 &&
            b[sq_d8] == 0 && b[sq_c8] == 0 && b[sq_b8] == 0 && b[sq_a8] == rook) {
            allowed |= 8u;
        }
    }
    return allowed;
}

// Calls add(code, flags) for each castling entry of `allowed` (see
// castlings), in list order.
template <class Add>
[[gnu::always_inline]] inline void each_castling(unsigned allowed, Add&& add) {
    if (allowed & 1u) add(white_king_side_castle, white_king_side_flags);
    if (allowed & 2u) add(white_queen_side_castle, white_queen_side_flags);
    if (allowed & 4u) add(black_king_side_castle, black_king_side_flags);
    if (allowed & 8u) add(black_queen_side_castle, black_queen_side_flags);
}

}  // namespace chess::passes
