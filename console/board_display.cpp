#include "console/board_display.h"

#include <cstdlib>
#include <string>

#include "io/console_io.h"

namespace chess {

namespace {

void recompute_depth(GameState& g) {
    if (g.hold_depth == 1) {
        // The last search raised the depth for this one search.
        g.hold_depth = 0;
        return;
    }
    g.search_depth = g.base_depth;
    if (g.piece_total < GameState::depth_step1_total) g.search_depth = g.base_depth + 1;
    if (g.piece_total < GameState::depth_step1_total - 4) g.threat_divisor = 50;
    if (g.piece_total < GameState::depth_step2_total) g.search_depth = g.base_depth + 2;
    if (g.search_depth > 8) g.search_depth = 8;
}

}  // namespace

void show_board(GameState& g) {
    Console& con = g.console;
    g.piece_total = 0;
    g.white_total = 0;
    g.black_total = 0;
    print_line(con);
    print_line(con, "    A B C D E F G H     COMMANDS= DEPTH SWAP  LOAD  EDIT  SUGGEST");
    print_line(con, "   =================        XMOVE BACK  WHITE BLACK CLEAR SAVE QUIT");
    for (int y = 1; y <= 8; ++y) {
        std::string line = format_number(9 - y);
        for (int x = 1; x <= 8; ++x) {
            const int16_t code = g.board[x * 10 + y];
            line += ' ';
            // Only piece codes stand on the squares; anything else shows as '?'.
            line += (code >= -6 && code <= 6) ? GameState::board_letters[code + 6] : '?';
            g.piece_total = static_cast<int16_t>(g.piece_total + std::abs(code));
            if (code < 0) {
                g.white_total = static_cast<int16_t>(g.white_total + code);
            } else {
                g.black_total = static_cast<int16_t>(g.black_total + code);
            }
        }
        line += ' ';
        line += format_number(9 - y);
        print_line(con, line);
    }
    recompute_depth(g);
    print_line(con, "   =================       MOVE  BOARD  WHITE  BLACK   DEPTH");
    print_text(con, "    A B C D E F G H   ");
    next_print_zone(con);
    print_number(con, g.move_number);
    print_text(con, "   ");
    print_number(con, g.piece_total);
    print_text(con, "   ");
    print_number(con, std::abs(g.white_total));
    print_text(con, "   ");
    print_number(con, g.black_total);
    print_text(con, "   ");
    print_number(con, g.search_depth);
    print_line(con);
    print_line(con);
    print_line(con);
    correct_castling_flags(g);
}

// Kings and rooks off their home squares lose their castling rights; these
// flags are only ever set, never cleared.
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

}  // namespace chess
