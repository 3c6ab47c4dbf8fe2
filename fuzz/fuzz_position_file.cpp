// Fuzz target for LOAD: the bytes are a position file. LOAD must be all or
// nothing: either the game is exactly as before and "---FILE NOT LOADED---"
// is printed, or the whole position was taken, it is sound (piece codes on the
// 64 squares, 7 or more on every border cell, colours -1 or +1) and it is the
// position a reference reading of the file gives. A loaded position must also
// survive SAVE and LOAD unchanged, and a shallow search over it must leave the
// board (but for the en passant markers) and the castling state as they were.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>

#include "commands/position_file.h"
#include "commands/search_report.h"
#include "fuzz_support.h"
#include "io/console_io.h"
#include "model/board.h"
#include "model/game_state.h"
#include "model/start_position.h"
#include "movegen/generate.h"

namespace {

using chess::GameState;

constexpr const char* loaded_name = "POSITION.TXT";
constexpr const char* saved_name = "SAVED.TXT";
constexpr const char* resaved_name = "RESAVED.TXT";
constexpr const char* not_loaded = "     ---FILE NOT LOADED---\r\n";

void write_bytes(const char* name, const std::string& bytes) {
    std::FILE* f = std::fopen(name, "wb");
    FUZZ_CHECK(f != nullptr);
    FUZZ_CHECK(std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size());
    FUZZ_CHECK(std::fclose(f) == 0);
}

std::string read_bytes(const char* name) {
    std::string bytes;
    std::FILE* f = std::fopen(name, "rb");
    if (f == nullptr) return bytes;
    char buffer[4096];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.append(buffer, n);
    std::fclose(f);
    return bytes;
}

// What a position file holds, as the reference reading finds it.
struct Position {
    int16_t board[100] = {};
    int16_t move_number = 0;
    int16_t search_side = 0;
    int16_t computer_side = 0;
    int16_t human_side = 0;
    std::string human_name;
    std::string computer_name;
};

enum class Verdict { rejected, accepted, empty_name };

bool is_blank(char c) { return c == ' ' || c == '\t'; }
bool is_line_end(char c) { return c == '\r' || c == '\n'; }

// A reference reading of the file, written from the format: 104 number
// fields (blanks and line ends in front skipped; a field ends at a blank, a
// comma or a line end and must be an optional sign and decimal digits within
// -32768..32767), the rest of the line of the last one, then two name lines
// (blanks in front skipped, ended by a comma or the line end). The position
// is then sound or rejected. A name line that is present but empty is
// reported apart: whether it counts as a missing field is the loader's choice.
class ReferenceReader {
  public:
    explicit ReferenceReader(const std::string& bytes) : s_(bytes) {}

    Verdict read(Position& p) {
        for (int i = 0; i < 100; ++i) {
            if (!number(p.board[i])) return Verdict::rejected;
        }
        if (!number(p.move_number) || !number(p.search_side) || !number(p.computer_side) ||
            !number(p.human_side)) {
            return Verdict::rejected;
        }
        if (!skip_line()) return Verdict::rejected;
        const bool got_human = name(p.human_name);
        const bool got_computer = got_human && name(p.computer_name);
        if (!got_human || !got_computer) return Verdict::rejected;
        if (!sound(p)) return Verdict::rejected;
        if (p.human_name.empty() || p.computer_name.empty()) return Verdict::empty_name;
        return Verdict::accepted;
    }

  private:
    bool number(int16_t& value) {
        while (at_ < s_.size() && (is_blank(s_[at_]) || is_line_end(s_[at_]))) ++at_;
        if (at_ >= s_.size()) return false;
        size_t end = at_;
        while (end < s_.size() && !is_blank(s_[end]) && !is_line_end(s_[end]) && s_[end] != ',') {
            ++end;
        }
        std::string text = s_.substr(at_, end - at_);
        // A blank or comma ends the field and is used up; a line end stays.
        at_ = end < s_.size() && !is_line_end(s_[end]) ? end + 1 : end;
        bool negative = false;
        if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
            negative = text[0] == '-';
            text.erase(0, 1);
        }
        if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) {
            return false;
        }
        const size_t first_significant = text.find_first_not_of('0');
        text = first_significant == std::string::npos ? "0" : text.substr(first_significant);
        if (text.size() > 5) return false;
        const long v = negative ? -std::stol(text) : std::stol(text);
        if (v < -32768 || v > 32767) return false;
        value = static_cast<int16_t>(v);
        return true;
    }

    // Past the next line end (CR LF, LF or CR); false at the end of the file.
    bool skip_line() {
        while (at_ < s_.size() && !is_line_end(s_[at_])) ++at_;
        if (at_ >= s_.size()) return false;
        if (s_[at_] == '\r' && at_ + 1 < s_.size() && s_[at_ + 1] == '\n') ++at_;
        ++at_;
        return true;
    }

    // False when the file has already ended (the line is missing).
    bool name(std::string& text) {
        if (at_ >= s_.size()) return false;
        while (at_ < s_.size() && is_blank(s_[at_])) ++at_;
        while (at_ < s_.size() && s_[at_] != ',' && !is_line_end(s_[at_]))
            text.push_back(s_[at_++]);
        if (at_ < s_.size()) skip_line();
        return true;
    }

    static bool sound(const Position& p) {
        for (int i = 0; i < 100; ++i) {
            const int v = p.board[i];
            if (chess::is_playing_square(i) ? (v < -6 || v > 6) : v < 7) return false;
        }
        for (const int side : {p.search_side, p.computer_side, p.human_side}) {
            if (side != -1 && side != 1) return false;
        }
        return true;
    }

    const std::string& s_;
    size_t at_ = 0;
};

