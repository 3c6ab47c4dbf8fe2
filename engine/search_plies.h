// The alpha-beta search below the root: one loop per ply over the shared move
// list, with the bounds, cut-offs and back-up rules of the engine.
#pragma once

#include "engine/search_links.h"
#include "model/game_state.h"

namespace chess {

// True once the search has been told to stop (see `SearchLinks::stop`);
// also records that in `search_stopped`. One relaxed load when a flag is set.
inline bool stop_requested(GameState& g) {
    const SearchLinks* links = g.links;
    if (links == nullptr || links->stop == nullptr ||
        !links->stop->load(std::memory_order_relaxed)) {
        return false;
    }
    g.search_stopped = 1;
    return true;
}

// True when this record is a thread's copy whose root move's result will not
// be used (see `SearchLinks::abandon`).
inline bool abandoned(const GameState& g) {
    const SearchLinks* links = g.links;
    return links != nullptr && links->abandon != nullptr &&
           links->abandon->load(std::memory_order_relaxed);
}

// The progress record and the log of copies of a thread's root move; null
// elsewhere.
inline RootProgress* root_progress(const GameState& g) {
    return g.links == nullptr ? nullptr : g.links->progress;
}
inline ResumeLog* resume_log(const GameState& g) {
    return g.links == nullptr ? nullptr : g.links->resume_log;
}

// On a thread's copy of the record: copies of the record as it stood before
// moves of plies 2 and 3, each the latest one with its outcome of the
// cut-off tests against the root bound and of the older cells read. A search
// of the same root move from another bound, or after other rows were
// settled, takes the same course up to the first test or read that comes
// out otherwise; it is taken up from the latest copy before that (see
// `resume_root_move`) instead of from the beginning.
struct ResumeLog {
    static constexpr int slots = 8;
    GameState records[slots];
    int16_t reply_row[slots] = {};  // the move each copy was taken before
    int16_t reply_ply[slots] = {};  // and its ply
    int count = 0;
    uint64_t start_nodes = 0;  // `node_count` when the root move was opened
};

// Every cut-off test against the bound passed down from ply 1 that the
// search on `g` has made comes out the same with `bound`.
inline bool bound_holds(const GameState& g, int16_t bound) {
    return bound >= g.root_bound_low && bound < g.root_bound_high;
}

// `alpha`(1) := `bound`, and the same at every ply that still holds the
// bound passed down from ply 1: the record as a search started from `bound`
// leaves it, where that search's cut-off tests come out the same.
void set_root_bound(GameState& g, int16_t bound);

// Per-search set-up from the root position: `root_total`, `white_total`,
// `black_total`, `exchange_divisor`, `endgame` and `late_endgame`.
void search_setup(GameState& g);

// Tries the move at (`ply`, `current_row`) for `node_sign`: sets `wrong_side`
// when it belongs to the colour not to move (not made), else makes it (and
// sets `in_check`) and passes the bounds down. The row's score opens at
// 25000 * `node_sign` in both cases.
void open_move(GameState& g);

// Tries and evaluates every move of ply `search_depth` below `parent_row`.
void search_leaf_ply(GameState& g);

// Fold the score of (`ply`, `current_row`) into its parent at (`ply` - 1,
// `parent_row`), test for a cut-off, and take the move back.
void back_up_max(GameState& g);
void back_up_min(GameState& g);

// The loop over the moves of ply k (2..7) below the move being tried at k - 1,
// from row `first_row` on. A stop request ends it before its next move.
void search_ply_loop(GameState& g, int k, int first_row = 1);

// The loops of plies k and deeper taken up before row `resume_row` of ply
// `resume_ply`, on a record kept there (see `ResumeLog`): the rows of the
// plies between are those in `ply_row`.
void resume_ply_loop(GameState& g, int k, int resume_ply, int resume_row);

// The ply-2 loop's turn for reply `row` in a search of depth 4 or more, in
// pieces, so that the search below a reply can run on a copy of the record:
// before_reply() keeps a copy for restarts and takes a moved bound;
// search_reply() opens the row, and for a legal reply of the side to move
// searches below it, completes its score, takes it back and returns true;
// fold_reply() then folds the score into ply 1, reports the progress and
// returns true on a cut-off. In that order they are one turn of
// search_ply_loop(g, 2).
void before_reply(GameState& g, int row);
bool search_reply(GameState& g, int row);
bool fold_reply(GameState& g, int row);

}  // namespace chess
