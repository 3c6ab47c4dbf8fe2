#include "commands/snapshot.h"

#include "commands/game_control.h"
#include "movegen/generate.h"

namespace chess {

void take_snapshot(GameState& g) {
    Snapshot& s = g.snapshot;
    for (int i = 11; i <= 88; ++i) s.board[i] = g.board[i];
    for (int i = 1; i <= 6; ++i) {
        s.castle_moved[i] = g.castle_moved[i];
        s.castle_attacked[i] = g.castle_attacked[i];
    }
    s.white_king_moved = g.white_king_moved;
    s.black_king_moved = g.black_king_moved;
    s.computer_side = g.computer_side;
    s.move_number = g.move_number;
}

void restore_snapshot(GameState& g) {
    const Snapshot& s = g.snapshot;
    for (int i = 11; i <= 88; ++i) g.board[i] = s.board[i];
    for (int i = 1; i <= 6; ++i) {
        g.castle_moved[i] = s.castle_moved[i];
        g.castle_attacked[i] = s.castle_attacked[i];
    }
    g.white_king_moved = s.white_king_moved;
    g.black_king_moved = s.black_king_moved;
    g.computer_side = s.computer_side;
    g.move_number = s.move_number;
    // The colours follow the restored computer side, with the plain names the
    // main loop uses, so the prompt and the side to move agree after BACK.
    g.human_side = static_cast<int16_t>(-g.computer_side);
    g.search_side = g.computer_side;
    set_colour_names(g);
    generate_moves(g);
}

}  // namespace chess
