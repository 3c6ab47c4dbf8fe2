#include "movegen/castling_rights.h"

#include "model/board.h"

namespace chess {

void correct_castling_flags(GameState& g) {
    if (g.board[58] != -6) {
        g.castle_moved[1] = 1;
        g.white_king_moved = 1;
    }
    if (g.board[88] != -4) g.castle_moved[2] = 1;
    if (g.board[18] != -4) g.castle_moved[3] = 1;
    if (g.board[51] != 6) {
        g.castle_moved[4] = 1;
        g.black_king_moved = 1;
    }
    if (g.board[81] != 4) g.castle_moved[5] = 1;
    if (g.board[11] != 4) g.castle_moved[6] = 1;
}

void note_castling_loss(GameState& g) {
    if (g.ply < 1 || g.ply > 10 || g.move_index < 0 || g.move_index >= move_list_rows) return;
    const int16_t code = g.move_list[g.move_index][GameState::ply_base[g.ply] + 1];
    const int16_t from = move_from(code);
    const int16_t to = move_to(code);
    // A move code of the list always names two playing squares; anything else
    // is left alone rather than read outside the board.
    if (!is_playing_square(from) || !is_playing_square(to)) return;
    if (g.board[to] == -king) {
        g.castle_moved[1] = 1;
        g.white_king_moved = 1;
    }
    if (from == sq_h1) g.castle_moved[2] = 1;
    if (from == sq_a1) g.castle_moved[3] = 1;
    if (g.board[to] == king) {
        g.castle_moved[4] = 1;
        g.black_king_moved = 1;
    }
    if (from == sq_h8) g.castle_moved[5] = 1;
    if (from == sq_a8) g.castle_moved[6] = 1;
}

}  // namespace chess
