// The material on the board and the depth schedule that follows from it.
// The board display refreshes both at every display, so the next search
// starts from the position as shown.
#pragma once

#include "model/game_state.h"

namespace chess {

// Writes `piece_total` (the sum of the sizes of the codes on the 64 squares),
// `white_total` and `black_total` (the sums of the negative and of the
// positive codes), then `search_depth`: `base_depth`, one more once
// `piece_total` falls below the first step and two more below the second,
// never above 8; kept once instead when `hold_depth` is 1 (the last search
// raised it for this one). `threat_divisor` goes to 50 once `piece_total`
// falls four below the first step.
void refresh_material_and_depth(GameState& g);

}  // namespace chess
