#include "console/start_up.h"

#include <chrono>

#include "commands/snapshot.h"
#include "io/console_io.h"
#include "io/file_open.h"
#include "io/transcript.h"
#include "model/start_position.h"

namespace chess {

void start_up(GameState& g) {
    load_start_position(g);
    Console& con = g.console;

    print_line(con);
    print_line(con, "    *** QUENTARO CHESS ***");
    print_line(con);

    g.transcript_on = ask_number(con, "    SAVE OUTPUT TO FILE (1=YES) ");
    if (con.ended) return;
    if (g.transcript_on == 1) {
        g.file_name = ask_text(con, "    FILENAME: ");
        if (con.ended) return;
        // Any file that can be written at once will do, a device included;
        // a name with a NUL byte cannot be created as typed.
        g.transcript_file = open_file(g.file_name, FileUse::write_any);
        if (g.transcript_file == nullptr) {
            print_line(con, "     ---FILE NOT OPENED---");
            g.transcript_on = 0;
        }
        print_line(con);
    }

    g.use_book = ask_number(con, "    USE OPENING BOOK MOVES (1=YES) ");
    if (con.ended) return;
    if (g.use_book != 1) g.use_book = 0;
    if (g.use_book == 1) {
        print_line(con, g.settings.book_banner);
        const auto clock_seed = std::chrono::system_clock::now().time_since_epoch().count();
        g.random_generator.seed(static_cast<std::mt19937::result_type>(
            g.fixed_random_seed >= 0 ? g.fixed_random_seed : clock_seed));
    }

    const int16_t play_black = ask_number(con, "    PLAY AS BLACK (1=YES) ");
    if (con.ended) return;
    if (play_black == 1) {
        // The computer has White and has already played E2E4.
        g.board[55] = -1;
        g.board[57] = 0;
        g.computer_side = -1;
        g.human_side = 1;
    }
    transcript_write_line(g,
                          play_black == 1 ? "E2E4 COMPUTER PLAYS WHITE" : "COMPUTER PLAYS BLACK");

    print_line(con);
    print_line(con, "    NOTE MOVES ENTERED AS E2E4  -AND-  TO CASTLE USE E1G1 NOTATION");
    take_snapshot(g);
}

}  // namespace chess
