#include "model/start_position.h"

#include "model/start_data.h"

namespace chess {

namespace {

// Reads the next table of 64 start-up numbers into cells X*10 + Y, row Y in
// the outer loop and file X in the inner loop.
void read_table(int16_t (&dest)[100], int& next) {
    for (int y = 1; y <= 8; ++y) {
        for (int x = 1; x <= 8; ++x) dest[x * 10 + y] = start_data[next++];
    }
}

}  // namespace

void load_start_position(GameState& g) {
    // Every field back to its initial value; the console, the settings and
    // the random generator belong to the program around the record.
    Console console = g.console;
    ProgramSettings settings = g.settings;
    std::FILE* transcript = g.transcript_file;
    std::mt19937 generator = g.random_generator;
    const int64_t fixed_seed = g.fixed_random_seed;
    g = GameState{};
    g.console = console;
    g.settings = settings;
    g.transcript_file = transcript;
    g.random_generator = generator;
    g.fixed_random_seed = fixed_seed;

    int next = 0;
    read_table(g.board, next);
    for (int i = 0; i <= 9; ++i) {
        g.board[i] = GameState::border_value;
        g.board[i + 90] = GameState::border_value;
        g.board[i * 10] = GameState::border_value;
        g.board[i * 10 + 9] = GameState::border_value;
    }
    read_table(g.pawn_table, next);
    read_table(g.knight_table, next);
    read_table(g.bishop_table, next);
    read_table(g.rook_table, next);
    read_table(g.queen_table, next);
    read_table(g.king_table, next);
    read_table(g.king_end_table, next);
    read_table(g.pawn_end_table, next);
    read_table(g.rook_end_table, next);
    read_table(g.centre_distance, next);
}

}  // namespace chess
