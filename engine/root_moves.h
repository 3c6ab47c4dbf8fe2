// The ply-1 loop of the computer's search, in pieces: the one-thread loop and
// the loop over several threads use the same steps.
#pragma once

#include "engine/search_observer.h"
#include "model/game_state.h"

namespace chess {

// Opens ply-1 row `row` for the side searched for (`open_move` at ply 1).
void open_root_move(GameState& g, int row);

// The opened root move is of the side searched for and legal.
inline bool root_move_searched(const GameState& g) { return g.wrong_side == 0 && g.in_check == 0; }

// Below a legal opened root move: searches the replies (recording the last
// legal one), leaves `ply` at 1 and `exclude_root` at 0, and takes the root
// move back. Uses and changes nothing of the loop's own bookkeeping
// (`best_score`, `chosen_index`, `runner_up_row`, `last_legal_root`,
// `alpha`(1)), so it may run on a copy of the record.
void search_root_move(GameState& g);

// The end of search_root_move after the replies were searched: `ply` back
// at 1, `exclude_root` at 0, the root move taken back.
void finish_root_move(GameState& g);

// `search_root_move` taken up before row `resume_row` of ply `resume_ply`,
// on a record kept there by an earlier search of the same root move (see
// `ResumeLog`).
void resume_root_move(GameState& g, int resume_ply, int resume_row);

// The end of a legal root move after `search_root_move`: a move leaving the
// opponent no legal reply is excluded (stalemate) or announced as mate
// (returns true); otherwise its score may become the best so far.
bool settle_root_move(GameState& g, SearchObserver& observer);

// The one-thread ply-1 loop. Returns true when a root move mates and was
// announced.
bool search_root_moves(GameState& g, SearchObserver& observer);

}  // namespace chess
