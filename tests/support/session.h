// Helpers for tests that run whole console sessions in-process and work with
// files in a scratch folder.
#pragma once

#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "model/game_state.h"

namespace chess::testing {

struct SessionResult {
    std::string output;               // everything printed, byte for byte
    int status = -1;                  // the program's exit status
    std::unique_ptr<GameState> game;  // the record as the session left it
};

// Runs the program on `input` (the replies, one a line) as if piped in. When
// `after_start_up` is given it runs between start-up and the game loop, so a
// test can preset fields such as `base_depth`. `seed` >= 0 fixes the book's
// random draws.
SessionResult run_session(const std::string& input, bool variant = false,
                          const std::function<void(GameState&)>& after_start_up = {},
                          int64_t seed = -1);

// A fresh record with the initial position and tables loaded, console output
// going to `out` (or discarded) and no input.
std::unique_ptr<GameState> fresh_game();

// Clears the 64 squares and puts pieces from a 64-character placement in the
// opening-book key order (rank 8 first, files A..H, letters "KQRBNP.pnbrqk").
// Returns false for a malformed placement.
bool set_placement(GameState& g, const std::string& placement);

// A number as the console prints it: "-" or a blank, the digits, a blank.
std::string number_text(int value);

// The board display as it must read: `ranks` lists rank 8 first, each as the
// eight letters shown; then the footer's figures.
std::string board_text(const std::array<std::string, 8>& ranks, int move, int total, int white,
                       int black, int depth);

// Reads a whole file; empty when it cannot be read.
std::string read_file(const std::filesystem::path& path);
void write_file(const std::filesystem::path& path, const std::string& bytes);

// Makes a fresh scratch folder the working folder for the lifetime of the
// object, and goes back (removing the folder) afterwards.
class ScratchFolder {
  public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path previous_;
    std::filesystem::path path_;
};

}  // namespace chess::testing
