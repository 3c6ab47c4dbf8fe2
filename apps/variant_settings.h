// The settings that make the two programs differ; each program is built with
// one of them and nothing else separates them.
#pragma once

#include "model/game_state.h"

namespace chess {

inline constexpr ProgramSettings main_program_settings{};

inline constexpr ProgramSettings variant_program_settings{
    .book_banner = "    USING THE OPENING BOOK  ",
    .game_over_prompt = "GAME OVER  HIT RETURN",
    .quit_ends_like_game_over = true,
    .colour_commands_show_board = true,
    .swap_game_over_returns = true,
    .search_finishes_after_game_over = true,
};

}  // namespace chess
