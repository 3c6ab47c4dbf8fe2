// BACK: the position before the user's last accepted move, kept so that one
// move of each side can be taken back.
#pragma once

#include "model/game_state.h"

namespace chess {

// Records the position, castling state, `computer_side` and `move_number`
// for BACK.
void take_snapshot(GameState& g);

// BACK: returns to the snapshot, sets the colours and names to agree with the
// restored `computer_side`, and generates the list at the current ply.
void restore_snapshot(GameState& g);

}  // namespace chess
