// Start-up: the banner and the start-up questions.
#pragma once

#include "model/game_state.h"

namespace chess {

// Everything before the first turn: load_start_position, the banner, the
// transcript, book and colour questions, the transcript's first line, the note
// line and the first BACK snapshot. Stops early when the input ends.
void start_up(GameState& g);

}  // namespace chess
