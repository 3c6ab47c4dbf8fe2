#include "engine/thread_records.h"

#include <algorithm>
#include <climits>

#include "engine/search_ahead.h"
#include "engine/search_plies.h"
#include "movegen/generate.h"

namespace chess {

void mark_plies_unwritten(GameState& w, int first_ply) {
    for (int p = first_ply; p < ply_slots; ++p) {
        const int base = GameState::ply_base[p];
        for (int r = 1; r <= max_list_rows; ++r) {
            w.move_list[r][base + 2] = GameState::unwritten;
            w.move_list[r][base + 3] = GameState::unwritten;
        }
        w.move_count[p] = GameState::unwritten;
        w.ply_row[p] = 0;  // rows count from 1
    }
    w.parent_row = 0;
    w.leaf_kind = 0;  // 1 or 2 when set
    w.older_read_count = 0;
    w.older_counts_read = 0;
    w.root_bound_low = INT16_MIN;
    w.root_bound_high = INT16_MAX;
}

void fill_unwritten_plies(GameState& w, const GameState& g, int first_ply) {
    for (int p = first_ply; p < ply_slots; ++p) {
        const int base = GameState::ply_base[p];
        for (int r = 1; r <= max_list_rows; ++r) {
            int16_t* cells = w.move_list[r];
            const int16_t* older = g.move_list[r];
            if (cells[base + 2] == GameState::unwritten) {
                cells[base + 1] = older[base + 1];
                cells[base + 2] = older[base + 2];
            }
            if (cells[base + 3] == GameState::unwritten) cells[base + 3] = older[base + 3];
        }
        // A ply is generated exactly when a move of the ply above was made,
        // which also sets that ply's cut-off flag and this ply's bounds.
        if (w.move_count[p] == GameState::unwritten) {
            w.move_count[p] = g.move_count[p];
            w.white_move_count[p] = g.white_move_count[p];
            w.black_move_count[p] = g.black_move_count[p];
            w.capture_count[p] = g.capture_count[p];
            w.white_king_attack[p] = g.white_king_attack[p];
            w.black_king_attack[p] = g.black_king_attack[p];
            w.alpha[p] = g.alpha[p];
            w.alpha_from_root[p] = g.alpha_from_root[p];
            w.beta[p] = g.beta[p];
            w.cutoff[p - 1] = g.cutoff[p - 1];
        }
        if (w.ply_row[p] == 0) w.ply_row[p] = g.ply_row[p];
    }
    w.cutoff[ply_slots - 1] = g.cutoff[ply_slots - 1];
    if (w.parent_row == 0) w.parent_row = g.parent_row;
    if (w.leaf_kind == 0) w.leaf_kind = g.leaf_kind;
}

void log_older_code(GameState& g, int ply, int row, int16_t code) {
    const int i = g.older_read_count;
    if (i < GameState::older_read_slots) {
        g.older_read_ply[i] = static_cast<int16_t>(ply);
        g.older_read_row[i] = static_cast<int16_t>(row);
        g.older_read_code[i] = code;
    }
    if (i <= GameState::older_read_slots) g.older_read_count = static_cast<int16_t>(i + 1);
}

bool older_reads_hold(const GameState& w, const GameState& g) {
    if (w.older_read_count > GameState::older_read_slots) return false;
    for (int i = 0; i < w.older_read_count; ++i) {
        const int ply = w.older_read_ply[i];
        const int row = w.older_read_row[i];
        const int column = GameState::ply_base[ply] + 1;
        // A row `g` still owes would be written by the read.
        if (row_is_deferred(g, ply, row)) return false;
        // A cell `g` has not written either is older than the search on `g`
        // itself: the read is passed on with the merge.
        if (g.move_list[row][column + 1] == GameState::unwritten) continue;
        if (g.move_list[row][column] != w.older_read_code[i]) return false;
    }
    if (w.older_counts_read != 0) {
        const int d = g.search_depth;
        if (g.move_count[d] != GameState::unwritten &&
            (g.white_move_count[d] != w.older_white_count ||
             g.black_move_count[d] != w.older_black_count)) {
            return false;
        }
    }
    return true;
}

void copy_evaluation(GameState& w, const GameState& g) { static_cast<EvalScratch&>(w) = g; }

void SpeculativeJob::start_from(const GameState& g, int move_row, int first_ply) {
    record = g;
    mark_plies_unwritten(record, first_ply);
    abandon.store(false, std::memory_order_relaxed);
    links = SearchLinks{};
    links.stop = g.links == nullptr ? nullptr : g.links->stop;
    links.abandon = &abandon;
    record.links = &links;
    row = move_row;
    nodes_before = record.node_count;
    evals_before = record.eval_count;
}

bool SpeculativeJob::holds_for(const GameState& g) const {
    if (abandon.load(std::memory_order_relaxed) || record.search_stopped == 1) return false;
    return bound_holds(record, g.alpha[1]) && older_reads_hold(record, g);
}

}  // namespace chess
