// Fuzz target for the UCI dialogue: the input is a list of command lines
// (position with FEN and moves, go with its arguments, setoption, anything
// else) given to the session over streams, as chess_uci reads them.
//
// The work of one input is bounded: at most 4 KB and 64 lines, and every
// "go" line gets "depth 2" added at its end, which overrides any depth it
// asks for, so each search ends after depth 2 whatever clock it is given
// ("go infinite" waits for the next command or the end of input, which stops
// it).
//
// After the session: it ended with status 0; every "go" was answered by
// exactly one bestmove, a move in long algebraic form or 0000; every
// isready by a readyok, every uci by a uciok; no other line than those, the
// identification and option lines and "info" lines was written.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "uci/position_setup.h"
#include "uci/session.h"

namespace {

constexpr size_t max_input_bytes = 4096;
constexpr int max_input_lines = 64;

bool is_move_text(std::string_view move) {
    if (move == "0000") return true;
    if (move.size() != 4 && move.size() != 5) return false;
    for (size_t i = 0; i < 4; ++i) {
        const char low = i % 2 == 0 ? 'a' : '1';
        if (move[i] < low || move[i] > low + 7) return false;
    }
    return move.size() == 4 || move[4] == 'q';
}

bool starts_with(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    chess_fuzz::enter_scratch_folder();  // no book files: OwnBook finds none
    chess_fuzz::clear_scratch_folder();
    const std::string text(reinterpret_cast<const char*>(data), std::min(size, max_input_bytes));

    std::string input;
    int go_count = 0, ready_count = 0, uci_count = 0;
    std::istringstream lines(text);
    std::string line;
    for (int n = 0; n < max_input_lines && std::getline(lines, line); ++n) {
        // The command as the session reads it: one CR at the line's end is
        // dropped. The line itself is passed on as it is.
        std::string_view read = line;
        if (!read.empty() && read.back() == '\r') read.remove_suffix(1);
        const std::vector<std::string_view> words = chess::uci::split_words(read);
        const std::string_view command = words.empty() ? std::string_view() : words[0];
        if (command == "quit") break;  // the rest would not be read
        if (command == "go") {
            line = std::string(read) + " depth 2";
            ++go_count;
        }
        if (command == "isready") ++ready_count;
        if (command == "uci") ++uci_count;
        input += line;
        input += '\n';
    }

    std::istringstream in(input);
    std::ostringstream out;
    FUZZ_CHECK(chess::uci::run_session(in, out) == 0);

    int answers = 0, readies = 0, ucioks = 0;
    std::istringstream answer_lines(out.str());
    while (std::getline(answer_lines, line)) {
        if (starts_with(line, "bestmove ")) {
            FUZZ_CHECK(is_move_text(std::string_view(line).substr(9)));
            ++answers;
        } else if (line == "readyok") {
            ++readies;
        } else if (line == "uciok") {
            ++ucioks;
        } else {
            FUZZ_CHECK(starts_with(line, "info ") || starts_with(line, "id name ") ||
                       starts_with(line, "id author ") || starts_with(line, "option name "));
        }
    }
    FUZZ_CHECK(answers == go_count);
    FUZZ_CHECK(readies == ready_count);
    FUZZ_CHECK(ucioks == uci_count);
    return 0;
}
