// Small helpers shared by the command tests: a record wired to string
// streams, book records and placements.
#pragma once

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "model/game_state.h"
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

}  // namespace chess::command_tests
