// Random whole sessions: a seeded generator types start-up answers, legal and
// illegal moves, junk of every length and every command with random replies,
// and ends the input at a random point. Before every reply it checks that the
// record is sound; a failure prints the seed so the session can be replayed
// (STRESS_SEED=n runs that one session).
#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

#include "apps/book_builder.h"
#include "apps/variant_settings.h"
#include "console/game_loop.h"
#include "console/start_up.h"
#include "io/transcript.h"
#include "model/notation.h"
#include "support/session.h"

namespace chess {
namespace {

struct Totals {
    long sessions = 0;
    long replies = 0;
    long files_tried = 0;
    long round_trips = 0;
};

// What a saved position must bring back when it is loaded again.
struct SavedPosition {
    bool valid = false;
    int16_t board[100] = {};
    int16_t move_number = 0, search_side = 0, computer_side = 0, human_side = 0;
};

// Input that is typed only when the program asks for it, so every reply can
// depend on the position and every read can first check the record.
class RandomTyping : public std::streambuf {
  public:
    RandomTyping(GameState& g, uint32_t seed, int replies, Totals& totals)
        : g_(g), random_(seed), replies_left_(replies), totals_(totals) {}

    std::vector<std::string> failures;
    long reads_after_end = 0;
    const std::ostringstream* output = nullptr;  // to see whether a file prompt took our name

  protected:
    int_type underflow() override {
        if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
        check_record();
        if (ended_) {
            ++reads_after_end;
            return traits_type::eof();
        }
        if (queue_.empty()) plan_next();
        if (queue_.empty() || replies_left_ <= 0) {
            ended_ = true;
            return traits_type::eof();
        }
        line_ = queue_.front() + "\n";
        if (std::getenv("STRESS_SEED")) std::fprintf(stderr, "typed: %s", line_.c_str());
        queue_.erase(queue_.begin());
        --replies_left_;
        ++totals_.replies;
        setg(line_.data(), line_.data(), line_.data() + line_.size());
        return traits_type::to_int_type(*gptr());
    }

  private:
    int pick(int n) { return static_cast<int>(random_() % static_cast<uint32_t>(n)); }
    bool chance(int percent) { return pick(100) < percent; }

    void fail(const std::string& what) {
        if (failures.size() < 5) failures.push_back(what);
    }

    void check_record() {
        for (int i = 0; i < 100; ++i) {
            const int x = i / 10, y = i % 10;
            const int16_t v = g_.board[i];
            if (x >= 1 && x <= 8 && y >= 1 && y <= 8) {
                if (v < -6 || v > 6)
                    fail("square " + std::to_string(i) + " holds " + std::to_string(v));
            } else if (i != 1 && i != 9) {
                const bool marker_cell = x >= 1 && x <= 8 && (y == 0 || y == 9);
                if (v < 7) fail("border cell " + std::to_string(i) + " holds " + std::to_string(v));
                // A loaded file may carry any border value of 7 or more.
                if (v == 9 && !marker_cell && !load_issued_) {
                    fail("marker outside a marker cell at " + std::to_string(i));
                }
            } else if (v < 7) {
                fail("scratch cell " + std::to_string(i) + " holds " + std::to_string(v));
            }
        }
        for (int p = 0; p <= 10; ++p) {
            if (g_.move_count[p] < 0 || g_.move_count[p] > 250) fail("move_count out of range");
        }
        auto flag = [&](int16_t v, const char* what) {
            if (v != 0 && v != 1) fail(std::string(what) + " holds " + std::to_string(v));
        };
        for (int i = 1; i <= 6; ++i) {
            flag(g_.snapshot.castle_moved[i], "snapshot castle_moved");
            flag(g_.snapshot.castle_attacked[i], "snapshot castle_attacked");
            flag(g_.saved_castle_moved[i], "saved castle_moved");
            flag(g_.saved_castle_attacked[i], "saved castle_attacked");
            flag(g_.castle_moved[i], "castle_moved");
        }
        flag(g_.snapshot.white_king_moved, "snapshot white_king_moved");
        flag(g_.snapshot.black_king_moved, "snapshot black_king_moved");
        flag(g_.saved_white_king_moved, "saved white_king_moved");
        flag(g_.saved_black_king_moved, "saved black_king_moved");

        // The file checks wait until every line of the command has been typed.
        if (!queue_.empty()) return;
        if (capture_saved_) {
            capture_saved_ = false;
            if (answered_file_prompt("---FILE NOT SAVED---")) {
                saved_.valid = true;
                std::copy(std::begin(g_.board), std::end(g_.board), std::begin(saved_.board));
                saved_.move_number = g_.move_number;
                saved_.search_side = g_.search_side;
                saved_.computer_side = g_.computer_side;
                saved_.human_side = g_.human_side;
            }
        }
        if (compare_loaded_ && !answered_file_prompt("---FILE NOT LOADED---")) {
            compare_loaded_ = false;
        }
        if (compare_loaded_) {
            compare_loaded_ = false;
            ++totals_.round_trips;
            for (int i = 0; i < 100; ++i) {
                if (i == 1 || i == 9) continue;  // scratch cells: the load regenerates the list
                if (g_.board[i] != saved_.board[i]) {
                    fail("LOAD after SAVE differs at cell " + std::to_string(i));
                }
            }
            if (g_.move_number != saved_.move_number || g_.search_side != saved_.search_side ||
                g_.computer_side != saved_.computer_side || g_.human_side != saved_.human_side) {
                fail("LOAD after SAVE differs in move number or sides");
            }
            if (g_.game_over != 0) fail("LOAD left the game over");
        }
    }

