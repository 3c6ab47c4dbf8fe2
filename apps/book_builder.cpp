#include "apps/book_builder.h"

#include <map>
#include <memory>
#include <sstream>

#include "model/board.h"
#include "model/game_state.h"
#include "model/notation.h"
#include "model/start_position.h"
#include "movegen/castling_rights.h"
#include "movegen/generate.h"
#include "movegen/make_move.h"

namespace chess {

namespace {

// Plays `token` for `side` (-1 White, +1 Black) on g; returns the reason it
// cannot, or "" when it was played.
std::string play_book_move(GameState& g, std::string token, int side) {
    if (token.size() != 4 || !names_two_squares(token)) {
        return "not a move (four characters: from-square and to-square, A1 to H8)";
    }
    g.ply = 1;
    generate_moves(g);
    g.move_code = text_to_move(token);
    const int from = move_from(g.move_code);
    const int piece = g.board[from];
    if (piece == 0) return "no piece stands on the from-square";
    if (sign_of(piece) != side) {
        return side < 0 ? "moves a black piece, but White is to move"
                        : "moves a white piece, but Black is to move";
    }
    find_move(g);
    if (g.move_index == 0) return "illegal move";
    const int flags = g.move_list[g.move_index][GameState::ply_base[1] + 2];
    if (flags % 10 == kind_en_passant) {
        return "en passant capture: a book reply is played as an ordinary move, so it cannot "
               "take en passant";
    }
    const int to_row = square_y(move_to(g.move_code));
    if ((piece == -pawn && to_row == 1) || (piece == pawn && to_row == 8)) {
        return "promotion: a book reply is played as an ordinary move, so it cannot promote";
    }
    make_move(g);
    if (g.in_check == 1) return "illegal move: it leaves the own king in check";
    correct_castling_flags(g);
    return "";
}

}  // namespace

void add_book_lines(BookBuild& build, const std::string& file_name, const std::string& text) {
    // Where each (key, side) stands in the records, and its replies so far.
    struct Entry {
        std::vector<std::string> replies;
    };
    std::map<std::pair<std::string, int>, Entry> seen;
    for (const BookRecord& r : build.white_records) seen[{r.key, -1}].replies.push_back(r.move);
    for (const BookRecord& r : build.black_records) seen[{r.key, 1}].replies.push_back(r.move);

    const size_t lines_before = build.lines_read;
    auto g = std::make_unique<GameState>();
    std::istringstream lines(text);
    std::string line;
    size_t line_number = 0;
    while (std::getline(lines, line)) {
        ++line_number;
        const size_t hash = line.find('#');
        if (hash != std::string::npos) line.erase(hash);
        std::istringstream tokens(line);
        std::string token;
        std::vector<std::string> moves;
        while (tokens >> token) moves.push_back(token);
        if (moves.empty()) continue;
        ++build.lines_read;

        load_start_position(*g);
        int side = -1;
        for (size_t i = 0; i < moves.size(); ++i) {
            std::string move = moves[i];
            for (char& c : move) c = upper_first(std::string(1, c));
            const std::string key = placement_key(*g);
            const std::string reason = play_book_move(*g, move, side);
            if (!reason.empty()) {
                build.error = file_name + ":" + std::to_string(line_number) + ": move " +
                              std::to_string(i + 1) + " " + moves[i] + ": " + reason;
                return;
            }
            Entry& entry = seen[{key, side}];
            bool known = false;
            for (const std::string& r : entry.replies) known = known || r == move;
            if (!known) {
                if (entry.replies.size() == max_book_replies) {
                    build.error = file_name + ":" + std::to_string(line_number) + ": move " +
                                  std::to_string(i + 1) + " " + moves[i] +
                                  ": more than 15 replies for one position";
                    return;
                }
                if (entry.replies.empty()) ++build.positions;
                entry.replies.push_back(move);
                (side < 0 ? build.white_records : build.black_records).push_back({key, move});
            }
            side = -side;
        }
    }
    if (build.lines_read == lines_before) build.error = file_name + ": no opening lines";
}

std::string book_file_text(const std::vector<BookRecord>& records) {
    std::string out;
    for (const BookRecord& r : records) out += r.key + "," + r.move + "\r\n";
    out += "ZZ\r\n";
    return out;
}

}  // namespace chess