// The file SAVE writes for a game: one number a line in the console format,
// the three colours in 14-column zones, the two names, CR LF line ends.
std::string reference_save(const GameState& g) {
    std::string text;
    for (int i = 0; i < 100; ++i) text += chess::format_number(g.board[i]) + "\r\n";
    text += chess::format_number(g.move_number) + "\r\n";
    std::string sides = chess::format_number(g.search_side);
    sides.resize(14, ' ');
    sides += chess::format_number(g.computer_side);
    sides.resize(28, ' ');
    sides += chess::format_number(g.human_side);
    text += sides + "\r\n" + g.human_name + "\r\n" + g.computer_name + "\r\n";
    return text;
}

// What LOAD may change, and what it must leave alone either way.
struct Observed {
    int16_t board[100];
    int16_t move_number, search_side, computer_side, human_side, game_over;
    std::string human_name, computer_name;
    int16_t castle_moved[7];
    int16_t white_king_moved, black_king_moved, base_depth, use_book;
    int16_t snapshot_board[100];

    explicit Observed(const GameState& g)
        : move_number(g.move_number),
          search_side(g.search_side),
          computer_side(g.computer_side),
          human_side(g.human_side),
          game_over(g.game_over),
          human_name(g.human_name),
          computer_name(g.computer_name),
          white_king_moved(g.white_king_moved),
          black_king_moved(g.black_king_moved),
          base_depth(g.base_depth),
          use_book(g.use_book) {
        std::copy(std::begin(g.board), std::end(g.board), board);
        std::copy(std::begin(g.castle_moved), std::end(g.castle_moved), castle_moved);
        std::copy(std::begin(g.snapshot.board), std::end(g.snapshot.board), snapshot_board);
    }

    bool same_position(const Observed& o) const {
        return std::equal(std::begin(board), std::end(board), o.board) &&
               move_number == o.move_number && search_side == o.search_side &&
               computer_side == o.computer_side && human_side == o.human_side &&
               human_name == o.human_name && computer_name == o.computer_name;
    }
    bool same_kept_fields(const Observed& o) const {
        return std::equal(std::begin(castle_moved), std::end(castle_moved), o.castle_moved) &&
               white_king_moved == o.white_king_moved && black_king_moved == o.black_king_moved &&
               base_depth == o.base_depth && use_book == o.use_book &&
               std::equal(std::begin(snapshot_board), std::end(snapshot_board), o.snapshot_board);
    }
};

// A game at its first prompt with the user playing White, as the main loop
// leaves it, except that the game has ended and castling state is marked, so
// that LOAD's effect on them shows.
std::unique_ptr<GameState> game_before_load() {
    auto g = std::make_unique<GameState>();
    chess::load_start_position(*g);
    g->human_name = "WHITE";
    g->computer_name = "BLACK";
    g->move_number = 23;
    g->game_over = 1;
    g->castle_moved[2] = 1;
    g->black_king_moved = 1;
    g->snapshot.board[55] = 3;
    g->ply = 1;
    chess::generate_moves(*g);
    return g;
}

// Runs a command that asks "FILE: " with `name` as the reply; returns what it printed.
std::string run_file_command(GameState& g, void (*command)(GameState&), const char* name) {
    std::istringstream in(std::string(name) + "\n");
    std::ostringstream out;
    g.console = chess::Console{};
    g.console.in = &in;
    g.console.out = &out;
    command(g);
    FUZZ_CHECK(!g.console.ended);
    g.console.in = nullptr;
    g.console.out = nullptr;
    return out.str();
}

void check_sound(const GameState& g) {
    for (int i = 0; i < 100; ++i) {
        if (chess::is_playing_square(i)) {
            FUZZ_CHECK(g.board[i] >= -6 && g.board[i] <= 6);
        } else {
            FUZZ_CHECK(g.board[i] >= 7);
        }
    }
    for (const int side : {g.search_side, g.computer_side, g.human_side}) {
        FUZZ_CHECK(side == -1 || side == 1);
    }
    for (int p = 0; p < chess::ply_slots; ++p) FUZZ_CHECK(g.move_count[p] <= chess::max_list_rows);
}

