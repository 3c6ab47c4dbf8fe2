#include <algorithm>
#include <condition_variable>
#include <iterator>
#include <memory>
#include <mutex>
#include <thread>

#include "engine/engine.h"
#include "engine/move_choice.h"
#include "engine/search_links.h"

namespace chess {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int lowest_depth = 2;
constexpr int score_column = GameState::ply_base[1] + 3;

double milliseconds_since(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Raises the stop flag at the hard time limit unless the search has ended
// by then.
class Alarm {
  public:
    Alarm(std::atomic<bool>* stop, Clock::time_point deadline) {
        thread_ = std::thread([this, stop, deadline] {
            std::unique_lock<std::mutex> lock(mutex_);
            if (!woken_.wait_until(lock, deadline, [this] { return ended_; })) stop->store(true);
        });
    }
    ~Alarm() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            ended_ = true;
        }
        woken_.notify_all();
        thread_.join();
    }
    Alarm(const Alarm&) = delete;
    Alarm& operator=(const Alarm&) = delete;

  private:
    std::mutex mutex_;
    std::condition_variable woken_;
    bool ended_ = false;
    std::thread thread_;
};

// Depths 2, 3, ... on copies of the record; the copy of the last depth
// ended becomes the record.
void deepen(GameState& g, const SearchLimits& limits, SearchObserver& observer,
            Clock::time_point start) {
    const auto base = std::make_unique<GameState>(g);
    SearchLinks links;
    links.stop = limits.stop;
    std::unique_ptr<GameState> done;
    uint64_t nodes = 0;
    std::vector<double> depth_ms;
    for (int depth = lowest_depth; depth <= limits.depth; ++depth) {
        if (done != nullptr &&
            ((limits.stop != nullptr && limits.stop->load()) ||
             !next_depth_fits(limits.clock, milliseconds_since(start), depth_ms))) {
            break;
        }
        auto work = std::make_unique<GameState>(*base);
        GameState& w = *work;
        w.search_depth = static_cast<int16_t>(depth);
        // The first depth always ends, so there is always a move to give.
        w.links = done != nullptr && limits.stop != nullptr ? &links : nullptr;
        w.node_count = 0;
        const Clock::time_point depth_start = Clock::now();
        search(w, observer, limits.threads);
        nodes += w.node_count;
        if (w.search_stopped == 1) break;
        done = std::move(work);
        // A book reply is the answer at every depth.
        if (done->book_reply_pending == 1) break;
        depth_ms.push_back(milliseconds_since(depth_start));
        DepthReport report;
        report.depth = depth;
        report.move = done->move_code;
        report.score = done->move_list[done->chosen_index][score_column];
        report.mate = done->game_over == 1;
        report.nodes = nodes;
        report.milliseconds = milliseconds_since(start);
        observer.depth_finished(report);
        // A mate in one announced: no deeper search changes the answer.
        if (report.mate) break;
    }
    if (done == nullptr) return;
    // The search leaves the pieces as it found them but not the en passant
    // markers: the position is the one searched.
    std::copy(std::begin(base->board), std::end(base->board), std::begin(done->board));
    done->links = base->links;
    g = *done;
}

}  // namespace

bool next_depth_fits(const ClockLimits& clock, double elapsed_ms,
                     const std::vector<double>& depth_ms) {
    if (clock.soft_ms < 0) return true;
    if (depth_ms.empty()) return elapsed_ms <= clock.soft_ms;
    // Each depth takes a few times longer than the one before. The step to an
    // even depth costs more than the step to an odd one, so on a clock the
    // larger of the last two growths is taken; with a fixed time per move the
    // last growth. Lacking two measurements, assume eight times.
    const size_t n = depth_ms.size();
    const auto growth = [&](size_t i) {
        return depth_ms[i - 1] > 0.05 ? depth_ms[i] / depth_ms[i - 1] : 8.0;
    };
    double factor = n >= 2 ? growth(n - 1) : 8.0;
    if (n >= 3 && !clock.fixed_time) factor = std::max(factor, growth(n - 2));
    factor = std::clamp(factor, 2.0, 20.0);
    return elapsed_ms + depth_ms.back() * factor <= clock.soft_ms;
}

void think(GameState& g, const SearchLimits& limits, SearchObserver& observer) {
    const Clock::time_point start =
        limits.start == Clock::time_point{} ? Clock::now() : limits.start;
    std::unique_ptr<Alarm> alarm;
    if (limits.clock.hard_ms >= 0 && limits.stop != nullptr) {
        const auto deadline =
            start + std::chrono::microseconds(static_cast<int64_t>(limits.clock.hard_ms * 1000));
        alarm = std::make_unique<Alarm>(limits.stop, deadline);
    }
    if (limits.deepen) {
        deepen(g, limits, observer, start);
        return;
    }
    SearchLinks* const kept_links = g.links;
    SearchLinks links;
    links.stop = limits.stop;
    if (limits.stop != nullptr) g.links = &links;
    if (limits.depth > 0) {
        const int16_t kept_depth = g.search_depth;
        g.search_depth = static_cast<int16_t>(limits.depth);
        search(g, observer, limits.threads);
        g.search_depth = kept_depth;
    } else {
        search(g, observer, limits.threads);
    }
    g.links = kept_links;
}

}  // namespace chess
