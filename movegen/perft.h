// Counting legal move sequences ("perft") with the program's own generation
// and legality test.
#pragma once

#include <cstdint>

#include "model/game_state.h"

namespace chess {

// The number of legal move sequences of `depth` moves (1 or more) from the
// position whose list stands at `ply`, `side` (-1 White, +1 Black) moving
// first. Every listed move of the side to move is made with make_move at the
// next ply and the refused ones are skipped; the castling flags that taking a
// move back leaves set are restored after each move. The last moves of a
// sequence are not made where refused_unmade decides them (the count is the
// same). The list of `ply` must have been generated; `ply` + `depth` - 1 must
// not pass 10. The board, the castling flags and `ply` are as on entry.
uint64_t perft(GameState& g, int depth, int side);

}  // namespace chess
