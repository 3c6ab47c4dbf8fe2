// Fuzz target for the opening book: the bytes are written as both book files
// and looked up for both colours from the initial position and from the
// position after E2E4. The candidates must be those a reference reading of
// the file gives (at most 15, each naming two squares with a piece of the side
// to move on the first and none of its pieces on the second), the console
// output must list exactly them, the reply must be one of them, and the board
// must be untouched. The hand-over of the reply is checked as well.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "commands/search_report.h"
#include "engine/book.h"
#include "fuzz_support.h"
#include "io/console_io.h"
#include "model/board.h"
#include "model/game_state.h"
#include "model/notation.h"
#include "model/start_position.h"

namespace {

using chess::GameState;

void write_bytes(const char* name, const std::string& bytes) {
    std::FILE* f = std::fopen(name, "wb");
    FUZZ_CHECK(f != nullptr);
    FUZZ_CHECK(std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size());
    FUZZ_CHECK(std::fclose(f) == 0);
}

bool is_line_end(char c) { return c == '\r' || c == '\n'; }

// A reference reading of a book held in memory. A field: blanks and tabs in
// front skipped (and line ends, in front of a key); ended by a comma or a
// line end (CR LF, LF or CR); a field opened by a double quote runs to the
// closing quote or the line end, and what follows the quote is dropped up to
// the comma or line end.
class BookReader {
  public:
    explicit BookReader(const std::string& bytes) : s_(bytes) {}

    // False when the book ended before the field began.
    bool field(bool skip_line_ends, std::string& text) {
        text.clear();
        while (at_ < s_.size() &&
               (s_[at_] == ' ' || s_[at_] == '\t' || (skip_line_ends && is_line_end(s_[at_])))) {
            ++at_;
        }
        if (at_ >= s_.size()) return false;
        if (s_[at_] == '"') {
            ++at_;
            while (at_ < s_.size() && s_[at_] != '"' && !is_line_end(s_[at_])) {
                text.push_back(s_[at_++]);
            }
            if (at_ < s_.size() && s_[at_] == '"') {
                while (at_ < s_.size() && s_[at_] != ',' && !is_line_end(s_[at_])) ++at_;
            }
        } else {
            while (at_ < s_.size() && s_[at_] != ',' && !is_line_end(s_[at_])) {
                text.push_back(s_[at_++]);
            }
        }
        // The ending comma or line end is used up, CR LF as one.
        if (at_ < s_.size()) {
            if (s_[at_] == '\r' && at_ + 1 < s_.size() && s_[at_ + 1] == '\n') ++at_;
            ++at_;
        }
        return true;
    }

