#include "console/board_display.h"

#include <cstdlib>
#include <string>

#include "engine/search_depth.h"
#include "io/console_io.h"
#include "movegen/castling_rights.h"

namespace chess {

void show_board(GameState& g) {
    Console& con = g.console;
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
        }
        line += ' ';
        line += format_number(9 - y);
        print_line(con, line);
    }
    refresh_material_and_depth(g);
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

}  // namespace chess
