// The game-state record: every value the program keeps lives here, in parts
// grouped by owner (the position, the move lists, the search's frames, its
// speculation log, the evaluation's scratch, the session at the console).
// The record is created once by the program's entry point and lives until
// the program ends.
//
// All numbers of the game logic are signed 16-bit with wrap-around; arrays
// have exactly the index ranges their fields name (index 0 is kept even where
// it is never used).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <iosfwd>
#include <random>
#include <string>

namespace chess {

// The console: one input and one output stream held by the program, so a
// whole session can run inside a test process.
struct Console {
    std::istream* in = nullptr;
    std::ostream* out = nullptr;
    int column = 0;                  // output column of the current line, from 0
    bool input_is_terminal = false;  // a terminal echoes the user's Enter itself
    bool ended = false;              // input ended or the program was told to end

    bool operator==(const Console&) const = default;
};

// The points in which the two programs differ, fixed when each program is
// built (see apps/variant_settings.h). The defaults are the main program's.
struct ProgramSettings {
    const char* book_banner = "    USING OPENING BOOK MOVES";
    const char* game_over_prompt = "GAME OVER <hit return> ";
    bool quit_ends_like_game_over = false;         // QUIT/EXIT take the end-of-game path
    bool colour_commands_show_board = false;       // WHITE/BLACK redisplay the board
    bool swap_game_over_returns = false;           // SWAP that ends the game returns to the prompt
    bool search_finishes_after_game_over = false;  // search runs its end steps anyway

    bool operator==(const ProgramSettings&) const = default;
};

// Position recorded for BACK.
struct Snapshot {
    int16_t board[100] = {};  // cells 11..88 are used
    int16_t castle_moved[7] = {};
    int16_t castle_attacked[7] = {};
    int16_t white_king_moved = 0;
    int16_t black_king_moved = 0;
    int16_t computer_side = 0;
    int16_t move_number = 0;

    bool operator==(const Snapshot&) const = default;
};

inline constexpr int move_list_rows = 251;     // rows 0..250; row 0 never used
inline constexpr int move_list_columns = 31;   // columns 0..30; column 0 never used
inline constexpr int16_t max_list_rows = 250;  // a ply's list never grows past row 250
inline constexpr int ply_slots = 11;           // per-ply arrays, indexed 0..10

// Rows of one ply's list that a generation pass counted but left unwritten
// (see `GameState::lean_ply`): the rows first + 1 .. last hold what a full pass
// over this board and castling state would have written there. The last row
// is kept apart, in `GameState::deferred_last`.
struct DeferredRows {
    int16_t board[100] = {};
    int16_t castle_moved[7] = {};
    int16_t white_king_moved = 0;
    int16_t black_king_moved = 0;
    int16_t first = 0;
    uint32_t pass = 0;  // serial number of the pass that left them

    bool operator==(const DeferredRows&) const = default;
};
inline constexpr int deferred_capacity = 16;

// Bishops, kings and pawns of each colour as square sets (bit (X - 1) * 8 +
// (Y - 1) for cell X*10 + Y), White's first.
struct PieceSets {
    uint64_t bishops[2] = {};
    uint64_t kings[2] = {};
    uint64_t pawns[2] = {};

    bool operator==(const PieceSets&) const = default;
};

// What a search shares with the threads around it (the stop flag, a thread's
// progress, its log of copies): defined by the engine, which alone uses it.
struct SearchLinks;

// The position and the state of the rules on it, with what is kept in step
// with the board during a search.
struct Position {
    int16_t board[100] = {};
    int16_t castle_moved[7] = {};  // 1 white king, 2 rook H1, 3 rook A1, 4..6 black's
    int16_t white_king_moved = 0;
    int16_t black_king_moved = 0;
    int16_t castle_attacked[7] = {};  // 1/4 king attacked, 2,3,5,6 path squares attacked
    // Save area of the castling state used by the computer's search.
    int16_t saved_castle_moved[7] = {};
    int16_t saved_castle_attacked[7] = {};
    int16_t saved_white_king_moved = 0;
    int16_t saved_black_king_moved = 0;
    // King squares found by the last generation pass; they persist between passes.
    int16_t white_king_sq = 0;
    int16_t black_king_sq = 0;
    // While `square_sets_ready` is 1 (during a search, see keep_square_sets),
    // set_square keeps the squares of each piece code (index code + 6, bit
    // (X - 1) * 8 + (Y - 1) for cell X*10 + Y) in step with the board.
    int16_t square_sets_ready = 0;
    uint64_t square_sets[13] = {};
    // The material on the board (see refresh_material_and_depth).
    int16_t piece_total = 0;
    int16_t white_total = 0;
    int16_t black_total = 0;
    // The sum of `board_terms` over the board, kept in step by set_square.
    int board_terms_sum = 0;

    bool operator==(const Position&) const = default;
};

// The move lists of the plies, their counters and attack records, and the
// move in hand.
struct MoveLists {
    // A root move searched on a thread's own copy of the record starts with
    // the flag and score cells of plies 2..10 and `move_count`(2..10) set to
    // `unwritten`, a value no generation or search stores there, so the
    // cells it writes can be told from older ones.
    static constexpr int16_t unwritten = INT16_MIN;

