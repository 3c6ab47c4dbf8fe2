// What a "go" command asks for, and how long to search for it.
//
// The engine searches whole depths 2, 3, 4, ... one after another. A plan has
// two limits: a depth is started only while it is expected to end before the
// soft limit (its time estimated from the growth between the last two
// depths), and a depth still running at the hard limit is stopped; the answer
// is always the move of the last depth that ended.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/engine.h"

namespace chess::uci {

inline constexpr int lowest_depth = 2;
inline constexpr int highest_depth = 8;

struct GoRequest {
    int depth = 0;                  // 0 when not given
    int64_t movetime = -1;          // milliseconds, -1 when not given
    int64_t clock[2] = {-1, -1};    // wtime, btime (-1 when not given)
    int64_t increment[2] = {0, 0};  // winc, binc
    int64_t moves_to_go = 0;
    bool infinite = false;
};

// Reads the words after "go". Numbers saturate; a negative movetime, wtime or
// btime counts as 0 (no time left). Unknown or malformed words are listed in
// `ignored` (the rest is still read).
GoRequest parse_go(const std::vector<std::string_view>& words, std::vector<std::string>& ignored);

// The clock's soft and hard limits (-1: none) and whether the time per move
// is fixed, as the engine takes them, with the deepest depth to search.
struct SearchPlan : ClockLimits {
    int max_depth = highest_depth;
    bool wait_for_stop = false;  // "go infinite": the answer waits for "stop"
};

// `white_to_move` picks the clock; `usual_depth` is the depth the engine
// would search at the console in this position (used by a bare "go").
SearchPlan plan_search(const GoRequest& request, bool white_to_move, int usual_depth);

// Whether another depth fits in the time left (engine/engine.h).
using chess::next_depth_fits;

}  // namespace chess::uci
