#include "console/game_loop.h"

#include <algorithm>
#include <iterator>
#include <string>

#include "commands/game_control.h"
#include "commands/search_report.h"
#include "console/board_display.h"
#include "console/game_end.h"
#include "console/move_entry.h"
#include "engine/book.h"
#include "engine/move_choice.h"
#include "io/console_io.h"
#include "io/transcript.h"
#include "model/notation.h"
#include "movegen/castling_rights.h"
#include "movegen/make_move.h"

namespace chess {

namespace {

// A transcript line holds this many move pairs.
constexpr int16_t pairs_per_line = 7;

// The user's move would leave the user's own king capturable and has been
// taken back. A search for the user's colour at depth 2 finds out whether the
// user has any legal move at all; it announces mate or stalemate itself. The
// move it chooses is not played.
void check_test(GameState& g) {
    print_line(g.console, " YOU ARE IN CHECK!");
    g.search_side = static_cast<int16_t>(-g.search_side);
    search_at_console(g, 2);
    // A book reply found here is never played.
    drop_book_reply(g);
    g.search_side = static_cast<int16_t>(-g.search_side);
}

// Both moves of the turn on the console, and as one pair in the transcript.
void report_moves(GameState& g) {
    print_line(g.console, g.human_name + " " + g.human_move_text);
    print_line(g.console, g.computer_name + " " + g.computer_move_text);
    if (g.transcript_on == 1) {
        transcript_write(g, g.human_move_text + " " + g.computer_move_text + " ");
        g.transcript_pairs = static_cast<int16_t>(g.transcript_pairs + 1);
    }
    if (g.transcript_pairs >= pairs_per_line) {
        transcript_write_line(g, " ");
        g.transcript_pairs = 0;
    }
}

// Plays the computer's choice and marks the castling rights it costs.
void play_computer_move(GameState& g) {
    play_chosen_move(g);
    note_castling_loss(g);
}

}  // namespace

void run_game_loop(GameState& g) {
    Console& con = g.console;
    while (!con.ended) {
        g.search_side = g.computer_side;
        set_colour_names(g);
        show_board(g);
        for (int i = 1; i <= 6; ++i) g.castle_attacked[i] = 0;

        read_user_move(g);
        if (con.ended) return;
        g.human_move_text = g.move_text;
        // Taking a refused move back does not undo the castling marks that
        // making it set; a move that was never played must not cost the user
        // a right to castle.
        int16_t kept_castle_moved[7];
        std::copy(std::begin(g.castle_moved), std::end(g.castle_moved), kept_castle_moved);
        make_move(g);
        if (g.in_check == 1) {
            std::copy(std::begin(kept_castle_moved), std::end(kept_castle_moved), g.castle_moved);
            check_test(g);
            if (g.game_over == 1) {
                end_game(g);
                return;
            }
            continue;  // the same user, the same move number
        }
        note_castling_loss(g);

        search_at_console(g);
        if (g.game_over == 1) {
            end_game(g);
            return;
        }
        g.move_word = g.move_code;
        move_to_text(g);
        g.computer_move_text = g.move_text;
        report_moves(g);
        play_computer_move(g);
        g.move_number = static_cast<int16_t>(g.move_number + 1);
        if (g.game_over != 0) {
            end_game(g);
            return;
        }
    }
}

}  // namespace chess
