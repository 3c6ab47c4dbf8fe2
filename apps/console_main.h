// What chess_main and chess_variant do from start to end; they differ only in
// their name, their usage text and their settings.
#pragma once

#include <unistd.h>

#include <iostream>
#include <memory>

#include "apps/program_options.h"
#include "apps/thread_setting.h"
#include "console/program.h"
#include "model/game_state.h"

namespace chess {

inline int console_main(int argc, char** argv, const char* name, const char* usage_text,
                        const ProgramSettings& settings) {
    const int status = handle_program_arguments(argc, argv, name, usage_text);
    if (status >= 0) return status;
    use_installed_book();
    // The record is large (the move lists of ten plies); keep it off the stack.
    auto game = std::make_unique<GameState>();
    game->search_threads = threads_from_environment();
    return run_program(*game, std::cin, std::cout, isatty(STDIN_FILENO) == 1, settings);
}

}  // namespace chess