    int16_t move_list[move_list_rows][move_list_columns] = {};
    int16_t move_count[ply_slots] = {};
    int16_t white_move_count[ply_slots] = {};
    int16_t black_move_count[ply_slots] = {};
    int16_t capture_count[ply_slots] = {};
    int16_t white_king_attack[ply_slots] = {};
    int16_t black_king_attack[ply_slots] = {};
    int16_t ply = 0;
    int16_t move_index = 0;
    int16_t move_word = 0;
    std::string move_text;
    int16_t last_move = 0;
    int16_t last_flags = 0;
    int16_t last_to_row = 0;
    int16_t in_check = 0;
    // The search's last ply + 1: its lists are read only for their counters,
    // capture rows and attack records, so passes there leave the other rows
    // unwritten and note what they would hold; reading such a row through
    // list_code() writes it first, and the search writes them all before it
    // returns. 0 while no search runs.
    int16_t lean_ply = 0;
    int16_t deferred_count = 0;
    uint32_t lean_passes = 0;  // passes made at `lean_ply`, the newest one's number
    // Piece sets left by the newest generation when it was a counting pass
    // (`pass_sets_ready` 1); the evaluation of that board uses them.
    PieceSets pass_sets;
    int16_t pass_sets_ready = 0;
    DeferredRows deferred[deferred_capacity];
    // Each note's last row, side by side, so that a pass finds the notes it
    // overtakes at one look. They descend from the oldest note to the newest.
    int16_t deferred_last[deferred_capacity] = {};

    bool operator==(const MoveLists&) const = default;
};

// The search's frames: its side and depth, the bounds and rows of each ply,
// the root's choice, and its work counters.
struct SearchFrames {
    int16_t search_side = 1;
    int16_t search_depth = 4;
    int16_t threat_divisor = 15;
    int16_t alpha[ply_slots] = {};
    int16_t beta[ply_slots] = {};
    int16_t cutoff[ply_slots] = {};
    int16_t current_row = 0;
    int16_t parent_row = 0;
    int16_t node_sign = 0;
    int16_t leaf_kind = 0;
    int16_t wrong_side = 0;
    int16_t root_total = 0;
    int16_t endgame = 0;
    int16_t late_endgame = 0;
    int16_t exchange_divisor = 6;
    int16_t ply_row[ply_slots] = {};  // row being tried at each ply: the path from the root
    int16_t root_row = 0;
    int16_t last_legal_root = 0;
    int16_t last_legal_reply = 0;
    int16_t best_score = 0;
    int16_t runner_up_row = 0;
    int16_t exclude_root = 0;
    int16_t score_gap = 0;
    int16_t chosen_index = 0;
    int16_t move_code = 0;
    int16_t alternate_move = 0;
    // Set when a stop request ended the search early: it left the board as
    // it found it and chose nothing.
    int16_t search_stopped = 0;

    // Work counters read by the benchmarks (calls of make_move and evaluate).
    // With several threads they count the searches whose results were used,
    // so they equal the one-thread counts; the work of searches thrown away
    // (a speculative root move searched again) is counted apart.
    uint64_t node_count = 0;
    uint64_t eval_count = 0;
    uint64_t discarded_node_count = 0;
    uint64_t discarded_eval_count = 0;

    // Set by the engine while a search runs that can be stopped or runs on
    // a thread's copy of the record; null otherwise.
    SearchLinks* links = nullptr;

    bool operator==(const SearchFrames&) const = default;
};

// The search's account of its own course, for a search made on a copy of
// the record ahead of its turn: what it read that may be older than its
// start, and the range of bounds its cut-off tests hold for. On one thread
// it is never consulted.
struct SpeculationLog {
    // The evaluation reads two things that may be older than the root move:
    // the move code of a row beyond the freshly generated list, and the
    // colour counts of ply `search_depth`. Such reads are logged here and
    // checked against the record of the one-thread order before the result
    // is used.
    static constexpr int older_read_slots = 16;
    int16_t older_read_count = 0;  // older_read_slots + 1: more than the log holds
    int16_t older_read_ply[older_read_slots] = {};
    int16_t older_read_row[older_read_slots] = {};
    int16_t older_read_code[older_read_slots] = {};
    int16_t older_counts_read = 0;
    int16_t older_white_count = 0;
    int16_t older_black_count = 0;
    // 1 while `alpha`(p) still holds the bound passed down from ply 1, which
    // a back-up at ply p replaces. The cut-off tests against that bound are
    // summed up as the highest value found at or below it and the lowest
    // found above it: a search started from another bound between the two
    // takes exactly the same course.
    int16_t alpha_from_root[ply_slots] = {};
    int16_t root_bound_low = INT16_MIN;
    int16_t root_bound_high = INT16_MAX;
    // The same for a reply searched ahead on its own record (see
    // engine/reply_help.h): 1 while `beta`(p) still holds the bound it
    // started from at ply 2; its cut-off tests against that bound hold for
    // every bound from `reply_bound_low` up to, not including,
    // `reply_bound_high`. `reply_root_test` is 1 when a test against the
    // bound from ply 1 took that bound as its value.
    int16_t beta_from_reply[ply_slots] = {};
    int reply_bound_low = INT32_MIN;
    int reply_bound_high = INT32_MAX;
    int16_t reply_root_test = 0;

