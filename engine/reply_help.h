// Help below a root move: while a thread searches the replies of its root
// move in list order, idle threads of the pool search later replies on
// copies of its record. A reply searched ahead is used only when the
// record it started from agrees, for everything its search read, with the
// record the replies before it leave: the same ply-2 bound and castling
// flags, and the same value in every older list cell it read. Otherwise
// the owner searches the reply itself, so the result is always that of the
// one-thread loop.
//
// The owner hands out a reply only while it searches one itself, so it does
// not go straight on to a reply another thread has just started. When it
// does come to a reply still running elsewhere, it searches the next reply
// not yet handed out on a copy of its own meanwhile, which is used on the
// same terms. Waiting threads look for replies without sleeping during a
// search: most replies take microseconds.
#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>

#include "engine/search_ahead.h"
#include "model/game_state.h"

namespace chess {

struct ReplyJob;

class ReplyHelp {
  public:
    ReplyHelp();
    ~ReplyHelp();
    ReplyHelp(const ReplyHelp&) = delete;
    ReplyHelp& operator=(const ReplyHelp&) = delete;

    // Room for `jobs` replies searched ahead (at most `max_jobs`); `wake` is
    // told when one waits. Called before any search, while no job runs.
    static constexpr int max_jobs = 128;
    void set_up(int jobs, std::condition_variable* wake, std::mutex* wake_mutex);

    // Pool threads: how many wait for work, and whether a reply waits.
    std::atomic<int> idle{0};
    bool reply_waiting() const;
    // The work of replies searched ahead and not used.
    std::atomic<uint64_t> discarded_nodes{0};
    std::atomic<uint64_t> discarded_evals{0};
    // Searches one waiting reply; false when none was waiting.
    bool run_waiting_reply();

    // The ply-2 loop below the root move made on `g` (search depth 4 or
    // more), with help; then `g` is as after search_ply_loop(g, 2).
    void search_replies(GameState& g);

  private:
    void offer(GameState& g, int row, ReplyJob** mine, int& offered_up_to);
    bool collect(GameState& g, ReplyJob& job, int row, ReplyJob** mine, int& offered_up_to);
    void search_ahead(GameState& g, int row, ReplyJob** mine, int& offered_up_to);
    void run_reply(ReplyJob& job);
    ReplyJob* claim_slot(JobStage stage);
    void cancel(ReplyJob** mine, int offered_up_to);

    // Threads look at the slots without a lock, also while a new search sets
    // up more of them: a slot is counted only once it is filled, and the
    // slots never move.
    std::array<std::unique_ptr<ReplyJob>, max_jobs> jobs_;
    std::atomic<int> job_count_{0};
    int job_count() const { return job_count_.load(std::memory_order_acquire); }
    std::condition_variable* wake_ = nullptr;
    std::mutex* wake_mutex_ = nullptr;  // the mutex the waiting threads sleep on
};

}  // namespace chess
