#include "commands/search_report.h"

#include "engine/engine.h"
#include "io/console_io.h"
#include "io/transcript.h"

namespace chess {

void ConsoleSearchReport::book_candidates(const std::string* moves, int count) {
    for (int i = 0; i < count; ++i) {
        print_text(g_.console, moves[i]);
        print_text(g_.console, "  ");
    }
    print_line(g_.console);
}

void ConsoleSearchReport::book_move_chosen(int number) {
    print_text(g_.console, "USING OPENING MOVE# ");
    print_number(g_.console, number);
    print_line(g_.console);
    print_line(g_.console);
}

void ConsoleSearchReport::root_moves_listed(int moves) {
    for (int i = 0; i < moves; ++i) print_text(g_.console, "=");
    print_line(g_.console);
}

void ConsoleSearchReport::root_move_searched() { print_text(g_.console, "."); }

void ConsoleSearchReport::root_moves_done() { print_line(g_.console); }

void ConsoleSearchReport::mate_found(const std::string& move_text) {
    print_text(g_.console, "CHECKMATE! >>");
    print_line(g_.console, move_text);
    transcript_write(g_, g_.human_move_text);
    transcript_write(g_, " ");
    transcript_write(g_, move_text);
    transcript_write_line(g_, " CHECKMATE!");
}

void ConsoleSearchReport::no_legal_move(bool mated) {
    if (!mated) {
        print_line(g_.console, "<<<STALEMATE>>>");
        return;
    }
    transcript_write(g_, g_.human_move_text);
    transcript_write_line(g_, "  CHECKMATE!");
    print_line(g_.console, "*** CHECKMATE! ***");
}

void ConsoleSearchReport::alternate_move_used() { print_line(g_.console, "ALTERNATE MOVE USED!"); }

void ConsoleSearchReport::depth_increased() { print_line(g_.console, "DEPTH INCREASED!"); }

void search_at_console(GameState& g, int depth) {
    SearchLimits limits;
    limits.depth = depth;
    limits.threads = g.search_threads;
    ConsoleSearchReport report(g);
    think(g, limits, report);
}

}  // namespace chess
