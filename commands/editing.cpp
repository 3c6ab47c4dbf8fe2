#include "commands/editing.h"

#include <string>
#include <string_view>

#include "io/console_io.h"
#include "model/board.h"
#include "model/notation.h"
#include "movegen/generate.h"

namespace chess {

void edit_square(GameState& g) {
    Console& con = g.console;
    print_line(con);
    print_line(con, " WHITE: PNBRQK=(-1,-6)   BLACK: pnbrqk=(+1, +6)");
    int16_t piece = 0;
    std::string square;
    do {
        print_text(con, " ENTER PIECE, CHESS SQUARE (P,XY) ");
        print_text(con, "? ");
        std::string line;
        if (!read_reply(con, line)) return;
        std::string_view rest;
        piece = field_number(first_field(line, &rest));
        square = first_field(rest);
    } while (square.size() != 2);

    // The square doubled is a move text whose from-square is the square.
    std::string text = square + square;
    if (piece >= -6 && piece <= 6 && names_two_squares(text)) {
        g.move_text = text;
        text_to_move(g);
        g.board[move_from(g.move_word)] = piece;
    }
    generate_moves(g);
}

void clear_board(GameState& g) {
    Console& con = g.console;
    print_line(con);
    const int16_t confirm = ask_number(con, "CLEAR BOARD (0=NO/1=YES) ");
    if (con.ended || confirm != 1) return;
    for (int x = 1; x <= 8; ++x) {
        for (int y = 1; y <= 8; ++y) g.board[x * 10 + y] = 0;
    }
    const int16_t number = ask_number(con, "ENTER MOVE NUMBER ");
    if (con.ended) return;
    g.move_number = number;
}

void move_anywhere(GameState& g) {
    Console& con = g.console;
    g.move_text = ask_text(con, "     MOVE ANYWHERE! >> ");
    if (con.ended) return;
    if (g.move_text.size() >= 4 && names_two_squares(g.move_text)) {
        text_to_move(g);
        const int from = move_from(g.move_word);
        const int to = move_to(g.move_word);
        g.board[to] = g.board[from];
        g.board[from] = 0;
    }
    generate_moves(g);
}

}  // namespace chess
