#include "uci/session.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <istream>
#include <iterator>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "engine/engine.h"
#include "engine/search_depth.h"
#include "model/game_state.h"
#include "movegen/castling_rights.h"
#include "uci/position_setup.h"
#include "uci/time_plan.h"

namespace chess::uci {

namespace {

using Clock = std::chrono::steady_clock;

struct Session {
    std::ostream* out = nullptr;
    std::mutex out_mutex;

    // The game record of the current position, and how it was reached: the
    // origin ("startpos" or "fen" and its fields) and the moves played on it.
    // A "position" that only adds moves to these keeps the record, and with
    // it the engine's memory of its earlier choices.
    std::unique_ptr<GameState> game;
    std::string origin;
    std::vector<std::string> moves;
    bool own_book = true;
    int threads = 1;  // the Threads option: threads of the search, 1 to 64

    // The running search: a worker thread that asks the engine for depth
    // after depth and answers. `stop` ends it (the engine raises it itself at
    // the hard time limit); an endless search waits for it before answering.
    std::thread worker;
    std::atomic<bool> stop{false};
    std::mutex control_mutex;
    std::condition_variable control;
    bool waits_for_stop = false;
};

void emit(Session& s, const std::string& line) {
    std::lock_guard<std::mutex> lock(s.out_mutex);
    *s.out << line << '\n' << std::flush;
}

std::string join(const std::vector<std::string_view>& words, size_t from, size_t to) {
    std::string text;
    for (size_t i = from; i < to && i < words.size(); ++i) {
        if (!text.empty()) text += ' ';
        text += words[i];
    }
    return text;
}

std::string lower(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return result;
}

// ---- The search ------------------------------------------------------------

void request_stop(Session& s) {
    {
        std::lock_guard<std::mutex> lock(s.control_mutex);
        s.stop = true;
    }
    s.control.notify_all();
}

// Waits for the running search (if any) to answer.
void finish_search(Session& s) {
    if (s.worker.joinable()) s.worker.join();
}

// The engine's reports as "info" lines.
class UciReport : public SearchObserver {
  public:
    UciReport(Session& s, const GameState& g) : s_(s), g_(g) {}
    void depth_finished(const DepthReport& report) override {
        const double ms = report.milliseconds;
        const uint64_t per_second = static_cast<uint64_t>(static_cast<double>(report.nodes) *
                                                          1000.0 / (ms > 1.0 ? ms : 1.0));
        // A mate announced by the search is a mate in one; any other score is
        // the chosen move's, from the side to move's view, in hundredths of a
        // pawn.
        const std::string score = report.mate ? "mate 1" : "cp " + std::to_string(report.score);
        char line[160];
        std::snprintf(line, sizeof line,
                      "info depth %d score %s nodes %llu nps %llu time %lld pv %s", report.depth,
                      score.c_str(), static_cast<unsigned long long>(report.nodes),
                      static_cast<unsigned long long>(per_second), static_cast<long long>(ms),
                      move_text(g_, report.move).c_str());
        emit(s_, line);
    }