    // True when the output since the command was planned shows the file
    // prompt and not the given failure message; a reply typed at another
    // prompt than the one planned for leaves no such trace.
    bool answered_file_prompt(const std::string& failure) const {
        if (output == nullptr) return false;
        const std::string since = output->str().substr(output_mark_);
        return since.find("FILE: ") != std::string::npos &&
               since.find(failure) == std::string::npos;
    }

    std::string square() {
        if (chance(10)) {
            const char* odd[] = {"I1", "A9", "A0", "Z", "", "E", "J0", "@9", "H9", "a1"};
            return odd[pick(10)];
        }
        return std::string(1, static_cast<char>('A' + pick(8))) + static_cast<char>('1' + pick(8));
    }

    std::string junk() {
        const int length = chance(5) ? 200 + pick(2000) : pick(14);
        std::string s;
        for (int i = 0; i < length; ++i) {
            const int kind = pick(10);
            if (kind < 6) {
                s += static_cast<char>(' ' + pick(95));
            } else if (kind == 6) {
                s += static_cast<char>(128 + pick(128));
            } else if (kind == 7) {
                s += ",\t\" "[pick(4)];
            } else if (kind == 8) {
                s += '\0';
            } else {
                s += '\r';
            }
        }
        return s;
    }

    std::string number_reply(int low, int high) {
        if (chance(15)) return junk();
        return std::to_string(low + pick(high - low + 1));
    }

