#include "console/game_end.h"

#include "console/board_display.h"
#include "io/console_io.h"
#include "io/transcript.h"

namespace chess {

void end_game(GameState& g) {
    show_board(g);
    ask_text(g.console, g.settings.game_over_prompt);
    transcript_close(g);
    g.console.ended = true;
}

}  // namespace chess
