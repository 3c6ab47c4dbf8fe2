#include "commands/game_control.h"

#include <memory>
#include <string>
#include <string_view>

#include "console/board_display.h"
#include "engine/book.h"
#include "engine/move_choice.h"
#include "io/console_io.h"
#include "model/board.h"
#include "model/notation.h"

namespace chess {

namespace {

// The ply-1 list with its counters and the generation's scratch cells, kept
// aside while SUGGEST runs the move choice.
struct PlyOneList {
    int16_t rows[move_list_rows][3] = {};
    int16_t move_count = 0;
    int16_t white_move_count = 0;
    int16_t black_move_count = 0;
    int16_t capture_count = 0;
    int16_t white_king_attack = 0;
    int16_t black_king_attack = 0;
    int16_t scratch_1 = 0;
    int16_t scratch_9 = 0;
};

void keep_ply_one_list(const GameState& g, PlyOneList& keep) {
    const int base = GameState::ply_base[1];
    for (int r = 0; r < move_list_rows; ++r) {
        for (int c = 0; c < 3; ++c) keep.rows[r][c] = g.move_list[r][base + 1 + c];
    }
    keep.move_count = g.move_count[1];
    keep.white_move_count = g.white_move_count[1];
    keep.black_move_count = g.black_move_count[1];
    keep.capture_count = g.capture_count[1];
    keep.white_king_attack = g.white_king_attack[1];
    keep.black_king_attack = g.black_king_attack[1];
    keep.scratch_1 = g.board[1];
    keep.scratch_9 = g.board[9];
}

void put_back_ply_one_list(GameState& g, const PlyOneList& keep) {
    const int base = GameState::ply_base[1];
    for (int r = 0; r < move_list_rows; ++r) {
        for (int c = 0; c < 3; ++c) g.move_list[r][base + 1 + c] = keep.rows[r][c];
    }
    g.move_count[1] = keep.move_count;
    g.white_move_count[1] = keep.white_move_count;
    g.black_move_count[1] = keep.black_move_count;
    g.capture_count[1] = keep.capture_count;
    g.white_king_attack[1] = keep.white_king_attack;
    g.black_king_attack[1] = keep.black_king_attack;
    g.board[1] = keep.scratch_1;
    g.board[9] = keep.scratch_9;
}

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

    // The choice is only shown: the board, the ply and the ply-1 list the
    // user's next move is looked up in stay as they are.
    auto kept = std::make_unique<PlyOneList>();
    keep_ply_one_list(g, *kept);
    const int16_t ply = g.ply;
    search(g);
    drop_book_reply(g);
    put_back_ply_one_list(g, *kept);
    g.ply = ply;

    print_suggestion(con, "SUGGESTED MOVE: ", g.move_code);
    print_suggestion(con, "ALTERNATE MOVE: ", g.alternate_move);
    g.search_side = remembered_side;
}

void set_depth(GameState& g) {
    Console& con = g.console;
    print_text(con, "CURRENT BASE DEPTH = ");
    print_number(con, g.base_depth);
    print_line(con);
    int16_t depth = ask_number(con, "NEW VALUE= ");
    if (con.ended) return;
    if (depth < 2) depth = 2;
    if (depth > 8) depth = 8;
    g.base_depth = depth;
    g.search_depth = depth;
    show_board(g);
}

void swap_sides(GameState& g) {
    Console& con = g.console;
    g.search_side = static_cast<int16_t>(-g.search_side);
    search(g);
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
