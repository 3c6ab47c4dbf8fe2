#include "console/program.h"

#include <ostream>

#include "console/game_loop.h"
#include "console/start_up.h"
#include "io/transcript.h"

namespace chess {

int run_program(GameState& g, std::istream& in, std::ostream& out, bool input_is_terminal,
                const ProgramSettings& settings) {
    g.console = Console{};
    g.console.in = &in;
    g.console.out = &out;
    g.console.input_is_terminal = input_is_terminal;
    g.settings = settings;
    start_up(g);
    if (!g.console.ended) run_game_loop(g);
    transcript_close(g);
    out.flush();
    return 0;
}

}  // namespace chess
