// Entry point of chess_main.
#include <unistd.h>

#include <iostream>
#include <memory>

#include "apps/thread_setting.h"
#include "apps/variant_settings.h"
#include "console/program.h"

int main() {
    // The record is large (the move lists of ten plies); keep it off the stack.
    auto game = std::make_unique<chess::GameState>();
    game->search_threads = chess::threads_from_environment();
    return chess::run_program(*game, std::cin, std::cout, isatty(STDIN_FILENO) == 1,
                              chess::main_program_settings);
}
