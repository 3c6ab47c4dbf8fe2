// Steps shared by the searches that run on a copy of the record (a root
// move on its own thread, a reply searched ahead): the copy's list cells the
// search will write are marked first, and after the search the cells it did
// not write are filled in from the record it is merged into.
#pragma once

#include "model/game_state.h"

namespace chess {

// Marks the list cells, counts and rows of plies `first_ply` and deeper
// `unwritten` (the search never reads them before writing them), and clears
// what the search records of its course: the rows the ply loops keep, its
// log of older cells read and the range its root-bound tests hold for.
void mark_plies_unwritten(GameState& w, int first_ply);

// The other half: in plies `first_ply` and deeper, the cells, counts, bounds
// and rows the search on `w` left unwritten take their values from `g`.
void fill_unwritten_plies(GameState& w, const GameState& g, int first_ply);

// Logs a move code read from a row the current root move has not written
// (see `GameState::unwritten`); never happens on the one-thread path. A log
// that overflows counts one more than it holds.
void log_older_code(GameState& g, int ply, int row, int16_t code);

// Every older cell and count the search on `w` read (see `SpeculationLog`)
// holds the same value in `g`, the record it is to be merged into: the
// settled record of the root loop, or the owner's record of a reply searched
// ahead. Cells `g` has not written itself are older than its own search and
// are passed on with the merge; a row `g` still owes fails the test.
bool older_reads_hold(const GameState& w, const GameState& g);
// The evaluation's scratch of `g`, for a search that evaluated nothing.
void copy_evaluation(GameState& w, const GameState& g);

}  // namespace chess
