#include "engine/reply_help.h"

#include <algorithm>
#include <climits>
#include <thread>

#include "engine/search_plies.h"
#include "engine/thread_records.h"
#include "model/board.h"
#include "movegen/generate.h"

namespace chess {

namespace {

// Replies searched ahead further than this from the owner's row are rarely
// still right when the owner gets there.
constexpr int look_ahead = 4;

constexpr int score_column_2 = GameState::ply_base[2] + 3;

}  // namespace

// A reply searched ahead on a copy of its owner's record.
struct ReplyJob : SpeculativeJob {
    // The castling flags of the owner's record it started from.
    int16_t start_castle_moved[7] = {};
};

namespace {

// The record as the owner has it now, with the cells of plies 3 and deeper
// marked `unwritten` so reads of older ones are logged (as for a root move
// searched on its own record).
void prepare(ReplyJob& job, const GameState& g, int row) {
    // The owner alone takes moved bounds, reports progress and keeps copies:
    // the job's links are its stop and abandon flags only.
    job.start_from(g, row, 3);
    GameState& w = job.record;
    std::fill(std::begin(w.beta_from_reply), std::end(w.beta_from_reply), 0);
    w.beta_from_reply[2] = 1;
    w.reply_bound_low = INT32_MIN;
    w.reply_bound_high = INT32_MAX;
    w.reply_root_test = 0;
    // Rows the owner still owes are not this search's.
    w.deferred_count = 0;
    std::copy(std::begin(g.castle_moved), std::end(g.castle_moved),
              std::begin(job.start_castle_moved));
}

// The reply's search is the one the owner would make now.
bool holds(const GameState& g, const ReplyJob& job) {
    const GameState& w = job.record;
    if (g.beta[2] < w.reply_bound_low || g.beta[2] >= w.reply_bound_high) return false;
    if (!std::equal(std::begin(g.castle_moved), std::end(g.castle_moved),
                    std::begin(job.start_castle_moved))) {
        return false;
    }
    return job.holds_for(g);
}

void discard(ReplyHelp& help, const ReplyJob& job) {
    help.discarded_nodes.fetch_add(job.nodes_spent(), std::memory_order_relaxed);
    help.discarded_evals.fetch_add(job.evals_spent(), std::memory_order_relaxed);
}

// Makes `g` what the owner's own step for the reply would have left: the
// reply's record, except for what its search did not write and for the
// owner's bookkeeping above ply 3.
void merge(GameState& g, ReplyJob& job) {
    GameState& w = job.record;
    // The owner's owed rows are written first: the reply's passes are newer.
    defer_rows_at(g, g.lean_ply);
    fill_unwritten_plies(w, g, 3);
    for (int p = 3; p < ply_slots; ++p) {
        // Passed down from a ply-2 bound that may differ from the owner's.
        if (w.beta_from_reply[p] != 0) w.beta[p] = g.beta[2];
    }

    // Plies 1 and 2 of the list are the owner's, but for the reply's score.
    const int16_t score = w.move_list[job.row][score_column_2];
    for (int r = 0; r < move_list_rows; ++r) {
        for (int c = 1; c <= GameState::ply_base[3]; ++c) w.move_list[r][c] = g.move_list[r][c];
    }
    w.move_list[job.row][score_column_2] = score;

    if (w.eval_count == job.evals_before) copy_evaluation(w, g);
    if (!job.searched) w.last_legal_reply = g.last_legal_reply;

    // The owner's log of older reads, then the reply's reads of cells older
    // than the owner's search too, as the owner would have logged them
    // (`holds` leaves no overflowed log here).
    const int reply_reads = w.older_read_count;
    int16_t read_ply[GameState::older_read_slots];
    int16_t read_row[GameState::older_read_slots];
    int16_t read_code[GameState::older_read_slots];
    std::copy(w.older_read_ply, w.older_read_ply + reply_reads, read_ply);
    std::copy(w.older_read_row, w.older_read_row + reply_reads, read_row);
    std::copy(w.older_read_code, w.older_read_code + reply_reads, read_code);
    w.older_read_count = g.older_read_count;
    std::copy(std::begin(g.older_read_ply), std::end(g.older_read_ply), w.older_read_ply);
    std::copy(std::begin(g.older_read_row), std::end(g.older_read_row), w.older_read_row);
    std::copy(std::begin(g.older_read_code), std::end(g.older_read_code), w.older_read_code);
    for (int i = 0; i < reply_reads; ++i) {
        const int column = GameState::ply_base[read_ply[i]] + 1;
        if (g.move_list[read_row[i]][column + 1] != GameState::unwritten) continue;
        log_older_code(w, read_ply[i], read_row[i], read_code[i]);
    }
    const bool root_test = w.reply_root_test != 0;
    const bool counts_older = w.older_counts_read != 0 && g.older_counts_read == 0 &&
                              g.move_count[g.search_depth] == GameState::unwritten;
    const int16_t older_white = counts_older ? w.older_white_count : g.older_white_count;
    const int16_t older_black = counts_older ? w.older_black_count : g.older_black_count;

    // The owner's bookkeeping above the reply.
    for (int p = 1; p <= 2; ++p) {
        w.alpha[p] = g.alpha[p];
        w.beta[p] = g.beta[p];
        w.alpha_from_root[p] = g.alpha_from_root[p];
    }
    w.cutoff[1] = g.cutoff[1];
    w.ply_row[1] = g.ply_row[1];
    w.node_count = g.node_count + job.nodes_spent();
    w.eval_count = g.eval_count + job.evals_spent();
    w.discarded_node_count = g.discarded_node_count;
    w.discarded_eval_count = g.discarded_eval_count;
    w.older_counts_read = static_cast<int16_t>(counts_older ? 1 : g.older_counts_read);
    w.older_white_count = older_white;
    w.older_black_count = older_black;
    w.root_bound_low = std::max(g.root_bound_low, w.root_bound_low);
    w.root_bound_high = std::min(g.root_bound_high, w.root_bound_high);
    std::copy(std::begin(g.beta_from_reply), std::end(g.beta_from_reply),
              std::begin(w.beta_from_reply));
    w.reply_bound_low = g.reply_bound_low;
    w.reply_bound_high = g.reply_bound_high;
    w.reply_root_test = g.reply_root_test;
    if (root_test) {
        // The tests took the ply-2 bound, now the owner's, as their value.
        if (g.beta[2] <= g.alpha[1]) {
            if (g.beta[2] > w.root_bound_low) w.root_bound_low = g.beta[2];
        } else if (g.beta[2] < w.root_bound_high) {
            w.root_bound_high = g.beta[2];
        }
    }
    w.links = g.links;
    // Tests against the bound from ply 1 hold for the owner's bound now.
    set_root_bound(w, g.alpha[1]);
    w.search_stopped = g.search_stopped;
    w.lean_ply = g.lean_ply;
    w.deferred_count = 0;
    w.lean_passes = g.lean_passes;
    static_cast<GameSession&>(w) = g;
    g = w;
}

// A reply of the side to move at ply 2 (the opponent of the side searched
// for): only such rows are made.
bool reply_of_opponent(const GameState& g, int row) {
    const int side_number = code_digit_1(g.move_list[row][GameState::ply_base[2] + 2]);
    return GameState::side_sign[side_number] == -g.search_side;
}

}  // namespace

ReplyHelp::ReplyHelp() = default;
ReplyHelp::~ReplyHelp() = default;

void ReplyHelp::set_up(int jobs, std::condition_variable* wake, std::mutex* wake_mutex) {
    wake_ = wake;
    wake_mutex_ = wake_mutex;
    const int wanted = std::min(jobs, max_jobs);
    int count = job_count_.load(std::memory_order_relaxed);
    while (count < wanted) jobs_[count++] = std::make_unique<ReplyJob>();
    job_count_.store(count, std::memory_order_release);
}

bool ReplyHelp::reply_waiting() const {
    const int count = job_count();
    for (int i = 0; i < count; ++i) {
        if (jobs_[i]->now() == JobStage::queued) return true;
    }
    return false;
}

bool ReplyHelp::run_waiting_reply() {
    const int count = job_count();
    for (int i = 0; i < count; ++i) {
        ReplyJob* job = jobs_[i].get();
        if (!job->move(JobStage::queued, JobStage::running)) {
            continue;
        }
        run_reply(*job);
        return true;
    }
    return false;
}

void ReplyHelp::run_reply(ReplyJob& job) {
    GameState& w = job.record;
    job.searched = search_reply(w, job.row);
    // The rows the last ply's passes left unwritten, as the owner's
    // search would have them.
    write_deferred_rows(w);
    job.enter(JobStage::done);
}

// A free slot, now at `stage`, or null when every slot is taken.
ReplyJob* ReplyHelp::claim_slot(JobStage stage) {
    for (int i = 0, count = job_count(); i < count; ++i) {
        ReplyJob* job = jobs_[i].get();
        if (job->move(JobStage::free, stage)) {
            return job;
        }
    }
    return nullptr;
}

// While the owner waits for a reply another thread searches, it searches
// the next one not handed out on a copy of its record itself.
void ReplyHelp::search_ahead(GameState& g, int row, ReplyJob** mine, int& offered_up_to) {
    const int n = g.move_count[2];
    int r = std::max(row, offered_up_to) + 1;
    while (r <= n && !reply_of_opponent(g, r)) ++r;
    if (r > n) return;
    ReplyJob* slot = claim_slot(JobStage::running);
    if (slot == nullptr) return;
    prepare(*slot, g, r);
    mine[r] = slot;
    offered_up_to = r;
    run_reply(*slot);
}

// While threads wait for work, hands them the next replies after `row`.
void ReplyHelp::offer(GameState& g, int row, ReplyJob** mine, int& offered_up_to) {
    // One reply for each thread that waits now, less those queued for them
    // already and not yet started.
    int helpers = idle.load(std::memory_order_relaxed);
    for (int r = row + 1; r <= offered_up_to; ++r) {
        if (mine[r] != nullptr && mine[r]->now() == JobStage::queued) {
            --helpers;
        }
    }
    const int n = g.move_count[2];
    for (int r = std::max(row, offered_up_to) + 1; helpers > 0 && r <= n && r <= row + look_ahead;
         ++r) {
        if (!reply_of_opponent(g, r)) continue;
        ReplyJob* slot = claim_slot(JobStage::preparing);
        if (slot == nullptr) return;
        prepare(*slot, g, r);
        mine[r] = slot;
        slot->enter(JobStage::queued);
        if (wake_ != nullptr) {
            // A thread that has just found nothing to do and is about to
            // sleep holds the mutex until it sleeps: taking it here makes
            // sure the thread is woken.
            { const std::lock_guard<std::mutex> sleeping(*wake_mutex_); }
            wake_->notify_one();
        }
        offered_up_to = r;
        --helpers;
    }
}

// Waits for the reply job to end, searching the next reply ahead meanwhile
// (see `search_ahead`), or takes it back when no thread has started it.
// True when it was searched.
bool ReplyHelp::collect(GameState& g, ReplyJob& job, int row, ReplyJob** mine, int& offered_up_to) {
    if (job.move(JobStage::queued, JobStage::free)) {
        return false;
    }
    bool searched_ahead = false;
    while (job.now() != JobStage::done) {
        if (stop_requested(g) || abandoned(g)) {
            // The owner's loop ends: nothing ahead is searched any more.
            job.abandon.store(true, std::memory_order_relaxed);
            searched_ahead = true;
        }
        if (!searched_ahead) {
            searched_ahead = true;
            search_ahead(g, row, mine, offered_up_to);
            continue;
        }
        std::this_thread::yield();
    }
    return true;
}

// The owner's loop ends: replies searched ahead for it are stopped and
// counted as discarded.
void ReplyHelp::cancel(ReplyJob** mine, int offered_up_to) {
    for (int r = 1; r <= offered_up_to; ++r) {
        ReplyJob* job = mine[r];
        if (job == nullptr) continue;
        mine[r] = nullptr;
        if (job->move(JobStage::queued, JobStage::free)) {
            continue;
        }
        if (job->now() == JobStage::free) continue;
        job->abandon.store(true, std::memory_order_relaxed);
        while (job->now() != JobStage::done) std::this_thread::yield();
        discard(*this, *job);
        job->enter(JobStage::free);
    }
}

void ReplyHelp::search_replies(GameState& g) {
    const int n = g.move_count[2];
    // The jobs this loop handed out, by row; each is free again once the
    // loop has used, taken back or discarded it.
    ReplyJob* mine[move_list_rows] = {};
    int offered_up_to = 0;
    for (int r = 1; r <= n; ++r) {
        before_reply(g, r);
        if (stop_requested(g) || abandoned(g)) break;
        bool merged = false;
        bool searched = false;
        if (ReplyJob* job = mine[r]) {
            mine[r] = nullptr;
            if (collect(g, *job, r, mine, offered_up_to)) {
                if (holds(g, *job)) {
                    searched = job->searched;
                    merge(g, *job);
                    merged = true;
                } else {
                    discard(*this, *job);
                }
                job->enter(JobStage::free);
            }
        }
        // While this thread searches a reply itself, later replies go to
        // waiting threads from the record as it stands before that search.
        // After a merge it goes on to the next reply at once, which it would
        // only wait for if a thread had just started on it.
        if (!merged) offer(g, r, mine, offered_up_to);
        if (!merged) searched = search_reply(g, r);
        if (!searched) continue;
        if (fold_reply(g, r)) break;
    }
    cancel(mine, offered_up_to);
}

}  // namespace chess
