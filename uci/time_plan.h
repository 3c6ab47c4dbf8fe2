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

struct SearchPlan {
    int max_depth = highest_depth;
    double soft_ms = -1;         // -1: no limit
    double hard_ms = -1;         // -1: no limit
    bool wait_for_stop = false;  // "go infinite": the answer waits for "stop"
    // A fixed time per move: a depth stopped at the limit costs nothing the
    // answer needs, so the estimate may be hopeful; on a clock it costs time
    // of later moves.
    bool fixed_time = false;
};

// `white_to_move` picks the clock; `usual_depth` is the depth the engine
// would search at the console in this position (used by a bare "go").
SearchPlan plan_search(const GoRequest& request, bool white_to_move, int usual_depth);

// True when another depth is expected to end before the soft limit, given the
// time spent so far and the durations of the depths ended so far, the last
// one last.
bool next_depth_fits(const SearchPlan& plan, double elapsed_ms,
                     const std::vector<double>& depth_ms);

}  // namespace chess::uci
