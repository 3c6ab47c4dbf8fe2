// The whole program over a console: start-up, the game loop, and the end.
#pragma once

#include <iosfwd>

#include "model/game_state.h"

namespace chess {

// Runs one program session on the given streams and returns its exit status.
// The record is used as it is given (tests may preset fields of it after
// start-up through the hook); the transcript is closed on every way out.
int run_program(GameState& g, std::istream& in, std::ostream& out, bool input_is_terminal,
                const ProgramSettings& settings);

}  // namespace chess
