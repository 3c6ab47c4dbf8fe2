#include "commands/game_control.h"

#include <string>
#include <string_view>

#include "commands/search_report.h"
#include "engine/book.h"
#include "engine/move_choice.h"
#include "io/console_io.h"
#include "model/board.h"
#include "model/notation.h"

namespace chess {

namespace {

// "SUGGESTED MOVE: " and "ALTERNATE MOVE: " show a move only for a non-zero
// code.
void print_suggestion(Console& con, std::string_view label, int16_t code) {
    print_text(con, label);
    print_line(con, code != 0 ? move_to_text(code) : std::string());
}

}  // namespace

void set_colour_names(GameState& g, bool trailing_blank) {
    const bool computer_white = g.computer_side == GameState::white_side;
    g.human_name = computer_white ? "BLACK" : "WHITE";
    g.computer_name = computer_white ? "WHITE" : "BLACK";
    if (trailing_blank) {
        g.human_name += ' ';
        g.computer_name += ' ';
    }
}

void suggest_move(GameState& g) {
    Console& con = g.console;
    const int16_t remembered_side = g.search_side;
    g.alternate_move = 0;
    const int16_t colour = ask_number(con, "SUGGEST MOVE FOR 1=WHITE, 2=BLACK ");
    if (con.ended) return;
    g.search_side = colour == 1 ? GameState::white_side : GameState::black_side;

    // The choice is only shown, never played. The search generates the
    // current position's ply-1 list at its start and leaves it as the list
    // the user's next move is looked up in.
    const int16_t ply = g.ply;
    search_at_console(g);
    drop_book_reply(g);
    g.ply = ply;

    print_suggestion(con, "SUGGESTED MOVE: ", g.move_code);
    print_suggestion(con, "ALTERNATE MOVE: ", g.alternate_move);
    g.search_side = remembered_side;
}

bool set_depth(GameState& g) {
    Console& con = g.console;
    print_text(con, "CURRENT BASE DEPTH = ");
    print_number(con, g.base_depth);
    print_line(con);
    int16_t depth = ask_number(con, "NEW VALUE= ");
    if (con.ended) return false;
    if (depth < 2) depth = 2;
    if (depth > 8) depth = 8;
    g.base_depth = depth;
    g.search_depth = depth;
    return true;
}

void swap_sides(GameState& g) {
    Console& con = g.console;
    g.search_side = static_cast<int16_t>(-g.search_side);
    search_at_console(g);
    if (g.game_over != 1) {
        play_chosen_move(g);
        g.move_word = g.move_code;
        move_to_text(g);
        print_line(con, g.move_text);
    } else {
        // No move is played, so no book reply is handed over.
        drop_book_reply(g);
        if (!g.settings.swap_game_over_returns) {
            print_text(con, "GAME OVER");
            std::string reply;
            read_reply(con, reply);
            con.ended = true;
            return;
        }
    }

    g.computer_side = static_cast<int16_t>(-g.computer_side);
    g.human_side = static_cast<int16_t>(-g.human_side);
    set_colour_names(g, true);
    ++g.swap_count;
    if (g.swap_count > 1) {
        ++g.move_number;
        g.swap_count = 0;
    }
}

void choose_white(GameState& g) {
    g.computer_side = GameState::black_side;
    g.human_side = GameState::white_side;
    g.search_side = g.computer_side;
    set_colour_names(g);
}

void choose_black(GameState& g) {
    g.computer_side = GameState::white_side;
    g.human_side = GameState::black_side;
    g.search_side = g.computer_side;
    set_colour_names(g);
}

}  // namespace chess
