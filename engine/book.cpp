#include "engine/book.h"

#include <cstdio>
#include <limits>
#include <string>

#include "io/file_open.h"
#include "model/board.h"
#include "model/notation.h"

namespace chess {

namespace {

constexpr int max_book_records = 5000;
constexpr int max_candidates = 15;  // slots 1..15 of `book_moves`
constexpr size_t key_length = 64;
constexpr size_t keep_everything = std::numeric_limits<size_t>::max();

bool is_line_end(int c) { return c == '\r' || c == '\n'; }

// After a CR, an LF that follows belongs to the same line end.
void finish_line_end(std::FILE* file, int c) {
    if (c != '\r') return;
    const int next = std::fgetc(file);
    if (next != '\n' && next != EOF) std::ungetc(next, file);
}

// Reads the next field of a book file into `field`, keeping at most `keep`
// characters of it (the rest is read and dropped). Blanks and tabs in front
// are skipped, and line ends too when `skip_blank_lines` is set (in front of
// a key). Returns false when the file ended before the field began.
bool read_book_field(std::FILE* file, bool skip_blank_lines, size_t keep, std::string& field) {
    field.clear();
    int c = std::fgetc(file);
    while (c == ' ' || c == '\t' || (skip_blank_lines && is_line_end(c))) c = std::fgetc(file);
    if (c == EOF) return false;
    auto append = [&field, keep](int ch) {
        if (field.size() < keep) field.push_back(static_cast<char>(ch));
    };
    if (c == '"') {
        // Runs to the closing quote (commas belong to it); a line end before
        // it ends the field too. What follows the quote is dropped up to the
        // comma or line end.
        c = std::fgetc(file);
        while (c != EOF && c != '"' && !is_line_end(c)) {
            append(c);
            c = std::fgetc(file);
        }
        if (c == '"') {
            do {
                c = std::fgetc(file);
            } while (c != EOF && c != ',' && !is_line_end(c));
        }
    } else {
        while (c != EOF && c != ',' && !is_line_end(c)) {
            append(c);
            c = std::fgetc(file);
        }
    }
    finish_line_end(file, c);
    return true;
}

// A reply the book may offer: two squares A1..H8, a piece of the side to move
// on the from-square, and no piece of that side on the to-square.
bool usable_reply(const GameState& g, const std::string& move) {
    if (!names_two_squares(move)) return false;
    std::string text = move.substr(0, 4);
    const int code = text_to_move(text);
    if (code < 0) return false;
    const int piece = g.board[move_from(code)];
    const int target = g.board[move_to(code)];
    if (piece == 0 || piece < -6 || piece > 6 || sign_of(piece) != g.search_side) return false;
    return sign_of(target) != g.search_side;
}

bool is_castling_text(const std::string& t) {
    return t == "E1G1" || t == "E8G8" || t == "E1C1" || t == "E8C8";
}

// A uniform value in [0, 1) from the game's generator.
double uniform_draw(GameState& g) {
    return static_cast<double>(g.random_generator()) / 4294967296.0;
}

}  // namespace

void book_lookup(GameState& g, SearchObserver& observer) {
    g.position_key = placement_key(g);
    g.move_code = 0;
    drop_book_reply(g);
    for (std::string& slot : g.book_moves) slot.clear();
    int count = 0;

    const char* name = g.search_side == GameState::black_side ? "MYBOOK.TXT" : "WMYBOOK.TXT";
    if (std::FILE* file = open_data_file(name)) {
        std::string key;
        std::string move;
        for (int record = 0; record < max_book_records; ++record) {
            if (!read_book_field(file, true, key_length, key)) break;
            if (key.starts_with("ZZ")) break;
            const bool matches = key.size() == key_length && key == g.position_key;
            read_book_field(file, false, matches ? keep_everything : 0, move);
            if (!matches || !usable_reply(g, move)) continue;
            if (count == max_candidates) break;  // later matches are neither shown nor kept
            ++count;
            g.book_moves[count] = move;
        }
        std::fclose(file);
    }
    observer.book_candidates(&g.book_moves[1], count);
    if (count == 0) return;

    int n = static_cast<int>(uniform_draw(g) * (count + 1));
    if (n == 0) n = 1;
    if (n > count) n = count;
    observer.book_move_chosen(n);

    g.move_text = g.book_moves[n];
    text_to_move(g);  // upper-cases `move_text`
    g.move_code = g.move_word;
    g.chosen_index = 1;
    g.last_legal_root = 1;
    g.book_reply_pending = 1;
    g.book_reply_castles = is_castling_text(g.move_text) ? 1 : 0;
}

void book_hand_over(GameState& g) {
    if (g.book_reply_pending != 1) return;
    const bool castles = g.book_reply_castles == 1;
    drop_book_reply(g);
    const int code = g.move_code;
    const int from = move_from(code);
    const int to = move_to(code);
    if (!is_playing_square(from) || !is_playing_square(to)) return;

    // The flag word of an ordinary move of the piece standing on the
    // from-square, as the generator would form it.
    const int piece = g.board[from];
    const int target = g.board[to];
    const int side = piece < 0 ? 1 : 2;
    const int column = GameState::ply_base[1] + 1;
    g.move_list[1][column] = static_cast<int16_t>(code);
    g.move_list[1][column + 1] = make_flag_word(side, piece, target, move_kind(piece, target));

    if (!castles) return;
    // The king is played as an ordinary move; the rook jumps here.
    switch (code) {
        case white_king_side_castle:
            g.board[sq_h1] = 0;
            g.board[sq_f1] = -rook;
            break;
        case black_king_side_castle:
            g.board[sq_h8] = 0;
            g.board[sq_f8] = rook;
            break;
        case white_queen_side_castle:
            g.board[sq_a1] = 0;
            g.board[sq_d1] = -rook;
            break;
        case black_queen_side_castle:
            g.board[sq_a8] = 0;
            g.board[sq_d8] = rook;
            break;
        default:
            break;
    }
}

void drop_book_reply(GameSession& s) {
    s.book_reply_pending = 0;
    s.book_reply_castles = 0;
}

}  // namespace chess