  private:
    Session& s_;
    const GameState& g_;  // the position searched, for the moves' texts
};

// Searches depths 2, 3, ... and answers with the move of the last depth that
// ended; its effects on the game record (the history of choices, a depth
// raise) are the ones a single search at that depth has at the console.
void deepen(Session& s, SearchLimits limits, bool wait_for_stop) {
    GameState& g = *s.game;
    const GameState searched = g;
    UciReport report(s, searched);
    think(g, limits, report);
    if (g.book_reply_pending == 1 && !is_legal_move(g, g.move_code)) {
        // Only ever play legal moves: search this position without the book.
        const int16_t use_book = g.use_book;
        g = searched;
        g.use_book = 0;
        think(g, limits, report);
        g.use_book = use_book;
    }
    if (g.book_reply_pending == 1) emit(s, "info string book move " + move_text(g, g.move_code));
    if (wait_for_stop) {
        std::unique_lock<std::mutex> lock(s.control_mutex);
        s.control.wait(lock, [&] { return s.stop.load(); });
    }
    g.book_reply_pending = 0;
    emit(s, "bestmove " + move_text(g, g.move_code));
}

void start_search(Session& s, const std::vector<std::string_view>& words, Clock::time_point start) {
    std::vector<std::string> ignored;
    const GoRequest request =
        parse_go(std::vector<std::string_view>(words.begin() + 1, words.end()), ignored);
    for (const std::string& word : ignored) emit(s, "info string go: ignored " + word);

    GameState& g = *s.game;
    g.use_book = s.own_book ? 1 : 0;
    g.game_over = 0;
    g.book_reply_pending = 0;
    // As at the console's prompt: the totals, the depth of the next search and
    // the castling flags refreshed from the position.
    refresh_material_and_depth(g);
    correct_castling_flags(g);
    const bool white_to_move = g.search_side == GameState::white_side;
    const SearchPlan plan = plan_search(request, white_to_move, g.search_depth);

    if (!has_legal_move(g)) {
        const bool in_check =
            white_to_move ? g.white_king_attack[1] != 0 : g.black_king_attack[1] != 0;
        emit(s, in_check ? "info string checkmate" : "info string stalemate");
        emit(s, "bestmove 0000");
        return;
    }
    s.stop = false;
    s.waits_for_stop = plan.wait_for_stop;
    SearchLimits limits;
    limits.depth = plan.max_depth;
    limits.deepen = true;
    limits.stop = &s.stop;
    limits.clock = plan;
    limits.start = start;
    limits.threads = s.threads;
    s.worker = std::thread(deepen, std::ref(s), limits, plan.wait_for_stop);
}

// ---- The other commands ------------------------------------------------------

void new_game(Session& s) {
    set_up_start(*s.game);
    s.origin = "startpos";
    s.moves.clear();
}

void set_position(Session& s, const std::vector<std::string_view>& words) {
    size_t i = 1;
    std::string origin;
    if (i < words.size() && words[i] == "startpos") {
        origin = "startpos";
        ++i;
    } else if (i < words.size() && words[i] == "fen") {
        size_t end = i + 1;
        while (end < words.size() && words[end] != "moves") ++end;
        origin = "fen " + join(words, i + 1, end);
        i = end;
    } else {
        emit(s, "info string position: expected startpos or fen");
        return;
    }
    std::vector<std::string> moves;
    bool malformed = false;
    if (i < words.size()) {
        if (words[i] == "moves") {
            for (size_t j = i + 1; j < words.size(); ++j) moves.push_back(lower(words[j]));
        } else {
            malformed = true;
        }
    }

    const bool extends = origin == s.origin && moves.size() >= s.moves.size() &&
                         std::equal(s.moves.begin(), s.moves.end(), moves.begin());
    if (!extends) {
        std::string error;
        if (origin == "startpos") {
            set_up_start(*s.game);
        } else if (!set_up_fen(*s.game, std::string_view(origin).substr(4), error)) {
            emit(s, "info string position: " + error + "; position unchanged");
            return;
        }
        s.origin = origin;
        s.moves.clear();
    }
    if (malformed) emit(s, "info string position: expected moves; rest of the line ignored");
    for (size_t j = s.moves.size(); j < moves.size(); ++j) {
        std::string error;
        if (!play_move(*s.game, moves[j], error)) {
            emit(s,
                 "info string position: " + error + " " + moves[j] + "; rest of the line ignored");
            break;
        }
        s.moves.push_back(moves[j]);
    }
}

void set_option(Session& s, const std::vector<std::string_view>& words) {
    size_t value_at = words.size();
    for (size_t i = 2; i < words.size(); ++i) {
        if (words[i] == "value") {
            value_at = i;
            break;
        }
    }
    if (words.size() < 3 || words[1] != "name") {
        emit(s, "info string setoption: expected name");
        return;
    }
    const std::string name = lower(join(words, 2, value_at));
    const std::string value = lower(join(words, value_at + 1, words.size()));
    if (name == "ownbook" && (value == "true" || value == "false")) {
        s.own_book = value == "true";
    } else if (name == "ownbook") {
        emit(s, "info string setoption: OwnBook takes true or false");
    } else if (name == "threads") {
        int count = 0;
        size_t i = 0;
        while (i < value.size() && value[i] >= '0' && value[i] <= '9' && count <= 64) {
            count = count * 10 + (value[i++] - '0');
        }
        if (i == value.size() && count >= 1 && count <= 64) {
            s.threads = count;
        } else {
            emit(s, "info string setoption: Threads takes a number from 1 to 64");
        }
    } else {
        emit(s, "info string setoption: no option " + join(words, 2, value_at));
    }
}

}  // namespace

int run_session(std::istream& in, std::ostream& out) {
    Session s;
    s.out = &out;
    s.game = std::make_unique<GameState>();
    s.game->console.out = nullptr;  // the engine's console messages are not shown
    s.game->random_generator.seed(static_cast<unsigned>(Clock::now().time_since_epoch().count()));
    new_game(s);

    std::string line;
    while (std::getline(in, line)) {
        const Clock::time_point received = Clock::now();
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::vector<std::string_view> words = split_words(line);
        if (words.empty()) continue;
        const std::string_view command = words[0];
        if (command == "isready") {
            emit(s, "readyok");
        } else if (command == "uci") {
            emit(s, "id name Quentaro Chess");
            emit(s, "id author the Quentaro Chess developers");
            emit(s, "option name OwnBook type check default true");
            emit(s, "option name Threads type spin default 1 min 1 max 64");
            emit(s, "uciok");
        } else if (command == "stop") {
            request_stop(s);
            finish_search(s);
        } else if (command == "quit") {
            request_stop(s);
            finish_search(s);
            return 0;
        } else if (command == "debug" || command == "ponderhit") {
            // Nothing to do: no debugging output, no pondering.
        } else if (command == "ucinewgame" || command == "position" || command == "go" ||
                   command == "setoption") {
            // A command that changes the position or the settings first waits
            // for the running search to answer; an endless one is stopped.
            if (s.waits_for_stop) request_stop(s);
            finish_search(s);
            if (command == "ucinewgame") new_game(s);
            if (command == "position") set_position(s, words);
            if (command == "go") start_search(s, words, received);
            if (command == "setoption") set_option(s, words);
        } else {
            emit(s, "info string unknown command " + std::string(command));
        }
    }
    // End of input: a timed search still answers; an endless one is stopped.
    if (s.waits_for_stop) request_stop(s);
    finish_search(s);
    return 0;
}

}  // namespace chess::uci
