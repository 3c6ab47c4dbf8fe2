#include "engine/root_threads.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/reply_help.h"
#include "engine/root_jobs.h"
#include "engine/root_moves.h"
#include "engine/search_plies.h"
#include "engine/thread_records.h"
#include "model/board.h"
#include "movegen/generate.h"
#include "movegen/make_move.h"

namespace chess {

namespace {

constexpr int max_threads = 64;
// Below this depth a root move is too little work to hand to another thread.
constexpr int min_threaded_depth = 4;
// While the first root move's search runs, the rows after it wait for its
// score. After this many replies the score it has so far is usually its
// final one, and the waiting threads start on it.
constexpr int settled_replies = 8;
// A thread without work looks for some this many times before it sleeps,
// and sleeps at most this long before it looks again.
constexpr int spin_turns = 1000;
constexpr auto longest_sleep = std::chrono::milliseconds(2);
// How often the loop looks at that score while threads wait.
constexpr auto progress_poll = std::chrono::microseconds(500);

// How a search over the threads stands.
enum class Outcome { running, finished, mated, stopped };

// The threads, started once and kept for the program's lifetime, and the
// records they search on. There is no coordinating thread: whichever thread
// finishes a root move settles the results in list order and hands out the
// next rows itself, so no thread has to be woken to keep the others busy.
class RootWorkers {
  public:
    RootWorkers() = default;
    RootWorkers(const RootWorkers&) = delete;
    RootWorkers& operator=(const RootWorkers&) = delete;
    ~RootWorkers() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
        }
        job_queued_.notify_all();
        for (std::thread& t : threads_) t.join();
    }

    bool run(GameState& g, int threads, SearchObserver& observer);

  private:
    void start(int threads);
    void work();
    Job* first_queued();
    Job* free_job();
    void queue(Job& job);
    bool guess_bound(const GameState& g, int row, int16_t& bound,
                     bool* awaits_progress = nullptr) const;
    Outcome advance();
    void finish_early(GameState& g);
    void redo(GameState& g, Job& job, int16_t bound);

    std::mutex run_mutex_;  // one search at a time
    std::mutex mutex_;      // everything below
    std::condition_variable job_queued_;
    std::condition_variable job_done_;  // the search's outcome changed, or the caller must poll
    std::vector<std::thread> threads_;
    std::vector<std::unique_ptr<Job>> jobs_;
    ReplyHelp help_;
    // A search runs: waiting threads look for work without sleeping.
    std::atomic<bool> searching_{false};
    // Root moves queued: waiting threads look at it without the lock.
    std::atomic<int> queued_{0};
    bool stopping_ = false;

    // The search under way: its settled record, the job of each row, the
    // next row to settle and the next to hand out.
    GameState* g_ = nullptr;
    SearchObserver* observer_ = nullptr;
    int threads_wanted_ = 0;
    Job* job_of_[move_list_rows] = {};
    int settled_ = 1;
    int next_ = 1;
    // A row waits for the first row's progress, which no thread reports:
    // the caller looks again now and then.
    bool awaits_progress_ = false;
    Outcome outcome_ = Outcome::finished;
};

void RootWorkers::start(int threads) {
    while (static_cast<int>(threads_.size()) < threads) threads_.emplace_back([this] { work(); });
    // Room for results that wait for an earlier, longer root move.
    const size_t wanted = static_cast<size_t>(4 * threads + 8);
    while (jobs_.size() < wanted) jobs_.push_back(std::make_unique<Job>());
    help_.set_up(2 * threads, &job_queued_, &mutex_);
}

Job* RootWorkers::first_queued() {
    Job* first = nullptr;
    for (const auto& job : jobs_) {
        if (job->now() == JobStage::queued && (first == nullptr || job->row < first->row)) {
            first = job.get();
        }
    }
    return first;
}

Job* RootWorkers::free_job() {
    for (const auto& job : jobs_) {
        if (job->now() == JobStage::free) return job.get();
    }
    return nullptr;
}

void RootWorkers::queue(Job& job) {
    job.enter(JobStage::queued);
    queued_.fetch_add(1, std::memory_order_relaxed);
    job_queued_.notify_one();
}

void RootWorkers::work() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        help_.idle.fetch_add(1, std::memory_order_relaxed);
        while (!stopping_ && first_queued() == nullptr && !help_.reply_waiting()) {
            if (searching_.load(std::memory_order_relaxed)) {
                // Replies to help with come and go within microseconds, and
                // are offered without the lock: during a search a waiting
                // thread first looks for them, and for queued root moves,
                // without sleeping; when none comes for a while it sleeps
                // until one is offered.
                lock.unlock();
                bool offered = false;
                for (int i = 0; i < spin_turns && !offered; ++i) {
                    offered = help_.reply_waiting() ||
                              queued_.load(std::memory_order_relaxed) != 0 ||
                              !searching_.load(std::memory_order_relaxed);
                    if (!offered) std::this_thread::yield();
                }
                lock.lock();
                if (!offered && first_queued() == nullptr && !help_.reply_waiting()) {
                    job_queued_.wait_for(lock, longest_sleep);
                }
            } else {
                job_queued_.wait(lock);
            }
        }
        help_.idle.fetch_sub(1, std::memory_order_relaxed);
        if (stopping_) return;
        // The earliest root move first: the loop settles in list order.
        Job* job = first_queued();
        if (job == nullptr) {
            lock.unlock();
            help_.run_waiting_reply();
            lock.lock();
            continue;
        }
        job->enter(JobStage::running);
        queued_.fetch_sub(1, std::memory_order_relaxed);
        lock.unlock();
        run_job(*job, help_);
        lock.lock();
        job->enter(JobStage::done);
        if (outcome_ == Outcome::running) outcome_ = advance();
        // The caller waits only for the end of the search or for the first
        // row's progress; ending early, it also waits for running jobs.
        if (outcome_ != Outcome::running || awaits_progress_) job_done_.notify_all();
    }
}

