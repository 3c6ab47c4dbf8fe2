// The optional transcript file of the game's moves. Every write does nothing
// unless `transcript_on` is 1 and the file is open. Lines end with CR LF.
// Every write is flushed to the file at once; a write that fails prints
// "     ---FILE NOT SAVED---" on a line of its own and sets `transcript_on` to 0.
#pragma once

#include <string_view>

#include "model/game_state.h"

namespace chess {

void transcript_write(GameSession& s, std::string_view text);
void transcript_write_line(GameSession& s, std::string_view text);
// Flushes and closes the file; safe to call more than once.
void transcript_close(GameSession& s);

}  // namespace chess
