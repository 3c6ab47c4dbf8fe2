#include "engine/root_jobs.h"

#include <algorithm>
#include <iterator>

#include "engine/root_moves.h"
#include "engine/thread_records.h"
#include "model/board.h"
#include "movegen/generate.h"
#include "movegen/make_move.h"

namespace chess {

bool of_search_side(const GameState& g, int row) {
    const int side_number = code_digit_1(g.move_list[row][root_flag_column]);
    return GameState::side_sign[side_number] == g.search_side;
}

// The record as the one-thread loop has it at the start of root move `row`,
// as far as the settled record `g` knows it, with `bound` as `alpha`(1). The
// cells the root move will write are marked `unwritten` (the search never
// reads them before writing them), so `merge_job` can tell them apart.
void prepare_job(Job& job, const GameState& g, int row, int16_t bound) {
    job.start_from(g, row, 2);
    GameState& w = job.record;
    w.console.in = nullptr;
    w.console.out = nullptr;
    w.transcript_file = nullptr;
    w.transcript_on = 0;
    w.alpha[1] = bound;
    job.progress.replies.store(0, std::memory_order_relaxed);
    job.progress.moved_bound.store(RootProgress::no_bound, std::memory_order_relaxed);
    job.links.progress = &job.progress;
    job.links.resume_log = &job.log;
    job.log.count = 0;
    job.resume_row = 0;
    job.bound = bound;
}

// The root move's search; idle threads help with its replies.
void run_job(Job& job, ReplyHelp& help) {
    GameState& w = job.record;
    if (job.resume_row != 0) {
        resume_root_move(w, job.resume_ply, job.resume_row);
    } else {
        open_root_move(w, job.row);
        job.searched = root_move_searched(w);
        job.log.start_nodes = w.node_count;
        if (job.searched && w.search_depth >= 4) {
            w.last_legal_reply = 0;
            help.search_replies(w);
            finish_root_move(w);
        } else if (job.searched) {
            search_root_move(w);
        }
    }
    // The rows the last ply's passes left unwritten are written here, so the
    // merge sees the list as the one-thread search will leave it.
    write_deferred_rows(w);
}

// The job's search is the one the one-thread loop makes at this point.
bool job_holds(const Job& job, const GameState& g) { return job.holds_for(g); }

void discard_job(GameState& g, const Job& job) {
    g.discarded_node_count += job.nodes_spent();
    g.discarded_eval_count += job.evals_spent();
}

// Sets the job's root move to be searched again from `bound` after the rows
// settled in `g`: from the latest copy in its log that a search from there
// passes through too, else from the beginning. The work done after that
// point counts as discarded.
void restart_job(Job& job, GameState& g, int16_t bound) {
    GameState& w = job.record;
    ResumeLog& log = job.log;
    int i = log.count - 1;
    while (i >= 0 && !(bound_holds(log.records[i], bound) && older_reads_hold(log.records[i], g)))
        --i;
    if (i < 0) {
        discard_job(g, job);
        prepare_job(job, g, job.row, bound);
        return;
    }
    const GameState& from = log.records[i];
    g.discarded_node_count += w.node_count - from.node_count;
    g.discarded_eval_count += w.eval_count - from.eval_count;
    w = from;
    log.count = i + 1;
    set_root_bound(w, bound);
    job.bound = bound;
    job.resume_ply = log.reply_ply[i];
    job.resume_row = log.reply_row[i];
    job.abandon.store(false, std::memory_order_relaxed);
    job.progress.moved_bound.store(RootProgress::no_bound, std::memory_order_relaxed);
}

// The session and the move text of the record, which the search never
// changes: the log's copies keep room for their texts, so that taking a copy
// never allocates.
void copy_texts(GameState& to, const GameState& from) {
    static_cast<GameSession&>(to) = from;
    to.move_text = from.move_text;
}

// Makes the settled record `g` what the one-thread loop leaves after the
// job's root move: the job's record, except for what its search did not
// write (older list cells, counters of plies it did not reach, the
// evaluation's scratch when it evaluated nothing) and for the loop's own
// bookkeeping and the session, which stay as in `g`.
void merge_job(GameState& g, Job& job) {
    GameState& w = job.record;
    // The bound passed down may differ from the settled one.
    set_root_bound(w, g.alpha[1]);
    fill_unwritten_plies(w, g, 2);

    // Of the ply-1 list the root move writes only its own score.
    const int16_t score = w.move_list[job.row][root_score_column];
    for (int r = 0; r < move_list_rows; ++r) {
        for (int c = 1; c <= 3; ++c) w.move_list[r][c] = g.move_list[r][c];
    }
    w.move_list[job.row][root_score_column] = score;

    if (w.eval_count == job.evals_before) copy_evaluation(w, g);

    if (!job.searched) {
        // Set only below a legal root move.
        w.last_legal_reply = g.last_legal_reply;
        w.exclude_root = g.exclude_root;
    }
    w.best_score = g.best_score;
    w.chosen_index = g.chosen_index;
    w.runner_up_row = g.runner_up_row;
    w.last_legal_root = g.last_legal_root;
    w.alternate_move = g.alternate_move;
    w.move_word = g.move_word;
    w.move_text = g.move_text;
    // The session is the settled record's: the search changes nothing of it.
    static_cast<GameSession&>(w) = g;
    w.node_count = g.node_count + job.nodes_spent();
    w.eval_count = g.eval_count + job.evals_spent();
    w.discarded_node_count = g.discarded_node_count;
    w.discarded_eval_count = g.discarded_eval_count;
    w.older_read_count = 0;
    w.older_counts_read = 0;
    w.root_bound_low = g.root_bound_low;
    w.root_bound_high = g.root_bound_high;
    w.links = g.links;
    // The settled record keeps its own (empty) account of rows owed.
    w.lean_ply = g.lean_ply;
    w.deferred_count = g.deferred_count;
    w.lean_passes = g.lean_passes;
    std::copy(std::begin(g.deferred), std::end(g.deferred), std::begin(w.deferred));
    std::copy(std::begin(g.deferred_last), std::end(g.deferred_last), std::begin(w.deferred_last));
    g = w;
}

}  // namespace chess
