// Fuzz target for whole program sessions: the first byte picks the program
// (even: chess_main, odd: chess_variant), the rest is the console input
// (start-up answers, moves and commands). The work of one input is bounded:
// at most 2 KB and 60 lines of input, the base depth set to 2 after start-up
// and held at 3 or less (the search depth at 5 or less) before every line the
// program reads. After the session the position must still be sound, every
// move list within its 250 rows, and every printed line ended by CR LF.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <ostream>
#include <sstream>
#include <streambuf>
#include <string>
#include <utility>

#include "apps/variant_settings.h"
#include "console/game_loop.h"
#include "console/start_up.h"
#include "fuzz_support.h"
#include "io/transcript.h"
#include "model/board.h"
#include "model/game_state.h"

namespace {

using chess::GameState;

constexpr size_t max_input_bytes = 2048;
constexpr int max_input_lines = 60;
constexpr int16_t max_base_depth = 3;
constexpr int16_t max_search_depth = 5;

// Serves the input one line at a time and ends it after `max_input_lines`.
// Before handing out each line it holds the game's depths down, so that a
// DEPTH command or a depth raise cannot make one input take seconds.
class BoundedInput : public std::streambuf {
  public:
    BoundedInput(std::string text, GameState& g) : text_(std::move(text)), g_(g) {}

  protected:
    int_type underflow() override {
        if (gptr() != nullptr && gptr() < egptr()) return traits_type::to_int_type(*gptr());
        if (next_ >= text_.size() || lines_ == max_input_lines) return traits_type::eof();
        if (g_.base_depth > max_base_depth) g_.base_depth = max_base_depth;
        if (g_.search_depth > max_search_depth) g_.search_depth = max_search_depth;
        const size_t lf = text_.find('\n', next_);
        const size_t end = lf == std::string::npos ? text_.size() : lf + 1;
        char* base = text_.data();
        setg(base + next_, base + next_, base + end);
        next_ = end;
        ++lines_;
        return traits_type::to_int_type(*gptr());
    }

  private:
    std::string text_;
    GameState& g_;
    size_t next_ = 0;
    int lines_ = 0;
};

void check_after_session(const GameState& g, const std::string& output) {
    FUZZ_CHECK(g.console.ended);
    for (int i = 0; i < 100; ++i) {
        if (chess::is_playing_square(i)) {
            FUZZ_CHECK(g.board[i] >= -6 && g.board[i] <= 6);
        } else {
            FUZZ_CHECK(g.board[i] >= 7);
        }
    }
    for (int p = 0; p < chess::ply_slots; ++p) {
        FUZZ_CHECK(g.move_count[p] >= 0 && g.move_count[p] <= chess::max_list_rows);
    }
    for (const int side : {g.search_side, g.computer_side, g.human_side}) {
        FUZZ_CHECK(side == -1 || side == 1);
    }
    FUZZ_CHECK(g.transcript_file == nullptr);
    // Every line the program prints ends with CR LF.
    for (size_t at = output.find('\n'); at != std::string::npos; at = output.find('\n', at + 1)) {
        FUZZ_CHECK(at > 0 && output[at - 1] == '\r');
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    chess_fuzz::enter_scratch_folder();
    chess_fuzz::clear_scratch_folder();
    const bool variant = (data[0] & 1) != 0;
    std::string input(reinterpret_cast<const char*>(data) + 1, std::min(size - 1, max_input_bytes));
    // File names typed in the session (transcript, SAVE, LOAD) stay inside the
    // scratch folder: no path separators.
    for (char& c : input) {
        if (c == '/') c = '_';
    }

    auto g = std::make_unique<GameState>();
    BoundedInput buffer(std::move(input), *g);
    std::istream in(&buffer);
    std::ostringstream out;
    g->console.in = &in;
    g->console.out = &out;
    g->console.input_is_terminal = false;
    g->settings = variant ? chess::variant_program_settings : chess::main_program_settings;
    g->fixed_random_seed = 1;  // the book's draws repeat from run to run
    chess::start_up(*g);
    if (!g->console.ended) {
        g->base_depth = 2;
        g->search_depth = 2;
        chess::run_game_loop(*g);
    }
    chess::transcript_close(*g);
    check_after_session(*g, out.str());
    chess_fuzz::clear_scratch_folder();
    return 0;
}
