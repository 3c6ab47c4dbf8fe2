// The root moves searched on records of their own, one job each: how a job's
// record is prepared as the one-thread loop would have it, searched, checked
// against the settled record, taken up again from a copy, and merged.
#pragma once

#include <atomic>
#include <cstdint>

#include "engine/reply_help.h"
#include "engine/search_ahead.h"
#include "engine/search_links.h"
#include "engine/search_plies.h"
#include "model/game_state.h"

namespace chess {

inline constexpr int root_flag_column = GameState::ply_base[1] + 2;
inline constexpr int root_score_column = GameState::ply_base[1] + 3;

// One root move searched on a record of its own.
struct Job : SpeculativeJob {
    // `alpha`(1) the search starts from, or the one last posted to it while
    // it runs (see `RootProgress`)
    int16_t bound = 0;
    // A score the search of this row will come to, known from an earlier
    // search of it from another bound (see `RootWorkers::redo`).
    bool hinted = false;
    int16_t hint = 0;
    RootProgress progress;
    // Copies of the record kept by the search, and the ply and row the
    // search is taken up before when it restarts from one of them (row 0:
    // it starts from the beginning).
    ResumeLog log;
    int resume_ply = 0;
    int resume_row = 0;
};

// The root move at `row` belongs to the side searched for.
bool of_search_side(const GameState& g, int row);
// The record as the one-thread loop has it at the start of root move `row`,
// as far as the settled record `g` knows it, with `bound` as `alpha`(1).
void prepare_job(Job& job, const GameState& g, int row, int16_t bound);
// The root move's search; idle threads help with its replies.
void run_job(Job& job, ReplyHelp& help);
// The job's search is the one the one-thread loop makes at this point.
bool job_holds(const Job& job, const GameState& g);
// The job's work counts as discarded.
void discard_job(GameState& g, const Job& job);
// Sets the job's root move to be searched again from `bound` after the rows
// settled in `g`, from the latest copy in its log that allows it.
void restart_job(Job& job, GameState& g, int16_t bound);
// The session and the move text of `from` into `to` (see root_jobs.cpp).
void copy_texts(GameState& to, const GameState& from);
// Makes the settled record `g` what the one-thread loop leaves after the
// job's root move.
void merge_job(GameState& g, Job& job);

}  // namespace chess
