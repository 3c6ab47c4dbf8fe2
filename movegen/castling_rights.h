// Castling rights that follow from where the kings and rooks stand, and from
// the move just played. The `castle_moved` flags and the two king-moved fields
// are only ever set here, never cleared.
#pragma once

#include "model/game_state.h"

namespace chess {

// Marks kings and rooks that stand off their home squares as moved. The board
// display does this at every display.
void correct_castling_flags(GameState& g);

// Marks castling rights lost by the move at (`ply`, `move_index`) just played.
void note_castling_loss(GameState& g);

}  // namespace chess
