// The computer's move choice: book, root search, mate and stalemate
// announcements, the choice rule and the repetition test.
#pragma once

#include "engine/search_observer.h"
#include "model/game_state.h"

namespace chess {

// Chooses a move for `search_side` at `search_depth`. Leaves `move_code`,
// `chosen_index` (row in the ply-1 list), `alternate_move` (the previous
// holder of the best score, or 0), and sets `game_over` when the game has
// ended. `move_code` is the mating move when a mate is announced, and 0 when
// the side has no legal move or when the search began with `game_over`
// already set (the main program then stops after the root moves; the variant
// goes on to its usual end). A repeated choice is replaced by a close
// runner-up or raises `search_depth` (never beyond 9) for the next search.
// The board and castling state are as on entry. The search runs on
// `threads` threads (0: every hardware thread) with the same result.
// Front ends call it through `think` (engine/engine.h).
void search(GameState& g, SearchObserver& observer, int threads);

// Plays the choice of the last search: row `chosen_index` of the ply-1 list,
// after a pending book reply has been handed over into row 1 (book_hand_over).
// `ply` is 1 afterwards; `in_check` tells whether make_move refused the move.
// A caller that does not play the choice calls drop_book_reply instead.
void play_chosen_move(GameState& g);

}  // namespace chess