    // A move of the user's colour from the list of the position, when there is one.
    std::string legal_move() {
        const int base = GameState::ply_base[1];
        std::vector<int16_t> own;
        for (int r = 1; r <= g_.move_count[1] && r <= 250; ++r) {
            const int16_t code = g_.move_list[r][base + 1];
            const int from = code / 100;
            if (from >= 0 && from < 100 && g_.board[from] != 0 &&
                (g_.board[from] < 0 ? -1 : 1) == g_.human_side) {
                own.push_back(code);
            }
        }
        if (own.empty()) return square() + square();
        std::string text =
            move_to_text(own[static_cast<size_t>(pick(static_cast<int>(own.size())))]);
        if (chance(20)) {
            for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
        if (chance(10)) text += junk();
        return text;
    }

    std::string file_name() {
        const char* names[] = {"GOOD.TXT",           "CB.TXT",    "",
                               "MISSING.TXT",        "TRUNC.TXT", "GARBLED.TXT",
                               "nosuchfolder/X.TXT", ".",         "WMYBOOK.TXT"};
        return names[pick(9)];
    }

    void write_damaged_files() {
        const std::string good = testing::read_file("GOOD.TXT");
        if (good.empty()) return;
        testing::write_file(
            "TRUNC.TXT", good.substr(0, static_cast<size_t>(pick(static_cast<int>(good.size())))));
        std::string garbled = good;
        for (int i = 0; i < 1 + pick(4); ++i) {
            const size_t at = static_cast<size_t>(pick(static_cast<int>(garbled.size())));
            const int what = pick(5);
            if (what == 0) garbled[at] = static_cast<char>(pick(256));
            if (what == 1) garbled.insert(at, "99999");
            if (what == 2) garbled.insert(at, " 7 \r\n");
            if (what == 3) garbled.insert(at, std::string(10000, 'N'));
            if (what == 4) garbled.erase(at, 1);
        }
        testing::write_file("GARBLED.TXT", garbled);
    }

    void plan_next() {
        ++planned_;
        if (planned_ == 1) {  // start-up: transcript, name, book, colour
            const bool transcript = chance(30);
            queue_.push_back(transcript ? "1" : (chance(20) ? junk() : "0"));
            if (transcript) queue_.push_back(chance(80) ? "GAME.LOG" : "nosuchfolder/GAME.LOG");
            queue_.push_back(chance(30) ? "1" : "0");
            queue_.push_back(chance(40) ? "1" : number_reply(0, 3));
            queue_.push_back("DEPTH");
            queue_.push_back(chance(80) ? "2" : "3");
            return;
        }
        if (g_.base_depth > 3) {  // keep every search short
            queue_.push_back("DEPTH");
            queue_.push_back("2");
            return;
        }
        const int roll = pick(100);
        if (roll < 34) {
            queue_.push_back(legal_move());
        } else if (roll < 40) {
            queue_.push_back(square() + square());
        } else if (roll < 47) {
            queue_.push_back(junk());
        } else if (roll < 50) {
            queue_.push_back("DEPTH");
            queue_.push_back(number_reply(2, 3));
        } else if (roll < 54) {
            queue_.push_back("SUGGEST");
            queue_.push_back(number_reply(1, 2));
        } else if (roll < 58) {
            queue_.push_back("SWAP");
        } else if (roll < 63) {
            queue_.push_back("BACK");
        } else if (roll < 68) {
            const char* words[] = {"WHITE", "BLACK", "BOARD", "white", "Boards"};
            queue_.push_back(words[pick(5)]);
        } else if (roll < 75) {
            queue_.push_back("EDIT");
            while (chance(20)) queue_.push_back(number_reply(-8, 8) + "," + square() + "X");
            queue_.push_back(number_reply(-8, 8) + "," + square());
        } else if (roll < 78) {
            queue_.push_back("CLEAR");
            const bool yes = chance(40);
            queue_.push_back(yes ? "1" : number_reply(0, 2));
            if (yes) queue_.push_back(number_reply(1, 40));
        } else if (roll < 84) {
            queue_.push_back("XMOVE");
            queue_.push_back(chance(80) ? square() + square() : junk());
        } else if (roll < 91) {
            output_mark_ = output != nullptr ? output->str().size() : 0;
            queue_.push_back("SAVE");
            const std::string name = chance(60) ? "GOOD.TXT" : file_name();
            queue_.push_back(name);
            capture_saved_ = name == "GOOD.TXT";
            ++totals_.files_tried;
        } else if (roll < 98) {
            write_damaged_files();
            load_issued_ = true;
            output_mark_ = output != nullptr ? output->str().size() : 0;
            queue_.push_back("LOAD");
            const std::string name = chance(40) ? "GOOD.TXT" : file_name();
            queue_.push_back(name);
            compare_loaded_ = name == "GOOD.TXT" && saved_.valid;
            ++totals_.files_tried;
        } else {
            queue_.push_back(chance(50) ? "QUIT" : "exit");
            queue_.push_back("");
        }
    }

    GameState& g_;
    std::mt19937 random_;
    int replies_left_;
    Totals& totals_;
    std::vector<std::string> queue_;
    std::string line_;
    bool ended_ = false;
    int planned_ = 0;
    bool capture_saved_ = false;
    bool compare_loaded_ = false;
    bool load_issued_ = false;
    size_t output_mark_ = 0;
    SavedPosition saved_;
};

// Runs one random session; returns the failures found.
std::vector<std::string> run_random_session(uint32_t seed, Totals& totals) {
    std::mt19937 dice(seed);
    const bool variant = dice() % 4 == 0;
    const int replies = 1 + static_cast<int>(dice() % 80);
    std::filesystem::remove("GOOD.TXT");

    auto g = std::make_unique<GameState>();
    RandomTyping typing(*g, seed, replies, totals);
    std::istream in(&typing);
    std::ostringstream out;
    typing.output = &out;
    g->console.in = &in;
    g->console.out = &out;
    g->settings = variant ? variant_program_settings : main_program_settings;
    g->fixed_random_seed = seed;
    start_up(*g);
    if (!g->console.ended) run_game_loop(*g);
    transcript_close(*g);
    ++totals.sessions;

    std::vector<std::string> failures = typing.failures;
    if (!g->console.ended) failures.push_back("the program returned without ending its console");
    if (typing.reads_after_end > 1)
        failures.push_back("the program kept reading after the input ended");
    const std::string text = out.str();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) {
            failures.push_back("a line ends without CR LF");
            break;
        }
    }
    if (!failures.empty() && std::getenv("STRESS_SEED"))
        std::fwrite(text.data(), 1, text.size(), stdout);
    return failures;
}

TEST(RandomSessions, EverySessionEndsWithASoundRecord) {
    testing::ScratchFolder folder;
    BookBuild build;
    add_book_lines(
        build, "openings.txt",
        testing::read_file(std::filesystem::path(CHESS_SOURCE_DIR) / "books" / "openings.txt"));
    ASSERT_EQ(build.error, "");
    testing::write_file("WMYBOOK.TXT", book_file_text(build.white_records));
    testing::write_file("MYBOOK.TXT", book_file_text(build.black_records));

    Totals totals;
    std::vector<uint32_t> seeds;
    if (const char* one = std::getenv("STRESS_SEED")) {
        seeds.push_back(static_cast<uint32_t>(std::strtoul(one, nullptr, 10)));
    } else {
        const int sessions =
            std::getenv("STRESS_SESSIONS") ? std::atoi(std::getenv("STRESS_SESSIONS")) : 300;
        for (int i = 0; i < sessions; ++i) seeds.push_back(static_cast<uint32_t>(1000 + i));
    }
    for (uint32_t seed : seeds) {
        const std::vector<std::string> failures = run_random_session(seed, totals);
        for (const std::string& f : failures) ADD_FAILURE() << "seed " << seed << ": " << f;
    }
    std::printf(
        "random sessions: %ld, replies typed: %ld, position files tried: %ld, save/load round "
        "trips: %ld\n",
        totals.sessions, totals.replies, totals.files_tried, totals.round_trips);
}

}  // namespace
}  // namespace chess