  private:
    const std::string& s_;
    size_t at_ = 0;
};

// The key as the reference reading spells it, independently of the program.
std::string reference_key(const GameState& g) {
    const std::string letters = "KQRBNP.pnbrqk";
    std::string key;
    for (int rank = 8; rank >= 1; --rank) {
        for (int file = 1; file <= 8; ++file)
            key.push_back(letters[g.board[file * 10 + 9 - rank] + 6]);
    }
    return key;
}

// The board cell of a square text such as "e2", or 0 when it names none.
int square_cell(char file, char rank) {
    if (file >= 'a' && file <= 'z') file = static_cast<char>(file - 'a' + 'A');
    if (file < 'A' || file > 'H' || rank < '1' || rank > '8') return 0;
    return (file - 'A' + 1) * 10 + 9 - (rank - '0');
}

int sign(int v) { return (v > 0) - (v < 0); }

// A reply the side to move may be offered: two squares, its own piece on the
// first, none of its pieces on the second.
bool usable(const GameState& g, const std::string& move) {
    if (move.size() < 4) return false;
    const int from = square_cell(move[0], move[1]);
    const int to = square_cell(move[2], move[3]);
    if (from == 0 || to == 0) return false;
    return sign(g.board[from]) == g.search_side && sign(g.board[to]) != g.search_side;
}

std::vector<std::string> reference_candidates(const GameState& g, const std::string& bytes) {
    std::vector<std::string> found;
    const std::string key = reference_key(g);
    BookReader reader(bytes);
    std::string k;
    std::string move;
    for (int record = 0; record < 5000; ++record) {
        if (!reader.field(true, k)) break;
        if (k.starts_with("ZZ")) break;
        reader.field(false, move);
        if (k.size() >= 64 && k.compare(0, 64, key) == 0 && usable(g, move)) {
            if (found.size() == 15) break;
            found.push_back(move);
        }
    }
    return found;
}

std::string upper(std::string t) {
    for (char& c : t) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return t;
}

void check_lookup(GameState& g, const std::string& bytes) {
    const std::vector<std::string> expected = reference_candidates(g, bytes);
    int16_t board[100];
    std::copy(std::begin(g.board), std::end(g.board), board);

    std::ostringstream out;
    g.console = chess::Console{};
    g.console.out = &out;
    g.book_reply_pending = 7;  // stale values the lookup must clear
    g.book_reply_castles = 7;
    chess::ConsoleSearchReport report(g);
    chess::book_lookup(g, report);
    g.console.out = nullptr;

    FUZZ_CHECK(std::equal(std::begin(board), std::end(board), g.board));
    FUZZ_CHECK(g.book_moves[0].empty());
    size_t count = 0;
    while (count < 15 && !g.book_moves[count + 1].empty()) ++count;
    for (size_t i = count + 1; i < 16; ++i) FUZZ_CHECK(g.book_moves[i].empty());
    FUZZ_CHECK(count == expected.size());
    std::string listed;
    for (size_t i = 0; i < count; ++i) {
        FUZZ_CHECK(g.book_moves[i + 1] == expected[i]);
        listed += expected[i] + "  ";
    }
    listed += "\r\n";

    if (count == 0) {
        FUZZ_CHECK(out.str() == listed);
        FUZZ_CHECK(g.move_code == 0);
        FUZZ_CHECK(g.book_reply_pending == 0 && g.book_reply_castles == 0);
        return;
    }
    // Which candidate was drawn is read from the announcement.
    size_t drawn = 0;
    for (size_t n = 1; n <= count; ++n) {
        const std::string announced = listed + "USING OPENING MOVE# " +
                                      chess::format_number(static_cast<int>(n)) + "\r\n\r\n";
        if (out.str() == announced) drawn = n;
    }
    FUZZ_CHECK(drawn != 0);
    const std::string reply = upper(expected[drawn - 1]);
    FUZZ_CHECK(g.move_text == reply);
    std::string text = reply;
    FUZZ_CHECK(g.move_code == chess::text_to_move(text));
    const int from = chess::move_from(g.move_code);
    const int to = chess::move_to(g.move_code);
    FUZZ_CHECK(chess::is_playing_square(from) && chess::is_playing_square(to));
    FUZZ_CHECK(sign(g.board[from]) == g.search_side);
    FUZZ_CHECK(sign(g.board[to]) != g.search_side);
    FUZZ_CHECK(g.chosen_index == 1 && g.last_legal_root == 1);
    FUZZ_CHECK(g.book_reply_pending == 1);
    const bool castles = reply == "E1G1" || reply == "E8G8" || reply == "E1C1" || reply == "E8C8";
    FUZZ_CHECK(g.book_reply_castles == (castles ? 1 : 0));

    // The hand-over puts the reply into row 1 of the ply-1 list with the flag
    // word of an ordinary move of its piece; only a castling text moves a rook.
    auto handed = std::make_unique<GameState>(g);
    chess::book_hand_over(*handed);
    FUZZ_CHECK(handed->book_reply_pending == 0 && handed->book_reply_castles == 0);
    const int column = GameState::ply_base[1] + 1;
    FUZZ_CHECK(handed->move_list[1][column] == g.move_code);
    const int piece = g.board[from];
    const int target = g.board[to];
    FUZZ_CHECK(
        handed->move_list[1][column + 1] ==
        chess::make_flag_word(piece < 0 ? 1 : 2, piece, target, chess::move_kind(piece, target)));
    int changed = 0;
    for (int i = 0; i < 100; ++i) changed += handed->board[i] != g.board[i];
    FUZZ_CHECK(castles ? changed <= 2 : changed == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 16384) return 0;
    chess_fuzz::enter_scratch_folder();
    chess_fuzz::clear_scratch_folder();
    const std::string bytes =
        size == 0 ? std::string() : std::string(reinterpret_cast<const char*>(data), size);
    write_bytes("MYBOOK.TXT", bytes);
    write_bytes("WMYBOOK.TXT", bytes);

    auto g = std::make_unique<GameState>();
    chess::load_start_position(*g);
    g->random_generator.seed(static_cast<unsigned>(size));
    for (const bool after_e2e4 : {false, true}) {
        if (after_e2e4) {
            g->board[55] = -1;  // E4
            g->board[57] = 0;   // E2
        }
        for (const int16_t side : {GameState::white_side, GameState::black_side}) {
            g->search_side = side;
            check_lookup(*g, bytes);
        }
    }
    return 0;
}
