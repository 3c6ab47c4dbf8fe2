// The engine's one entry point: what to search, within which limits, and who
// is told how it goes. Every front end (the console programs, UCI, the
// browser edition) asks for the computer's move through `think`.
#pragma once

#include <atomic>
#include <chrono>
#include <vector>

#include "engine/search_observer.h"
#include "model/game_state.h"

namespace chess {

// Time limits of a deepening search, in milliseconds from its start; -1: none.
struct ClockLimits {
    double soft_ms = -1;  // a depth starts only while it is expected to end before this
    double hard_ms = -1;  // a depth still running then is stopped
    // A fixed time per move: a depth stopped at the limit costs nothing the
    // answer needs, so the estimate may be hopeful; on a game clock it costs
    // time of later moves.
    bool fixed_time = false;
};

// True when another depth is expected to end before the soft limit, given the
// time spent so far and the durations of the depths ended so far, the last
// one last.
bool next_depth_fits(const ClockLimits& clock, double elapsed_ms,
                     const std::vector<double>& depth_ms);

struct SearchLimits {
    // 0: one search at the record's `search_depth`, as the console's game
    // asks for it (its choice history and depth raise included). Otherwise
    // one search at this depth, the record's depth kept; or, with `deepen`,
    // the depths 2, 3, ... up to this one, each on a copy of the record, the
    // answer and the record's changes being those of the last depth ended.
    int depth = 0;
    bool deepen = false;
    // Raised by another thread to end the search at once. A deepening search
    // always ends its first depth and answers with the last depth ended;
    // a single search stopped early chooses nothing (`search_stopped`). The
    // engine raises it itself at the hard time limit.
    std::atomic<bool>* stop = nullptr;
    ClockLimits clock;
    // When the clock started (a front end passes the arrival of its command);
    // the default is the call of `think`.
    std::chrono::steady_clock::time_point start{};
    // Threads of the search; 0: every hardware thread. Any number chooses
    // the same moves.
    int threads = 1;
};

// Chooses the move of `search_side` (see `search` in engine/move_choice.h
// for what the record holds afterwards) and tells `observer` of the book,
// the progress of the search, mates, stalemates and each depth ended.
void think(GameState& g, const SearchLimits& limits, SearchObserver& observer);

}  // namespace chess
