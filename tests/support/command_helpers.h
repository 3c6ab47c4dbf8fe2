// Small helpers shared by the command tests: a record wired to string
// streams, book records and placements.
#pragma once

#include <array>
#include <cstring>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "model/board.h"
#include "model/game_state.h"
#include "movegen/generate.h"
#include "support/session.h"

namespace chess::command_tests {

// Console streams for a record used outside a whole session.
struct Io {
    std::istringstream in;
    std::ostringstream out;
};

// Points the record's console at `io`, with `input` as the replies (piped,
// so the program prints CR LF after each reply).
inline void attach(GameState& g, Io& io, const std::string& input) {
    io.in.str(input);
    io.in.clear();
    io.out.str("");
    g.console = Console{};
    g.console.in = &io.in;
    g.console.out = &io.out;
    g.console.input_is_terminal = false;
}

inline std::string empty_ranks(int n) { return std::string(static_cast<size_t>(8 * n), '.'); }

// The placement of the initial position, and after White's E2E4.
inline const std::string initial_key =
    "rnbqkbnr"
    "pppppppp" +
    empty_ranks(4) +
    "PPPPPPPP"
    "RNBQKBNR";
inline const std::string after_e2e4_key =
    "rnbqkbnr"
    "pppppppp" +
    empty_ranks(2) + "....P..." + empty_ranks(1) +
    "PPPP.PPP"
    "RNBQKBNR";

// One book record line with CR LF.
inline std::string record(const std::string& key, const std::string& move) {
    return key + "," + move + "\r\n";
}

// Splits a text on CR LF; a last piece without a line end is kept as a line.
inline std::vector<std::string> crlf_lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

inline bool has_line(const std::string& output, const std::string& line) {
    for (const std::string& l : crlf_lines(output)) {
        if (l == line) return true;
    }
    return false;
}

inline int count_of(const std::string& text, const std::string& part) {
    int n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

// Cells of a square named like "E2".
inline int cell(const char* square) { return (square[0] - 'A' + 1) * 10 + ('9' - square[1]); }

// A game as at the first prompt, user playing White, its console on `io`.
inline std::unique_ptr<GameState> game_at_prompt(Io& io, const std::string& input) {
    auto g = testing::fresh_game();
    g->human_name = "WHITE";
    g->computer_name = "BLACK";
    g->ply = 1;
    generate_moves(*g);
    attach(*g, io, input);
    return g;
}

// A fresh game after White's E2E4, Black to move, console on `io`.
inline std::unique_ptr<GameState> black_to_move(Io& io) {
    auto g = testing::fresh_game();
    g->board[cell("E2")] = 0;
    g->board[cell("E4")] = -pawn;
    g->search_side = GameState::black_side;
    attach(*g, io, "");
    return g;
}

// Everything SAVE and a refused LOAD must leave as it was.
struct Observed {
    std::array<int16_t, 100> board{};
    std::array<int16_t, 7> castle_moved{};
    int16_t white_king_moved = 0, black_king_moved = 0;
    int16_t move_number = 0, search_side = 0, computer_side = 0, human_side = 0;
    int16_t game_over = 0, moves = 0;
    std::vector<int16_t> ply_1_codes;
    std::string human_name, computer_name;
    bool operator==(const Observed&) const = default;
};

inline Observed observe(const GameState& g) {
    Observed o;
    std::memcpy(o.board.data(), g.board, sizeof g.board);
    std::memcpy(o.castle_moved.data(), g.castle_moved, sizeof g.castle_moved);
    o.white_king_moved = g.white_king_moved;
    o.black_king_moved = g.black_king_moved;
    o.move_number = g.move_number;
    o.search_side = g.search_side;
    o.computer_side = g.computer_side;
    o.human_side = g.human_side;
    o.game_over = g.game_over;
    o.moves = g.move_count[1];
    for (int r = 1; r <= g.move_count[1]; ++r) o.ply_1_codes.push_back(g.move_list[r][1]);
    o.human_name = g.human_name;
    o.computer_name = g.computer_name;
    return o;
}

}  // namespace chess::command_tests
