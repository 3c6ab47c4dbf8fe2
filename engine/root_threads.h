// The ply-1 loop over several threads. Each root move is searched on a
// thread's own copy of the record, prepared as the one-thread loop would
// have the record at that move's start with the best bound known so far;
// results are settled strictly in list order, and a root move whose search
// started from a bound or from list cells other than those of the
// one-thread order is searched again, from the last point its course passed
// before it first parted from the one-thread search's. Every field a later
// step reads ends as after the one-thread loop.
#pragma once

#include "engine/search_observer.h"
#include "model/game_state.h"

namespace chess {

// The threads a search asked for `wanted` threads uses: that many (at most
// 64), or every hardware thread for 0.
int search_thread_count(int wanted);

// Whether the ply-1 loop may run on several threads for this position: both
// colours have a king on the board, the side searched for cannot capture the
// opponent's king, and the depth is high enough to repay the threads. (The
// evaluation remembers the kings' squares from one call to the next; with
// both kings always on the board that memory never decides anything.)
bool root_threads_apply(const GameState& g);

// The ply-1 loop on `threads` threads, with the same results, progress marks,
// messages and record as `search_root_moves`. Returns true when a root move
// mates and was announced.
bool search_root_moves_threaded(GameState& g, int threads, SearchObserver& observer);

}  // namespace chess
