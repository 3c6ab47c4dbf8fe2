#include "uci/position_setup.h"

#include <cstring>
#include <memory>
#include <vector>

#include "model/board.h"
#include "model/notation.h"
#include "model/start_position.h"
#include "movegen/castling_rights.h"
#include "movegen/generate.h"
#include "movegen/make_move.h"

namespace chess::uci {

namespace {

constexpr int code_column = GameState::ply_base[1] + 1;
constexpr int flag_column = GameState::ply_base[1] + 2;

// What making a move on the board can change: the board with its border
// (en passant markers included) and the castling state.
struct BoardCopy {
    int16_t board[100];
    int16_t castle_moved[7];
    int16_t castle_attacked[7];
    int16_t white_king_moved;
    int16_t black_king_moved;
};

BoardCopy copy_board(const GameState& g) {
    BoardCopy c;
    std::memcpy(c.board, g.board, sizeof c.board);
    std::memcpy(c.castle_moved, g.castle_moved, sizeof c.castle_moved);
    std::memcpy(c.castle_attacked, g.castle_attacked, sizeof c.castle_attacked);
    c.white_king_moved = g.white_king_moved;
    c.black_king_moved = g.black_king_moved;
    return c;
}

void restore_board(GameState& g, const BoardCopy& c) {
    std::memcpy(g.board, c.board, sizeof c.board);
    std::memcpy(g.castle_moved, c.castle_moved, sizeof c.castle_moved);
    std::memcpy(g.castle_attacked, c.castle_attacked, sizeof c.castle_attacked);
    g.white_king_moved = c.white_king_moved;
    g.black_king_moved = c.black_king_moved;
}

bool row_is_side_to_move(const GameState& g, int row) {
    const int side_number = code_digit_1(g.move_list[row][flag_column]);
    return side_number >= 1 && side_number <= 2 &&
           GameState::side_sign[side_number] == g.search_side;
}

// Row of the ply-1 list (generated afresh) holding `code` for the side to
// move, or 0.
int find_row(GameState& g, int16_t code) {
    g.ply = 1;
    generate_moves(g);
    for (int r = 1; r <= g.move_count[1]; ++r) {
        if (g.move_list[r][code_column] == code && row_is_side_to_move(g, r)) return r;
    }
    return 0;
}

// Makes the ply-1 move at `row` and reports whether it was legal; the
// position is as before afterwards.
bool row_is_legal(GameState& g, int row) {
    const BoardCopy before = copy_board(g);
    g.ply = 1;
    g.move_index = static_cast<int16_t>(row);
    make_move(g);
    const bool legal = g.in_check == 0;
    restore_board(g, before);
    g.ply = 1;
    return legal;
}

// Reads a whole decimal number, saturating at `limit`. False for an empty or
// non-numeric text.
bool read_count(std::string_view text, long limit, long& value) {
    if (text.empty()) return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
        if (value > limit) value = limit;
    }
    return true;
}

// The FEN placement as the 64-letter key of the board (rank 8 first, files
// A..H, "." for an empty square).
bool placement_from_fen(std::string_view fen, std::string& key, std::string& error) {
    key.clear();
    int rank_fill = 0;
    int ranks = 1;
    for (char c : fen) {
        if (c == '/') {
            if (rank_fill != 8) break;
            ++ranks;
            rank_fill = 0;
        } else if (c >= '1' && c <= '8') {
            rank_fill += c - '0';
            key.append(static_cast<size_t>(c - '0'), '.');
        } else if (std::strchr("pnbrqkPNBRQK", c) != nullptr) {
            ++rank_fill;
            key.push_back(c);
        } else {
            error = "bad character in the placement";
            return false;
        }
        if (rank_fill > 8) break;
    }
    if (ranks != 8 || rank_fill != 8 || key.size() != 64) {
        error = "the placement does not give eight ranks of eight squares";
        return false;
    }
    int white_kings = 0;
    int black_kings = 0;
    for (size_t i = 0; i < 64; ++i) {
        if (key[i] == 'K') ++white_kings;
        if (key[i] == 'k') ++black_kings;
        const bool edge_rank = i < 8 || i >= 56;
        if (edge_rank && (key[i] == 'P' || key[i] == 'p')) {
            error = "a pawn on the first or last rank";
            return false;
        }
    }
    if (white_kings != 1 || black_kings != 1) {
        error = "each side needs exactly one king";
        return false;
    }
    return true;
}

bool read_castling(GameState& g, std::string_view rights, std::string& error) {
    bool white_king_side = false, white_queen_side = false;
    bool black_king_side = false, black_queen_side = false;
    if (rights != "-") {
        for (char c : rights) {
            switch (c) {
                case 'K':
                    white_king_side = true;
                    break;
                case 'Q':
                    white_queen_side = true;
                    break;
                case 'k':
                    black_king_side = true;
                    break;
                case 'q':
                    black_queen_side = true;
                    break;
                default:
                    error = "bad castling field";
                    return false;
            }
        }
    }
    const int16_t white_king_moved = (white_king_side || white_queen_side) ? 0 : 1;
    const int16_t black_king_moved = (black_king_side || black_queen_side) ? 0 : 1;
    g.castle_moved[1] = white_king_moved;
    g.castle_moved[2] = white_king_side ? 0 : 1;
    g.castle_moved[3] = white_queen_side ? 0 : 1;
    g.castle_moved[4] = black_king_moved;
    g.castle_moved[5] = black_king_side ? 0 : 1;
    g.castle_moved[6] = black_queen_side ? 0 : 1;
    g.white_king_moved = white_king_moved;
    g.black_king_moved = black_king_moved;
    // Kings and rooks off their home squares lose their rights, as at every
    // board display.
    correct_castling_flags(g);
    return true;
}

// The en passant square names the pawn that has just made a double step; its
// marker is set only when that pawn stands there and the squares it crossed
// are empty, so a marker never enables a capture of nothing.
bool read_en_passant(GameState& g, std::string_view square, std::string& error) {
    if (square == "-") return true;
    if (square.size() != 2 || square[0] < 'a' || square[0] > 'h' ||
        (square[1] != '3' && square[1] != '6')) {
        error = "bad en passant field";
        return false;
    }
    const int x = square[0] - 'a' + 1;
    if (square[1] == '6' && g.search_side == GameState::white_side) {
        // Black's pawn went from row 2 to row 4 (rank 7 to rank 5).
        if (g.board[x * 10 + 4] == pawn && g.board[x * 10 + 3] == 0 && g.board[x * 10 + 2] == 0) {
            g.board[x * 10] = GameState::ep_marker;
        }
    } else if (square[1] == '3' && g.search_side == GameState::black_side) {
        if (g.board[x * 10 + 5] == -pawn && g.board[x * 10 + 6] == 0 && g.board[x * 10 + 7] == 0) {
            g.board[x * 10 + 9] = GameState::ep_marker;
        }
    }
    return true;
}

void set_side_to_move(GameState& g, int16_t side) {
    g.search_side = side;
    g.computer_side = side;
    g.human_side = static_cast<int16_t>(-side);
}

}  // namespace

