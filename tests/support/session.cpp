#include "support/session.h"

#include <unistd.h>

#include <fstream>
#include <random>
#include <sstream>

#include "apps/variant_settings.h"
#include "console/game_loop.h"
#include "console/start_up.h"
#include "io/transcript.h"
#include "model/notation.h"
#include "model/start_position.h"

namespace chess::testing {

SessionResult run_session(const std::string& input, bool variant,
                          const std::function<void(GameState&)>& after_start_up, int64_t seed) {
    SessionResult result;
    result.game = std::make_unique<GameState>();
    GameState& g = *result.game;
    std::istringstream in(input);
    std::ostringstream out;
    g.console.in = &in;
    g.console.out = &out;
    g.console.input_is_terminal = false;
    g.settings = variant ? variant_program_settings : main_program_settings;
    g.fixed_random_seed = seed;
    start_up(g);
    if (!g.console.ended) {
        if (after_start_up) after_start_up(g);
        run_game_loop(g);
    }
    transcript_close(g);
    result.status = 0;
    result.output = out.str();
    g.console.in = nullptr;
    g.console.out = nullptr;
    return result;
}

std::unique_ptr<GameState> fresh_game() {
    auto g = std::make_unique<GameState>();
    load_start_position(*g);
    return g;
}

bool set_placement(GameState& g, const std::string& placement) {
    return chess::set_placement(g, placement);
}

std::string number_text(int value) {
    std::string s(1, value < 0 ? '-' : ' ');
    s += std::to_string(value < 0 ? -value : value);
    s += ' ';
    return s;
}

std::string board_text(const std::array<std::string, 8>& ranks, int move, int total, int white,
                       int black, int depth) {
    std::string s =
        "\r\n"
        "    A B C D E F G H     COMMANDS= DEPTH SWAP  LOAD  EDIT  SUGGEST\r\n"
        "   =================        XMOVE BACK  WHITE BLACK CLEAR SAVE QUIT\r\n";
    for (int i = 0; i < 8; ++i) {
        s += number_text(8 - i);
        for (char c : ranks[static_cast<size_t>(i)]) {
            s += ' ';
            s += c;
        }
        s += ' ';
        s += number_text(8 - i);
        s += "\r\n";
    }
    s += "   =================       MOVE  BOARD  WHITE  BLACK   DEPTH\r\n";
    s += "    A B C D E F G H         ";
    for (int figure : {move, total, white, black}) {
        s += number_text(figure);
        s += "   ";
    }
    s += number_text(depth);
    s += "\r\n\r\n\r\n";
    return s;
}

std::string read_file(const std::filesystem::path& path) {
    std::ifstream f(path, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

void write_file(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f << bytes;
}

ScratchFolder::ScratchFolder() : previous_(std::filesystem::current_path()) {
    static std::mt19937_64 names{std::random_device{}()};
    path_ = std::filesystem::temp_directory_path() /
            ("chess_test_" + std::to_string(::getpid()) + "_" + std::to_string(names()));
    std::filesystem::create_directories(path_);
    std::filesystem::current_path(path_);
}

ScratchFolder::~ScratchFolder() {
    std::error_code ec;
    std::filesystem::current_path(previous_, ec);
    std::filesystem::remove_all(path_, ec);
}

}  // namespace chess::testing
