#include "engine/search_plies.h"

#include "engine/evaluate.h"
#include "model/board.h"
#include "movegen/make_move.h"

namespace chess {

namespace {

inline int16_t wrap16(int v) { return static_cast<int16_t>(v); }

inline int16_t& code_at(GameState& g, int ply, int row) {
    return g.move_list[row][GameState::ply_base[ply] + 1];
}
inline int16_t& flags_at(GameState& g, int ply, int row) {
    return g.move_list[row][GameState::ply_base[ply] + 2];
}
inline int16_t& score_at(GameState& g, int ply, int row) {
    return g.move_list[row][GameState::ply_base[ply] + 3];
}

// Moves of odd plies belong to the side searched for, those of even plies to
// its opponent.
inline int16_t sign_of_ply(int ply) { return ply % 2 == 1 ? 1 : -1; }

// A move found without legal replies takes the evaluation of its own position
// in the late endgame, or when the last generation saw neither king
// capturable (a stalemate rather than a mate).
inline void score_position_without_replies(GameState& g, int16_t& score) {
    if (g.late_endgame == 1 || g.castle_attacked[1] + g.castle_attacked[4] == 0) {
        evaluate(g);
        score = wrap16(g.search_side * g.eval_score);
    }
}

// A cut-off test of `value` against the bound passed down from ply 1.
inline void note_root_bound_test(GameState& g, int16_t value, int16_t bound) {
    if (value <= bound) {
        if (value > g.root_bound_low) g.root_bound_low = value;
    } else if (value < g.root_bound_high) {
        g.root_bound_high = value;
    }
}

// A cut-off test `bound` <= `value` of the bound a reply searched ahead
// started from: the bounds that give the same outcome.
inline void note_reply_bound_test(GameState& g, int16_t bound, int16_t value) {
    if (bound <= value) {
        if (value + 1 < g.reply_bound_high) g.reply_bound_high = value + 1;
    } else if (value + 1 > g.reply_bound_low) {
        g.reply_bound_low = value + 1;
    }
}

// The test against the bound from ply 1 records `value`; a value that is the
// ply-2 bound of a reply searched ahead is recorded when the reply is used.
inline void note_root_test(GameState& g, int16_t value, int16_t bound, bool value_from_reply) {
    if (value_from_reply) {
        g.reply_root_test = 1;
    } else {
        note_root_bound_test(g, value, bound);
    }
}

// On a thread's copy of the record: a bound posted for the root move while
// it is searched (see `RootProgress`) replaces the one it started from when
// every cut-off test against that one so far comes out the same with it;
// the search then goes on exactly as if it had started from it. Otherwise
// the search gives up (raises its abandon flag), unless the root move has
// come through three quarters of its reply list and no reply so far holds
// it to the new bound: then it is likely to raise the best score, and it
// runs on from its old bound to the end. Its result is not used, but its
// score, exact if it does raise, becomes the guess for the rows after it
// well before a new search of it would give it.
void take_moved_bound(GameState& g) {
    const int32_t posted =
        root_progress(g)->moved_bound.exchange(RootProgress::no_bound, std::memory_order_relaxed);
    if (posted == RootProgress::no_bound) return;
    const int16_t bound = static_cast<int16_t>(posted);
    if (!bound_holds(g, bound)) {
        const int16_t score_so_far = score_at(g, 1, g.root_row);
        if (score_so_far > bound && 4 * g.ply_row[2] >= 3 * g.move_count[2]) return;
        g.links->abandon->store(true, std::memory_order_relaxed);
        return;
    }
    set_root_bound(g, bound);
}

// The cut-off test of `beta`(b) against `alpha`(a), logged for a search
// that may be taken over by a search from another bound (see
// `SpeculationLog`): which bounds from ply 1 and from a reply searched ahead
// give it the same outcome.
inline void log_cutoff_test(GameState& g, int a, int b) {
    const bool from_reply = g.beta_from_reply[b] != 0;
    if (g.alpha_from_root[a] != 0) note_root_test(g, g.beta[b], g.alpha[a], from_reply);
    if (from_reply) note_reply_bound_test(g, g.beta[b], g.alpha[a]);
}

// A posted bound is looked for before each move of ply 2 and of the plies
// at least three above the last: a look before every move of the plies below
// costs more time than it saves, and the searches below those moves are short.
inline void look_for_moved_bound(GameState& g, int ply) {
    if ((ply == 2 || ply + 3 <= g.search_depth) && root_progress(g) != nullptr &&
        root_progress(g)->moved_bound.load(std::memory_order_relaxed) != RootProgress::no_bound) {
        take_moved_bound(g);
    }
}

// Copies of the record are kept before the moves of plies 2 to this one.
constexpr int last_resume_ply = 3;
// Below ply 2 a copy is taken only when the search has come this many nodes
// since the last one: a copy costs about as much as a few nodes, and the
// moves of ply 3 are many.
constexpr uint64_t resume_spacing = 2000;

// Keeps a copy of the record before row `row` of ply `ply` (see `ResumeLog`).
// It replaces the last copy when no test or read since has narrowed what the
// search's course depends on, or when every slot is taken. A search cut
// short leaves nothing: the record is not one the full search passes.
void note_resume_point(GameState& g, int ply, int row) {
    ResumeLog& log = *resume_log(g);
    if (abandoned(g) || g.search_stopped != 0) return;
    const uint64_t last_nodes =
        log.count == 0 ? log.start_nodes : log.records[log.count - 1].node_count;
    if (g.node_count == last_nodes) return;  // nothing searched since
    if (ply > 2 && g.node_count - last_nodes < resume_spacing) return;
    int slot = log.count;
    if (log.count > 0) {
        const GameState& last = log.records[log.count - 1];
        const bool same_course = last.root_bound_low == g.root_bound_low &&
                                 last.root_bound_high == g.root_bound_high &&
                                 last.older_read_count == g.older_read_count &&
                                 last.older_counts_read == g.older_counts_read;
        if (same_course || log.count == ResumeLog::slots) slot = log.count - 1;
    }
    log.records[slot] = g;
    log.reply_row[slot] = static_cast<int16_t>(row);
    log.reply_ply[slot] = static_cast<int16_t>(ply);
    log.count = slot + 1;
}

// Before each move of plies 2 and deeper: a search on a thread's copy of the
// record keeps a copy for restarts and takes over a bound moved meanwhile.
// False once the search is to end (stopped from outside, or abandoned).
inline bool before_ply_move(GameState& g, int k, int r) {
    if (k <= last_resume_ply && resume_log(g) != nullptr) note_resume_point(g, k, r);
    look_for_moved_bound(g, k);
    return !stop_requested(g) && !abandoned(g);
}

}  // namespace

void set_root_bound(GameState& g, int16_t bound) {
    g.alpha[1] = bound;
    for (int p = 2; p < ply_slots; ++p) {
        if (g.alpha_from_root[p] != 0) g.alpha[p] = bound;
    }
}

void search_setup(GameState& g) {
    int total = 0;
    int white = 0;
    int black = 0;
    for (int x = 1; x <= 8; ++x) {
        for (int y = 1; y <= 8; ++y) {
            const int16_t p = g.board[x * 10 + y];
            total += abs_of(p);
            if (p < 0) {
                white += p;
            } else {
                black += p;
            }
        }
    }
    g.root_total = wrap16(total);
    g.white_total = wrap16(white);
    g.black_total = wrap16(black);
    g.exchange_divisor = GameState::exchange_divisor_normal;
    if (g.root_total <= 50) g.exchange_divisor = GameState::exchange_divisor_thin;
    g.endgame = g.root_total <= 45 ? 1 : 0;
    g.late_endgame = 0;
    if (g.root_total < 22) g.late_endgame = 1;
    // The opponent is down to a bare king, or a king and one pawn.
    if (g.search_side == GameState::white_side && g.black_total < 8) g.late_endgame = 1;
    if (g.search_side == GameState::black_side && abs_of(g.white_total) < 8) g.late_endgame = 1;
}

void open_move(GameState& g) {
    const int ply = g.ply;
    const int row = g.current_row;
    g.wrong_side = 0;
    if (!is_side_flags(flags_at(g, ply, row), side_flags(g.search_side * g.node_sign))) {
        g.wrong_side = 1;
    } else {
        g.cutoff[ply] = 0;
        g.move_index = g.current_row;
        make_move_at(g, &code_at(g, ply, row));
        g.alpha[ply + 1] = g.alpha[ply];
        g.alpha_from_root[ply + 1] = g.alpha_from_root[ply];
        g.beta[ply + 1] = g.beta[ply];
        g.beta_from_reply[ply + 1] = g.beta_from_reply[ply];
    }
    score_at(g, ply, row) = wrap16(GameState::score_limit * g.node_sign);
}

namespace {

// The cells a back-up at ply k reads and writes: the move's row of ply k
// (code, flag word, score) and its parent's score at ply k - 1.
struct BackUpCells {
    int k;
    int16_t* row;
    int16_t* parent;
};

inline BackUpCells back_up_cells(GameState& g) {
    const int k = g.ply;
    return {k, &code_at(g, k, g.current_row), &score_at(g, k - 1, g.parent_row)};
}

inline void take_back_cells(GameState& g, const int16_t* row) {
    g.last_move = row[0];
    g.last_flags = row[1];
    take_back(g);
}

// The two halves of the back-up at an even ply: the move's own score made
// complete (on the board with the move still made), then its fold into the
// parent row with the bounds and the cut-off test.
inline void complete_min_score(GameState& g, const BackUpCells& c) {
    int16_t& score = c.row[2];
    if (score == -GameState::score_limit) score_position_without_replies(g, score);
}

inline void fold_min(GameState& g, const BackUpCells& c) {
    const int k = c.k;
    const int16_t score = c.row[2];
    int16_t& parent = *c.parent;
    if (score < parent) {
        parent = score;
        g.beta[k] = score;
        g.beta_from_reply[k] = 0;
    }
    log_cutoff_test(g, k - 1, k);
    if (g.beta[k] <= g.alpha[k - 1]) g.cutoff[k] = 1;
}

// back_up_max and back_up_min on the cells named, for the leaf loop too.
inline void back_up_max_at(GameState& g, const BackUpCells& c) {
    const int k = c.k;
    int16_t& score = c.row[2];
    if (score == GameState::score_limit) score_position_without_replies(g, score);
    int16_t& parent = *c.parent;
    if (score > parent) {
        parent = score;
        g.alpha[k] = score;
        g.alpha_from_root[k] = 0;
    }
    log_cutoff_test(g, k, k - 1);
    if (g.alpha[k] >= g.beta[k - 1]) g.cutoff[k] = 1;
    take_back_cells(g, c.row);
}

inline void back_up_min_at(GameState& g, const BackUpCells& c) {
    complete_min_score(g, c);
    fold_min(g, c);
    take_back_cells(g, c.row);
}

// The owner of a root move searched on threads tells them how far it has come.
inline void report_reply(GameState& g) {
    if (root_progress(g) != nullptr && !abandoned(g) && g.search_stopped == 0) {
        RootProgress& progress = *root_progress(g);
        progress.score.store(score_at(g, 1, g.parent_row), std::memory_order_relaxed);
        const int16_t replies = progress.replies.load(std::memory_order_relaxed);
        progress.replies.store(static_cast<int16_t>(replies + 1), std::memory_order_release);
    }
}

}  // namespace

void back_up_max(GameState& g) { back_up_max_at(g, back_up_cells(g)); }
void back_up_min(GameState& g) { back_up_min_at(g, back_up_cells(g)); }

// The leaf ply's loop: each row opened as open_move does, and a legal move
// of the colour to move evaluated, folded into its parent and taken back.
// What only the last row's turn leaves (`current_row`, `wrong_side`) is
// stored once at the end; `ply` stays the leaf ply throughout.
void search_leaf_ply(GameState& g) {
    const int d = g.search_depth;
    const int n = g.move_count[d];
    if (n < 1) return;
    const int code_column = GameState::ply_base[d] + 1;
    int16_t* const parent_score = &score_at(g, d - 1, g.parent_row);
    const int16_t opening_score = wrap16(GameState::score_limit * g.node_sign);
    const unsigned mover_flags = side_flags(g.search_side * g.node_sign);
    const bool minimising = g.leaf_kind == 1;
    g.ply = static_cast<int16_t>(d);
    int wrong_side = 0;
    int r = 1;
    for (; r <= n; ++r) {
        int16_t* cells = &g.move_list[r][code_column];  // code, flag word, score
        if (!is_side_flags(cells[1], mover_flags)) {
            wrong_side = 1;
            cells[2] = opening_score;
            continue;
        }
        wrong_side = 0;
        g.current_row = static_cast<int16_t>(r);
        g.cutoff[d] = 0;
        g.move_index = static_cast<int16_t>(r);
        make_move_at(g, cells);
        g.alpha[d + 1] = g.alpha[d];
        g.alpha_from_root[d + 1] = g.alpha_from_root[d];
        g.beta[d + 1] = g.beta[d];
        g.beta_from_reply[d + 1] = g.beta_from_reply[d];
        cells[2] = opening_score;
        if (g.in_check != 0) continue;
        evaluate(g, true);
        cells[2] = wrap16(g.search_side * g.eval_score);
        const BackUpCells backed{d, cells, parent_score};
        if (minimising) {
            back_up_min_at(g, backed);
        } else {
            back_up_max_at(g, backed);
        }
        if (g.cutoff[d] == 1) break;
    }
    g.current_row = static_cast<int16_t>(r > n ? n : r);
    g.wrong_side = static_cast<int16_t>(wrong_side);
}

// The rest of move `r` of ply k after the search below it: folds its score
// into its parent and takes it back. True on a cut-off.
inline bool close_ply_move(GameState& g, int k, int r) {
    g.ply = static_cast<int16_t>(k);
    g.current_row = static_cast<int16_t>(r);
    g.parent_row = g.ply_row[k - 1];
    if (k % 2 == 1) {
        back_up_max(g);
    } else {
        back_up_min(g);
    }
    if (k == 2) report_reply(g);
    return g.cutoff[k] == 1;
}

void search_ply_loop(GameState& g, int k, int first_row) {
    const int n = g.move_count[k];
    for (int r = first_row; r <= n; ++r) {
        if (!before_ply_move(g, k, r)) break;
        g.ply = static_cast<int16_t>(k);
        g.current_row = static_cast<int16_t>(r);
        g.ply_row[k] = static_cast<int16_t>(r);
        g.node_sign = sign_of_ply(k);
        open_move(g);
        if (g.wrong_side != 0 || g.in_check != 0) continue;
        if (k == 2) g.last_legal_reply = static_cast<int16_t>(r);
        if (k + 1 == g.search_depth) {
            g.parent_row = static_cast<int16_t>(r);
            g.leaf_kind = (k + 1) % 2 == 0 ? 1 : 2;
            g.node_sign = sign_of_ply(k + 1);
            search_leaf_ply(g);
        } else if (k <= 6) {
            search_ply_loop(g, k + 1);
        }
        // At ply 7 of a depth-9 search nothing deeper is searched.
        if (close_ply_move(g, k, r)) break;
    }
}

void resume_ply_loop(GameState& g, int k, int resume_ply, int resume_row) {
    if (k == resume_ply) {
        search_ply_loop(g, k, resume_row);
        return;
    }
    const int r = g.ply_row[k];
    resume_ply_loop(g, k + 1, resume_ply, resume_row);
    if (!close_ply_move(g, k, r)) search_ply_loop(g, k, r + 1);
}

void before_reply(GameState& g, int row) {
    if (resume_log(g) != nullptr) note_resume_point(g, 2, row);
    look_for_moved_bound(g, 2);
}

bool search_reply(GameState& g, int row) {
    g.ply = 2;
    g.current_row = static_cast<int16_t>(row);
    g.ply_row[2] = static_cast<int16_t>(row);
    g.node_sign = sign_of_ply(2);
    open_move(g);
    if (g.wrong_side != 0 || g.in_check != 0) return false;
    g.last_legal_reply = static_cast<int16_t>(row);
    search_ply_loop(g, 3);
    g.ply = 2;
    g.current_row = static_cast<int16_t>(row);
    g.parent_row = g.ply_row[1];
    const BackUpCells cells = back_up_cells(g);
    complete_min_score(g, cells);
    take_back_cells(g, cells.row);
    return true;
}

bool fold_reply(GameState& g, int row) {
    g.ply = 2;
    g.current_row = static_cast<int16_t>(row);
    g.parent_row = g.ply_row[1];
    fold_min(g, back_up_cells(g));
    report_reply(g);
    return g.cutoff[2] == 1;
}

}  // namespace chess