// The bound root move `row` will most likely start with: the settled bound,
// raised by the finished results of the rows between. While the first legal
// row is still running (it raises the bound above the opening -25000 almost
// always), its score so far once enough replies are searched. False when the
// row is better not started yet: a finished row before it mates, so nothing
// after it needs searching, or the first legal row has not yet come that far
// (then `*awaits_progress`, if given, is set).
bool RootWorkers::guess_bound(const GameState& g, int row, int16_t& bound,
                              bool* awaits_progress) const {
    bound = g.alpha[1];
    for (int r = settled_; r < row; ++r) {
        const Job* job = job_of_[r];
        if (job == nullptr) continue;
        if (job->now() != JobStage::done || job->abandon.load(std::memory_order_relaxed)) {
            if (job->hinted) {
                if (job->hint > bound) bound = job->hint;
                continue;
            }
            if (bound == -GameState::score_limit) {
                const RootProgress& progress = job->progress;
                if (job->now() == JobStage::running &&
                    !job->abandon.load(std::memory_order_relaxed) &&
                    progress.replies.load(std::memory_order_acquire) >= settled_replies) {
                    bound = progress.score.load(std::memory_order_relaxed);
                    continue;
                }
                if (awaits_progress != nullptr) *awaits_progress = job->now() != JobStage::done;
                return false;
            }
            continue;
        }
        const GameState& w = job->record;
        if (!job->searched) continue;
        if (g.search_depth > 2 && w.last_legal_reply == 0) {
            const bool opponent_attacked = g.search_side == GameState::black_side
                                               ? w.white_king_attack[2] != 0
                                               : w.black_king_attack[2] != 0;
            if (opponent_attacked) return false;
            continue;
        }
        const int16_t score = w.move_list[r][root_score_column];
        if (score > bound) bound = score;
    }
    return true;
}

// Searches the finished job's row again from `bound`. When its search scored
// above the bound it ran with, the score was exact and the new search
// finds it again if it lies above `bound` too (else it stays at most
// `bound`): until then the rows after it take it as their guess.
void RootWorkers::redo(GameState& g, Job& job, int16_t bound) {
    const GameState& w = job.record;
    const int16_t score = w.move_list[job.row][root_score_column];
    const bool exact = !job.abandon.load(std::memory_order_relaxed) && w.search_stopped == 0 &&
                       job.searched && w.last_legal_reply != 0 && score > w.alpha[1];
    restart_job(job, g, bound);
    job.hinted = exact;
    job.hint = score;
    queue(job);
}

// A mate or a stop from outside ends the loop: queued root moves are dropped, running ones are
// waited for and their work counted as discarded.
void RootWorkers::finish_early(GameState& g) {
    std::unique_lock<std::mutex> lock(mutex_);
    for (const auto& job : jobs_) {
        if (job->now() == JobStage::queued) {
            discard_job(g, *job);  // taken up from a copy, it holds work done
            job->enter(JobStage::free);
            queued_.fetch_sub(1, std::memory_order_relaxed);
        }
        if (job->now() == JobStage::running) job->abandon.store(true, std::memory_order_relaxed);
    }
    job_done_.wait(lock, [this] {
        return std::none_of(jobs_.begin(), jobs_.end(),
                            [](const auto& job) { return job->now() == JobStage::running; });
    });
    for (const auto& job : jobs_) {
        if (job->now() == JobStage::done) discard_job(g, *job);
        job->enter(JobStage::free);
    }
}

