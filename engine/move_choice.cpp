#include "engine/move_choice.h"

#include "engine/book.h"
#include "engine/evaluate.h"
#include "engine/root_moves.h"
#include "engine/root_threads.h"
#include "engine/search_plies.h"
#include "model/board.h"
#include "model/notation.h"
#include "movegen/generate.h"
#include "movegen/make_move.h"

namespace chess {

namespace {

constexpr int code_column = GameState::ply_base[1] + 1;
constexpr int flag_column = GameState::ply_base[1] + 2;
constexpr int score_column = GameState::ply_base[1] + 3;

// Searches below one legal root move: the leaf ply directly at depth 2, else
// the loop of ply 2.
void search_below_root(GameState& g) {
    if (g.search_depth == 2) {
        g.parent_row = g.root_row;
        g.leaf_kind = 1;
        g.node_sign = -1;
        search_leaf_ply(g);
    } else {
        search_ply_loop(g, 2);
    }
}

// The root move at `root_row` leaves the opponent no legal reply with its king
// attacked: announce the mate it gives.
void announce_mate(GameState& g, SearchObserver& observer) {
    g.move_word = g.move_list[g.root_row][code_column];
    move_to_text(g);
    observer.mate_found(g.move_text);
    g.game_over = 1;
}

// Replaces a move repeated from two searches ago by a close runner-up, or
// else searches one ply deeper next time.
void repetition_test(GameState& g, SearchObserver& observer) {
    int16_t* history = g.choice_history;  // newest, middle, oldest
    history[0] = g.move_code;
    const bool repeated = history[0] == history[2] && g.alternate_move != 0;
    if (repeated && g.score_gap < 25) {
        g.move_code = g.alternate_move;
        g.chosen_index = g.runner_up_row;
        observer.alternate_move_used();
        history[0] = history[1] = history[2] = 0;
    } else if (repeated && g.score_gap > 24 && g.hold_depth == 0 && g.search_depth < 9) {
        // Below 9 only: the plies and their arrays end at 10.
        g.search_depth = static_cast<int16_t>(g.search_depth + 1);
        g.hold_depth = 1;
        history[0] = history[1] = history[2] = 0;
        observer.depth_increased();
    }
    history[2] = history[1];
    history[1] = history[0];
}

}  // namespace

void open_root_move(GameState& g, int row) {
    g.root_row = static_cast<int16_t>(row);
    g.ply = 1;
    g.current_row = g.root_row;
    g.ply_row[1] = g.root_row;
    g.node_sign = 1;
    open_move(g);
}

void finish_root_move(GameState& g) {
    g.ply = 1;
    g.exclude_root = 0;
    g.last_move = g.move_list[g.root_row][code_column];
    g.last_flags = g.move_list[g.root_row][flag_column];
    take_back(g);
}

void search_root_move(GameState& g) {
    g.last_legal_reply = 0;
    search_below_root(g);
    finish_root_move(g);
}

void resume_root_move(GameState& g, int resume_ply, int resume_row) {
    resume_ply_loop(g, 2, resume_ply, resume_row);
    finish_root_move(g);
}

bool settle_root_move(GameState& g, SearchObserver& observer) {
    if (g.search_depth > 2 && g.last_legal_reply == 0) {
        const bool opponent_attacked = g.search_side == GameState::black_side
                                           ? g.white_king_attack[2] != 0
                                           : g.black_king_attack[2] != 0;
        if (!opponent_attacked) {
            // The move would stalemate the opponent.
            g.exclude_root = 1;
        } else {
            announce_mate(g, observer);
            return true;
        }
    }
    const int16_t score = g.move_list[g.root_row][score_column];
    if (g.exclude_root == 0 && score > g.best_score) {
        g.best_score = score;
        g.runner_up_row = g.chosen_index;
        g.chosen_index = g.root_row;
        g.alpha[1] = g.best_score;
    }
    return false;
}

bool search_root_moves(GameState& g, SearchObserver& observer) {
    const int n = g.move_count[1];
    for (int r = 1; r <= n; ++r) {
        if (stop_requested(g)) return false;
        open_root_move(g, r);
        if (root_move_searched(g)) {
            observer.root_move_searched();
            g.last_legal_root = g.root_row;
            search_root_move(g);
            if (g.search_stopped == 1) {
                // The replies were not all searched: this move has no score.
                restore_castle_state(g);
                return false;
            }
            // A mate ends the loop with the castling state as the move left it.
            if (settle_root_move(g, observer)) return true;
        }
        restore_castle_state(g);
    }
    return false;
}

namespace {

// The search from the root position on: the ruler, the ply-1 loop and the
// choice among the root moves.
void search_tree(GameState& g, SearchObserver& observer, int threads) {
    g.ply = 1;
    g.chosen_index = 0;
    g.runner_up_row = 0;
    g.last_legal_root = 0;
    g.best_score = -GameState::score_limit;
    for (int p = 1; p <= 10; ++p) {
        g.alpha[p] = -GameState::score_limit;
        g.beta[p] = GameState::score_limit;
        g.alpha_from_root[p] = 1;
    }
    generate_moves(g);

    // The ruler: one mark per root move of the side searched for, legal or not.
    const int n = g.move_count[1];
    int own_moves = 0;
    for (int r = 1; r <= n; ++r) {
        const int side_number = code_digit_1(g.move_list[r][flag_column]);
        if (GameState::side_sign[side_number] == g.search_side) ++own_moves;
    }
    observer.root_moves_listed(own_moves);

    threads = search_thread_count(threads);
    const bool mated = threads > 1 && root_threads_apply(g)
                           ? search_root_moves_threaded(g, threads, observer)
                           : search_root_moves(g, observer);
    if (mated) {
        // The mate was announced; the mating move is the answer.
        g.move_code = g.move_list[g.root_row][code_column];
        return;
    }
    if (g.search_stopped == 1) {
        g.move_code = 0;
        return;
    }
    if (g.game_over == 1 && !g.settings.search_finishes_after_game_over) {
        // The game had already ended before this search: nothing is chosen.
        g.move_code = 0;
        return;
    }

    observer.root_moves_done();
    if (g.last_legal_root == 0) {
        observer.no_legal_move(g.white_king_attack[1] != 0 || g.black_king_attack[1] != 0);
        g.game_over = 1;
        g.move_code = 0;
        return;
    }

    if (g.chosen_index == 0) g.chosen_index = g.last_legal_root;
    g.move_code = g.move_list[g.chosen_index][code_column];
    g.alternate_move = g.move_list[g.runner_up_row][code_column];
    // The gap is exact even where the difference of two scores leaves 16 bits.
    int gap =
        g.move_list[g.chosen_index][score_column] - g.move_list[g.runner_up_row][score_column];
    if (gap < 0) gap = -gap;
    g.score_gap = static_cast<int16_t>(gap > 32767 ? 32767 : gap);
    repetition_test(g, observer);
}

}  // namespace

void search(GameState& g, SearchObserver& observer, int threads) {
    g.alternate_move = 0;
    g.search_stopped = 0;
    save_castle_state(g);
    search_setup(g);

    g.move_code = 0;
    // Only a reply the book gives in this search may be handed over.
    drop_book_reply(g);
    if (g.use_book == 1 && g.move_number < 10) {
        book_lookup(g, observer);
        if (g.move_code != 0) return;
    }

    // The replies to the last ply's moves are only counted and searched for
    // captures: their other rows are written once, at the end.
    defer_rows_at(g, g.search_depth + 1);
    prepare_board_terms(g);
    keep_square_sets(g);
    search_tree(g, observer, threads);
    drop_square_sets(g);
    end_board_terms(g);
    write_deferred_rows(g);
}

void play_chosen_move(GameState& g) {
    g.ply = 1;
    g.move_index = g.chosen_index;
    if (g.book_reply_pending == 1) book_hand_over(g);
    make_move(g);
}

}  // namespace chess