// Border cells 1 and 9, where every move generation writes king-capture
// move codes (or 7).
bool is_scratch_cell(int i) { return i == 1 || i == 9; }

// The sixteen border cells that hold en passant markers: row 0 and row 9 of
// files A..H.
bool is_marker_cell(int i) {
    const int x = i / 10;
    const int y = i % 10;
    return x >= 1 && x <= 8 && (y == 0 || y == 9);
}

// The computer's move choice at depth 2 over the loaded position, as the
// first turn after LOAD would run it: it must put the board back, but for
// the en passant markers, which every move made clears.
void check_search_restores(GameState& g) {
    Observed before(g);
    int16_t castle_attacked[7];
    std::copy(std::begin(g.castle_attacked), std::end(g.castle_attacked), castle_attacked);
    std::ostringstream out;
    g.console = chess::Console{};
    g.console.out = &out;
    g.search_side = g.computer_side;
    g.search_depth = 2;
    chess::search_at_console(g);
    g.console.out = nullptr;
    for (int i = 0; i < 100; ++i) {
        if (is_marker_cell(i)) {
            // Every move made clears the en passant markers and taking it back
            // does not restore them: a marker cell keeps its value or holds 7.
            FUZZ_CHECK(g.board[i] == before.board[i] || g.board[i] == GameState::border_value);
        } else if (is_scratch_cell(i)) {
            FUZZ_CHECK(g.board[i] >= GameState::border_value);
        } else {
            FUZZ_CHECK(g.board[i] == before.board[i]);
        }
    }
    FUZZ_CHECK(
        std::equal(std::begin(castle_attacked), std::end(castle_attacked), g.castle_attacked));
    FUZZ_CHECK(before.same_kept_fields(Observed(g)));
    FUZZ_CHECK(g.move_code == 0 || chess::is_playing_square(chess::move_from(g.move_code)));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 8192) return 0;  // a position file is about 600 bytes
    chess_fuzz::enter_scratch_folder();
    chess_fuzz::clear_scratch_folder();
    const std::string bytes =
        size == 0 ? std::string() : std::string(reinterpret_cast<const char*>(data), size);
    write_bytes(loaded_name, bytes);

    Position expected;
    const Verdict verdict = ReferenceReader(bytes).read(expected);

    auto g = game_before_load();
    const Observed before(*g);
    const std::string printed = run_file_command(*g, chess::load_position, loaded_name);
    const Observed after(*g);
    FUZZ_CHECK(before.same_kept_fields(after));

    if (printed != "FILE: \r\n") {
        // Refused: not a thing changed.
        FUZZ_CHECK(printed == std::string("FILE: \r\n") + not_loaded);
        FUZZ_CHECK(verdict != Verdict::accepted);
        FUZZ_CHECK(before.same_position(after));
        FUZZ_CHECK(after.game_over == 1);
        return 0;
    }

    // Loaded: the whole position, sound, as the reference reads it.
    FUZZ_CHECK(verdict != Verdict::rejected);
    FUZZ_CHECK(g->game_over == 0);
    check_sound(*g);
    for (int i = 0; i < 100; ++i) {
        // The move generation that ends LOAD writes the scratch cells.
        if (!is_scratch_cell(i)) FUZZ_CHECK(g->board[i] == expected.board[i]);
    }
    FUZZ_CHECK(g->move_number == expected.move_number);
    FUZZ_CHECK(g->search_side == expected.search_side);
    FUZZ_CHECK(g->computer_side == expected.computer_side);
    FUZZ_CHECK(g->human_side == expected.human_side);
    if (g->computer_side == -1) {
        FUZZ_CHECK(g->human_name == "BLACK" && g->computer_name == "WHITE");
    } else {
        FUZZ_CHECK(g->human_name == expected.human_name);
        FUZZ_CHECK(g->computer_name == expected.computer_name);
    }

    // SAVE writes the reference text; loading it gives the same position, and
    // saving that again gives the same bytes.
    FUZZ_CHECK(run_file_command(*g, chess::save_position, saved_name) == "FILE: \r\n");
    const std::string saved = read_bytes(saved_name);
    FUZZ_CHECK(saved == reference_save(*g));
    auto again = game_before_load();
    FUZZ_CHECK(run_file_command(*again, chess::load_position, saved_name) == "FILE: \r\n");
    FUZZ_CHECK(Observed(*g).same_position(Observed(*again)));
    FUZZ_CHECK(run_file_command(*again, chess::save_position, resaved_name) == "FILE: \r\n");
    FUZZ_CHECK(read_bytes(resaved_name) == saved);

    check_search_restores(*g);
    return 0;
}
