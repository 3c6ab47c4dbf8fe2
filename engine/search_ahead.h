// A search made on a copy of the record ahead of its turn, at both levels
// where the search runs on several threads: a root move on a thread of its
// own (engine/root_jobs.h), or a reply searched ahead below a running root
// move (engine/reply_help.h). Both use it the same way: the copy is prepared
// as the record it will be merged into has it at the search's start, with
// the cells the search will write marked unwritten; it is searched with a
// guessed bound; then its bound and the older cells it read are checked
// against that record, and it is merged, or searched again.
//
// Its stages: free -> preparing -> queued -> running -> done -> free. The
// owner prepares a free job (preparing is seen only where jobs are handed
// out without a lock) and queues it; a thread takes a queued job by moving
// it to running; the owner may take a queued job back to free before any
// thread has; a running job ends at done, and the owner frees it after the
// merge or the discard.
#pragma once

#include <atomic>
#include <cstdint>

#include "engine/search_links.h"
#include "model/game_state.h"

namespace chess {

enum class JobStage : int { free, preparing, queued, running, done };

struct SpeculativeJob {
    GameState record;
    std::atomic<JobStage> stage{JobStage::free};
    // Raised by the search when it cannot take over a bound posted to it, or
    // by the owner when its own loop ends; the search then stops and its
    // result is not used.
    std::atomic<bool> abandon{false};
    SearchLinks links;      // what the record's search shares with the threads
    int row = 0;            // the root move's or the reply's row
    bool searched = false;  // the move is legal and was searched
    uint64_t nodes_before = 0;
    uint64_t evals_before = 0;

    JobStage now() const { return stage.load(std::memory_order_acquire); }
    void enter(JobStage next) { stage.store(next, std::memory_order_release); }
    // `from` -> `to` unless another thread has moved it first.
    bool move(JobStage from, JobStage to) {
        return stage.compare_exchange_strong(from, to, std::memory_order_acq_rel);
    }

    // The copy of `g` for the move at `row`, plies `first_ply` and deeper
    // marked unwritten (see mark_plies_unwritten), the abandon flag lowered,
    // the record linked to this job's flag and to `g`'s stop flag.
    void start_from(const GameState& g, int move_row, int first_ply);
    // The search on the copy is the one `g` makes now, as far as the bound
    // passed down from ply 1 and the older cells it read go; false for a
    // search abandoned or stopped.
    bool holds_for(const GameState& g) const;
    // The work of the copy's search so far.
    uint64_t nodes_spent() const { return record.node_count - nodes_before; }
    uint64_t evals_spent() const { return record.eval_count - evals_before; }
};

}  // namespace chess
