#include "uci/time_plan.h"

#include <algorithm>

namespace chess::uci {

namespace {

// Time kept back for reading, writing and the interface's own delay.
constexpr double overhead_ms = 50;
constexpr int64_t number_limit = int64_t{1} << 40;
constexpr int usual_moves_to_go = 30;

// A whole decimal number with an optional sign, saturating at +-2^40.
bool read_number(std::string_view text, int64_t& value) {
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    if (i == text.size()) return false;
    value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        value = std::min(value * 10 + (text[i] - '0'), number_limit);
    }
    if (negative) value = -value;
    return true;
}

}  // namespace

GoRequest parse_go(const std::vector<std::string_view>& words, std::vector<std::string>& ignored) {
    GoRequest request;
    for (size_t i = 0; i < words.size(); ++i) {
        const std::string_view word = words[i];
        if (word == "infinite") {
            request.infinite = true;
            continue;
        }
        int64_t* target = nullptr;
        int64_t depth = 0;
        if (word == "depth") target = &depth;
        if (word == "movetime") target = &request.movetime;
        if (word == "wtime") target = &request.clock[0];
        if (word == "btime") target = &request.clock[1];
        if (word == "winc") target = &request.increment[0];
        if (word == "binc") target = &request.increment[1];
        if (word == "movestogo") target = &request.moves_to_go;
        int64_t value = 0;
        if (target == nullptr || i + 1 == words.size() || !read_number(words[i + 1], value)) {
            ignored.emplace_back(word);
            continue;
        }
        ++i;
        // A clock already run below zero (a late GUI) has no time left, as
        // does a negative time per move: both are read as 0, not as missing.
        const bool is_time = target == &request.movetime || target == &request.clock[0] ||
                             target == &request.clock[1];
        *target = is_time ? std::max<int64_t>(value, 0) : value;
        if (target == &depth) request.depth = static_cast<int>(std::clamp<int64_t>(depth, 1, 99));
    }
    return request;
}

SearchPlan plan_search(const GoRequest& request, bool white_to_move, int usual_depth) {
    SearchPlan plan;
    const int side = white_to_move ? 0 : 1;
    const bool timed = request.movetime >= 0 || request.clock[side] >= 0;
    if (request.depth > 0) {
        plan.max_depth = std::clamp(request.depth, lowest_depth, highest_depth);
    } else if (!timed && !request.infinite) {
        plan.max_depth = std::clamp(usual_depth, lowest_depth, highest_depth + 1);
    }
    plan.wait_for_stop = request.infinite;
    if (request.infinite) return plan;

    if (request.movetime >= 0) {
        plan.hard_ms = std::max(static_cast<double>(request.movetime) - overhead_ms, 1.0);
        plan.soft_ms = plan.hard_ms;
        plan.fixed_time = request.clock[side] < 0;
    }
    if (request.clock[side] >= 0) {
        const double left = static_cast<double>(request.clock[side]);
        const double increment = static_cast<double>(std::max<int64_t>(request.increment[side], 0));
        const int64_t moves = request.moves_to_go > 0 ? std::min<int64_t>(request.moves_to_go, 50)
                                                      : usual_moves_to_go;
        // Never plan to use the last tenth of the clock (at most half a second
        // of it) nor the overhead.
        const double usable = std::max(left - std::min(left / 10, 500.0) - overhead_ms, 1.0);
        const double share = left / static_cast<double>(moves) + increment * 3 / 4;
        const double soft = std::min(share, usable);
        const double hard = std::min(soft * 3, usable);
        plan.soft_ms = plan.soft_ms < 0 ? soft : std::min(plan.soft_ms, soft);
        plan.hard_ms = plan.hard_ms < 0 ? hard : std::min(plan.hard_ms, hard);
    }
    return plan;
}

}  // namespace chess::uci
