#include "model/notation.h"

#include "model/board.h"

namespace chess {

std::string move_to_text(int16_t m) {
    std::string t(4, ' ');
    t[0] = static_cast<char>(64 + code_digit_1(m));
    t[1] = static_cast<char>(57 - code_digit_2(m));
    t[2] = static_cast<char>(64 + code_digit_3(m));
    t[3] = static_cast<char>(57 - code_digit_4(m));
    return t;
}

int16_t text_to_move(std::string& t) {
    for (char& c : t) c = upper_first(std::string_view(&c, 1));
    auto code_at = [&t](size_t i) -> int {
        return i < t.size() ? static_cast<unsigned char>(t[i]) : 0;
    };
    const int x1 = code_at(0) - 64;
    const int y1 = 57 - code_at(1);
    const int x2 = code_at(2) - 64;
    const int y2 = 57 - code_at(3);
    return static_cast<int16_t>(x1 * 1000 + y1 * 100 + x2 * 10 + y2);
}

void move_to_text(GameState& g) { g.move_text = move_to_text(g.move_word); }

void text_to_move(GameState& g) { g.move_word = text_to_move(g.move_text); }

std::string placement_key(const GameState& g) {
    std::string key(64, '.');
    for (int y = 1; y <= 8; ++y) {
        for (int x = 1; x <= 8; ++x) {
            const int code = g.board[x * 10 + y];
            key[static_cast<size_t>((y - 1) * 8 + (x - 1))] =
                (code >= -6 && code <= 6) ? GameState::piece_letters[code + 6] : '?';
        }
    }
    return key;
}

bool set_placement(GameState& g, std::string_view placement) {
    const std::string_view letters = GameState::piece_letters;
    if (placement.size() != 64) return false;
    for (char c : placement) {
        if (letters.find(c) == std::string_view::npos) return false;
    }
    for (int y = 1; y <= 8; ++y) {
        for (int x = 1; x <= 8; ++x) {
            const size_t at = letters.find(placement[static_cast<size_t>((y - 1) * 8 + (x - 1))]);
            g.board[x * 10 + y] = static_cast<int16_t>(static_cast<int>(at) - 6);
        }
    }
    return true;
}

bool names_two_squares(std::string_view t) {
    if (t.size() < 4) return false;
    for (int i = 0; i < 4; i += 2) {
        const char file = upper_first(t.substr(i, 1));
        const char rank = t[i + 1];
        if (file < 'A' || file > 'H' || rank < '1' || rank > '8') return false;
    }
    return true;
}

}  // namespace chess
