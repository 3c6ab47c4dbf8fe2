// What a search shares with the threads around it. The record points at
// these while a search runs that can be stopped from outside or runs on a
// thread's copy of the record (`SearchFrames::links`); on one thread without
// a stop flag it points at nothing and the search never looks further.
#pragma once

#include <atomic>
#include <climits>
#include <cstdint>

namespace chess {

struct ResumeLog;

// How far the search below a root move has come, for other threads to read
// while it runs: the replies searched so far and the root move's score after
// them, a score the finished search cannot exceed. The other way, a bound
// the rows before it have moved to while it runs (`no_bound` when none is
// waiting), which the search takes over if it can (see `take_moved_bound`).
struct RootProgress {
    static constexpr int32_t no_bound = INT32_MIN;
    std::atomic<int16_t> replies{0};
    std::atomic<int16_t> score{0};
    std::atomic<int32_t> moved_bound{no_bound};
};

struct SearchLinks {
    // A front end that must be able to stop a running search points this at
    // a flag another thread sets; the search then ends early, leaves the
    // board as it found it, sets `search_stopped` and chooses nothing.
    const std::atomic<bool>* stop = nullptr;
    // On a thread's copy of the record: the search below ply 1 stops early
    // once the flag is raised (its result is then thrown away). The search
    // raises it itself when it cannot take over a moved bound.
    std::atomic<bool>* abandon = nullptr;
    // On a thread's copy of the record: where the search of a root move
    // tells other threads how far it has come.
    RootProgress* progress = nullptr;
    // On a thread's copy of the record: where the search keeps copies of the
    // record on its way through the root move (see `ResumeLog`).
    ResumeLog* resume_log = nullptr;
};

}  // namespace chess
