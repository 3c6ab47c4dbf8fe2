// Entry point of chess_main.
#include <unistd.h>

#include <iostream>
#include <memory>

#include "apps/program_options.h"
#include "apps/thread_setting.h"
#include "apps/variant_settings.h"
#include "console/program.h"

namespace {

const char* const usage_text =
    "usage: chess_main [--help | --version]\n"
    "\n"
    "Plays chess against you at the text console. It asks three questions\n"
    "(transcript, opening book, playing Black), then takes moves such as E2E4\n"
    "and commands such as BOARD, DEPTH, SUGGEST, BACK, SAVE, LOAD and QUIT.\n"
    "\n"
    "The opening book is read from MYBOOK.TXT and WMYBOOK.TXT in the current\n"
    "folder; an installed chess_main reads the installed book when the current\n"
    "folder holds neither. SAVE, LOAD and the transcript use the current folder.\n"
    "See chess_main(6).\n";

}  // namespace

int main(int argc, char** argv) {
    const int status = chess::handle_program_arguments(argc, argv, "chess_main", usage_text);
    if (status >= 0) return status;
    chess::use_installed_book();
    // The record is large (the move lists of ten plies); keep it off the stack.
    auto game = std::make_unique<chess::GameState>();
    game->search_threads = chess::threads_from_environment();
    return chess::run_program(*game, std::cin, std::cout, isatty(STDIN_FILENO) == 1,
                              chess::main_program_settings);
}