    bool operator==(const SpeculationLog&) const = default;
};

// The evaluation's tables and scratch cells; the king coordinates persist
// between calls.
struct EvalScratch {
    int16_t pawn_table[100] = {};
    int16_t knight_table[100] = {};
    int16_t bishop_table[100] = {};
    int16_t rook_table[100] = {};
    int16_t queen_table[100] = {};
    int16_t king_table[100] = {};
    int16_t king_end_table[100] = {};
    int16_t pawn_end_table[100] = {};
    int16_t rook_end_table[100] = {};
    int16_t centre_distance[100] = {};
    int16_t board_copy[100] = {};
    int16_t eval_score = 0;
    int16_t threat_sum = 0;
    int16_t pawn_tally = 0;
    int16_t white_bishops = 0;
    int16_t black_bishops = 0;
    int16_t white_king_x = 0, white_king_y = 0;
    int16_t black_king_x = 0, black_king_y = 0;
    int16_t exchange_square = 0;
    int16_t exchange_sign = 0;
    // Material plus table value by piece code + 6 and cell, made for one
    // search (see prepare_board_terms); used while board_terms_ready is 1.
    int16_t board_terms_ready = 0;
    int16_t board_terms[13][100] = {};

    bool operator==(const EvalScratch&) const = default;
};

// The game at the console: the players, the turn, the depth settings, the
// choice history, the book, the transcript and the console itself.
struct GameSession {
    int16_t computer_side = 1;
    int16_t human_side = -1;
    std::string human_name;
    std::string computer_name;
    int16_t move_number = 1;
    int16_t game_over = 0;
    int16_t swap_count = 0;
    Snapshot snapshot;  // the position BACK returns to

    int16_t base_depth = 4;
    int16_t hold_depth = 0;          // the last search raised the depth for the next one
    int16_t choice_history[3] = {};  // [0] newest, [1] middle, [2] oldest
    // Threads for the ply-1 loop: 0 takes every hardware thread (the console
    // programs set it from CHESS_THREADS); 1 keeps the whole search on the
    // caller's thread.
    int16_t search_threads = 0;

    int16_t transcript_on = 0;
    int16_t transcript_pairs = 0;
    std::string file_name;
    int16_t use_book = 0;
    std::string human_move_text;
    std::string computer_move_text;
    std::string input_line;
    int16_t entry_status = 0;
    std::string position_key;
    std::string book_moves[16];
    // A book reply waiting to be played: set by the lookup, carried out by the
    // caller that plays the reply (the rook of a castling text moves with it).
    int16_t book_reply_pending = 0;
    int16_t book_reply_castles = 0;

    Console console;
    std::FILE* transcript_file = nullptr;
    std::mt19937 random_generator{0u};
    // Tests fix the book's draws by setting this to a seed (>= 0); -1 seeds
    // from the clock at start-up.
    int64_t fixed_random_seed = -1;
    ProgramSettings settings;

    bool operator==(const GameSession&) const = default;
};

// The whole record of a game, made of the parts above, each with its own
// owner: operations take the record or the part they use, and a copy of the
// record for another thread is a copy of its parts.
struct GameState : Position, MoveLists, SearchFrames, SpeculationLog, EvalScratch, GameSession {
    static constexpr int16_t border_value = 7;
    static constexpr int16_t ep_marker = 9;
    static constexpr int16_t white_side = -1;
    static constexpr int16_t black_side = 1;
    static constexpr int16_t score_limit = 25000;
    static constexpr int16_t depth_step1_total = 45;
    static constexpr int16_t depth_step2_total = 22;
    static constexpr const char* piece_letters = "KQRBNP.pnbrqk";  // by code + 7 (book key)
    static constexpr const char* board_letters = "KQRBNP.onbrqk";  // by code + 7 (display)
    static constexpr int16_t piece_value[15] = {0,   -1800, -900, -500, -330, -320, -100, 0,
                                                100, 320,   330,  500,  900,  1800, 0};
    static constexpr int16_t side_sign[3] = {0, -1, 1};  // by side number 1 White, 2 Black
    static constexpr int16_t home_y[3] = {0, 8, 1};      // back-rank row by side number
    static constexpr int16_t ep_flag_word[4] = {0, 1114, 0, 2114};  // by colour + 2
    static constexpr int16_t ply_base[11] = {0, 0, 3, 6, 9, 12, 15, 18, 21, 24, 27};
    // The two exchange divisors the search chooses between.
    static constexpr int16_t exchange_divisor_normal = 6;
    static constexpr int16_t exchange_divisor_thin = 5;
};

}  // namespace chess