void set_up_start(GameState& g) {
    load_start_position(g);
    set_side_to_move(g, GameState::white_side);
    g.move_number = 1;
}

bool set_up_fen(GameState& g, std::string_view fen, std::string& error) {
    const std::vector<std::string_view> fields = split_words(fen);
    if (fields.empty() || fields.size() > 6) {
        error = "a FEN has one to six fields";
        return false;
    }
    std::string key;
    if (!placement_from_fen(fields[0], key, error)) return false;

    auto work = std::make_unique<GameState>(g);
    GameState& t = *work;
    set_up_start(t);
    set_placement(t, key);

    int16_t side = GameState::white_side;
    if (fields.size() > 1) {
        if (fields[1] == "b") {
            side = GameState::black_side;
        } else if (fields[1] != "w") {
            error = "the side to move is neither w nor b";
            return false;
        }
    }
    set_side_to_move(t, side);
    if (!read_castling(t, fields.size() > 2 ? fields[2] : "-", error)) return false;
    if (!read_en_passant(t, fields.size() > 3 ? fields[3] : "-", error)) return false;
    long number = 0;
    if (fields.size() > 4 && !read_count(fields[4], 32767, number)) {
        error = "bad half-move clock";
        return false;
    }
    number = 1;
    if (fields.size() > 5 && !read_count(fields[5], 32767, number)) {
        error = "bad full-move number";
        return false;
    }
    t.move_number = static_cast<int16_t>(number < 1 ? 1 : number);

    // The side not to move may not stand in check.
    t.ply = 1;
    generate_moves(t);
    const int16_t attack_on_waiting_king =
        side == GameState::white_side ? t.black_king_attack[1] : t.white_king_attack[1];
    if (attack_on_waiting_king != 0) {
        error = "the side not to move is in check";
        return false;
    }
    g = t;
    return true;
}