// Settles the finished rows in list order, restarts or tells the rows whose
// bound the results contradict, and hands out rows while threads are idle.
// Called with `mutex_` held, by the search's caller and by every thread that
// finishes a job.
Outcome RootWorkers::advance() {
    GameState& g = *g_;
    const int n = g.move_count[1];
    // Settle rows in list order as far as the results go.
    while (settled_ <= n) {
        // Told to stop from outside: nothing is settled any more.
        if (stop_requested(g)) return Outcome::stopped;
        const int r = settled_;
        if (!of_search_side(g, r)) {
            open_root_move(g, r);
            restore_castle_state(g);
            ++settled_;
            continue;
        }
        Job* job = job_of_[r];
        if (job == nullptr || job->now() != JobStage::done) break;
        if (!job_holds(*job, g)) {
            // Searched from another bound or other older cells: again,
            // from the settled record, ahead of everything else.
            redo(g, *job, g.alpha[1]);
            break;
        }
        merge_job(g, *job);
        job->enter(JobStage::free);
        job_of_[r] = nullptr;
        if (job->searched) {
            observer_->root_move_searched();
            g.last_legal_root = g.root_row;
            if (settle_root_move(g, *observer_)) return Outcome::mated;
        }
        restore_castle_state(g);
        ++settled_;
    }
    if (settled_ > n) return Outcome::finished;

    // Rows waiting, running or searched with a bound that the results
    // known now contradict: start them from the better guess, post it to
    // them (they go on from it, or give up if their cut-off tests so far
    // do not allow it), or search them again unless their cut-off tests
    // allow it. The row to settle is among them: its bound is certain.
    next_ = std::max(next_, settled_);
    for (int r = settled_; r < next_; ++r) {
        Job* job = job_of_[r];
        int16_t bound = 0;
        if (job == nullptr || !guess_bound(g, r, bound)) continue;
        if (job->now() == JobStage::queued && bound != job->bound) {
            restart_job(*job, g, bound);
        } else if (job->now() == JobStage::running && bound != job->bound) {
            job->bound = bound;
            job->progress.moved_bound.store(bound, std::memory_order_relaxed);
        } else if (job->now() == JobStage::done && (job->abandon.load(std::memory_order_relaxed) ||
                                                    !bound_holds(job->record, bound))) {
            redo(g, *job, bound);
        }
    }

    // Hand out rows while threads are idle.
    int busy = 0;
    for (const auto& job : jobs_) {
        if (job->now() == JobStage::queued || job->now() == JobStage::running) ++busy;
    }
    awaits_progress_ = false;
    while (busy < threads_wanted_ && next_ <= n) {
        if (!of_search_side(g, next_)) {
            ++next_;
            continue;
        }
        Job* job = free_job();
        if (job == nullptr) break;
        int16_t bound = 0;
        if (!guess_bound(g, next_, bound, &awaits_progress_)) break;
        prepare_job(*job, g, next_, bound);
        job->hinted = false;
        job_of_[next_] = job;
        queue(*job);
        ++busy;
        ++next_;
    }
    // The row to settle always has a job by now: rows are handed out in
    // order, and with none of them pending every job is free.
    return Outcome::running;
}

bool RootWorkers::run(GameState& g, int threads, SearchObserver& observer) {
    std::lock_guard<std::mutex> one_search(run_mutex_);
    std::unique_lock<std::mutex> lock(mutex_);
    start(threads);
    for (const auto& job : jobs_) {
        for (GameState& copy : job->log.records) copy_texts(copy, g);
    }
    g_ = &g;
    observer_ = &observer;
    threads_wanted_ = threads;
    searching_.store(true, std::memory_order_relaxed);
    help_.discarded_nodes.store(0, std::memory_order_relaxed);
    help_.discarded_evals.store(0, std::memory_order_relaxed);
    std::fill(std::begin(job_of_), std::end(job_of_), nullptr);
    settled_ = 1;
    next_ = 1;
    outcome_ = advance();
    while (outcome_ == Outcome::running) {
        if (awaits_progress_) {
            // A thread waits for the first row's progress: look again now and then.
            job_done_.wait_for(lock, progress_poll);
            if (outcome_ == Outcome::running) outcome_ = advance();
        } else {
            job_done_.wait(lock,
                           [this] { return outcome_ != Outcome::running || awaits_progress_; });
        }
    }
    const Outcome outcome = outcome_;
    g_ = nullptr;
    observer_ = nullptr;
    lock.unlock();
    // A mate or a stop from outside ends the loop early.
    if (outcome != Outcome::finished) finish_early(g);
    searching_.store(false, std::memory_order_relaxed);
    g.discarded_node_count += help_.discarded_nodes.load(std::memory_order_relaxed);
    g.discarded_eval_count += help_.discarded_evals.load(std::memory_order_relaxed);
    return outcome == Outcome::mated;
}

RootWorkers& root_workers() {
    static RootWorkers workers;
    return workers;
}

}  // namespace

int search_thread_count(int wanted) {
    if (wanted > 0) return std::min(wanted, max_threads);
    const unsigned hardware = std::thread::hardware_concurrency();
    return hardware == 0 ? 1 : std::min<int>(static_cast<int>(hardware), max_threads);
}

bool root_threads_apply(const GameState& g) {
    if (g.search_depth < min_threaded_depth) return false;
    bool white_king = false;
    bool black_king = false;
    for (int x = 1; x <= 8; ++x) {
        for (int y = 1; y <= 8; ++y) {
            white_king = white_king || g.board[x * 10 + y] == -king;
            black_king = black_king || g.board[x * 10 + y] == king;
        }
    }
    const bool opponent_capturable = g.search_side == GameState::white_side
                                         ? g.black_king_attack[1] != 0
                                         : g.white_king_attack[1] != 0;
    return white_king && black_king && !opponent_capturable;
}

bool search_root_moves_threaded(GameState& g, int threads, SearchObserver& observer) {
    return root_workers().run(g, threads, observer);
}

}  // namespace chess
