#include "console/move_entry.h"

#include <string>

#include "commands/editing.h"
#include "commands/game_control.h"
#include "commands/position_file.h"
#include "commands/snapshot.h"
#include "console/board_display.h"
#include "console/game_end.h"
#include "io/console_io.h"
#include "model/board.h"
#include "model/notation.h"
#include "movegen/generate.h"

namespace chess {

namespace {

// What the prompt loop does after one reply.
constexpr int16_t entry_read_move = 0;   // the reply is to be read as a move
constexpr int16_t entry_show_board = 1;  // a command ran: show the board, prompt again
constexpr int16_t entry_prompt = 2;      // prompt again without the board

void show_move_prompt(GameState& g) {
    print_number(g.console, g.move_number);
    print_text(g.console, ") ");
    print_text(g.console, g.human_name);
    print_text(g.console, " TO MOVE ");
}

// QUIT and EXIT. The main program asks for one more Enter and ends; the
// variant ends the way a finished game does, with the board shown.
void quit_program(GameState& g) {
    g.game_over = 1;
    if (g.settings.quit_ends_like_game_over) {
        end_game(g);
        return;
    }
    ask_text(g.console, "   HIT RETURN TO QUIT");
    g.console.ended = true;
}

// Runs the command named by the four upper-case letters `word`, setting
// `entry_status` to what the prompt does next. Returns false when `word` is
// not a command.
bool run_command(GameState& g, const std::string& word) {
    if (word == "BOAR") {
        show_board(g);
        g.entry_status = entry_prompt;
    } else if (word == "SUGG") {
        suggest_move(g);
        g.entry_status = entry_prompt;
    } else if (word == "DEPT") {
        if (set_depth(g)) show_board(g);
        g.entry_status = entry_prompt;
    } else if (word == "CLEA") {
        clear_board(g);
        g.entry_status = entry_show_board;
    } else if (word == "SAVE") {
        save_position(g);
        g.entry_status = entry_show_board;
    } else if (word == "LOAD") {
        load_position(g);
        g.entry_status = entry_show_board;
    } else if (word == "SWAP") {
        swap_sides(g);
        g.ply = 1;
        generate_moves(g);
        g.entry_status = entry_show_board;
    } else if (word == "BACK") {
        restore_snapshot(g);
        g.entry_status = entry_show_board;
    } else if (word == "XMOV") {
        move_anywhere(g);
        g.entry_status = entry_show_board;
    } else if (word == "EDIT") {
        edit_square(g);
        g.ply = 1;
        generate_moves(g);
        g.entry_status = entry_show_board;
    } else if (word == "WHIT") {
        choose_white(g);
        g.entry_status = g.settings.colour_commands_show_board ? entry_show_board : entry_prompt;
    } else if (word == "BLAC") {
        choose_black(g);
        g.entry_status = g.settings.colour_commands_show_board ? entry_show_board : entry_prompt;
    } else {
        return false;
    }
    return true;
}

// Reads `input_line` as a move: it must be in the ply-1 list and move one of
// the user's own pieces. Sets `entry_status` to prompt again otherwise.
void read_as_move(GameState& g) {
    g.move_text = g.input_line;
    text_to_move(g);
    g.move_code = g.move_word;
    g.ply = 1;
    find_move(g);
    if (g.move_index == 0) {
        print_line(g.console, "     ---INVALID MOVE---");
        print_line(g.console);
        g.entry_status = entry_prompt;
        return;
    }
    // Both colours' moves are listed, so a move of the computer's pieces is
    // found and refused here; an empty from-square has sign 0.
    if (sign_of(g.board[move_from(g.move_code)]) != g.human_side) {
        print_line(g.console, "WRONG COLOR");
        g.entry_status = entry_prompt;
    }
}

}  // namespace

void read_user_move(GameState& g) {
    Console& con = g.console;
    g.ply = 1;
    g.swap_count = 0;
    generate_moves(g);
    for (;;) {
        g.entry_status = entry_read_move;
        show_move_prompt(g);
        std::string reply;
        if (!read_reply(con, reply)) return;
        g.input_line = first_field(reply);
        if (g.input_line.size() < 4) g.entry_status = entry_prompt;
        // Only the first four characters count, upper-cased: BOARD, board and
        // BOARDS all read as BOAR, E2E4X as E2E4.
        if (g.input_line.size() > 4) g.input_line.resize(4);
        for (char& c : g.input_line) c = upper_first(std::string_view(&c, 1));

        if (g.input_line == "QUIT" || g.input_line == "EXIT") {
            quit_program(g);
            return;
        }
        run_command(g, g.input_line);
        if (con.ended) return;
        if (g.entry_status == entry_show_board) show_board(g);
        if (g.entry_status == entry_read_move) read_as_move(g);
        if (g.entry_status != entry_read_move) continue;
        // The position before the accepted move is what BACK returns to.
        take_snapshot(g);
        return;
    }
}

}  // namespace chess