bool play_move(GameState& g, std::string_view given, std::string& error) {
    std::string text(given);
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    auto square_at = [&](size_t i) -> int {
        const char file = text[i];
        const char rank = text[i + 1];
        if (file < 'a' || file > 'h' || rank < '1' || rank > '8') return 0;
        return (file - 'a' + 1) * 10 + ('9' - rank);
    };
    const int from = text.size() >= 4 ? square_at(0) : 0;
    const int to = text.size() >= 4 ? square_at(2) : 0;
    if (from == 0 || to == 0 || text.size() > 5) {
        error = "malformed move";
        return false;
    }
    int16_t promotion_piece = queen;
    if (text.size() == 5) {
        switch (text[4]) {
            case 'q':
                promotion_piece = queen;
                break;
            case 'r':
                promotion_piece = rook;
                break;
            case 'b':
                promotion_piece = bishop;
                break;
            case 'n':
                promotion_piece = knight;
                break;
            default:
                error = "malformed move";
                return false;
        }
    }
    const int row = find_row(g, static_cast<int16_t>(from * 100 + to));
    if (row == 0 || !row_is_legal(g, row)) {
        error = "illegal move";
        return false;
    }
    const int16_t mover = g.board[from];
    const bool promotes = abs_of(mover) == pawn && square_y(to) == (mover < 0 ? 1 : 8);
    if (text.size() == 5 && !promotes) {
        error = "illegal move";
        return false;
    }
    g.ply = 1;
    g.move_index = static_cast<int16_t>(row);
    make_move(g);
    if (promotes) g.board[to] = static_cast<int16_t>(sign_of(mover) * promotion_piece);
    note_castling_loss(g);
    if (g.search_side == GameState::black_side && g.move_number < 32767) ++g.move_number;
    set_side_to_move(g, static_cast<int16_t>(-g.search_side));
    return true;
}

bool has_legal_move(GameState& g) {
    g.ply = 1;
    generate_moves(g);
    const int n = g.move_count[1];
    for (int r = 1; r <= n; ++r) {
        if (row_is_side_to_move(g, r) && row_is_legal(g, r)) return true;
    }
    return false;
}

bool is_legal_move(GameState& g, int16_t code) {
    const int row = find_row(g, code);
    return row != 0 && row_is_legal(g, row);
}

std::string move_text(const GameState& g, int16_t code) {
    if (code == 0) return "0000";
    std::string text = move_to_text(code);
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    const int from = move_from(code);
    const int to = move_to(code);
    if (is_playing_square(from) && is_playing_square(to)) {
        const int16_t mover = g.board[from];
        if (abs_of(mover) == pawn && square_y(to) == (mover < 0 ? 1 : 8)) text += 'q';
    }
    return text;
}

std::vector<std::string_view> split_words(std::string_view line) {
    std::vector<std::string_view> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        const size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
        if (i > start) words.push_back(line.substr(start, i - start));
    }
    return words;
}

}  // namespace chess::uci
