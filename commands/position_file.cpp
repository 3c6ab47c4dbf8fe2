#include "commands/position_file.h"

#include <cstdio>
#include <string>
#include <utility>

#include "io/console_io.h"
#include "io/file_open.h"
#include "model/board.h"
#include "movegen/generate.h"

namespace chess {

namespace {

constexpr const char* default_file_name = "CB.TXT";

// Everything a position file holds, read in full before any of it is used.
struct PositionRecord {
    int16_t board[100] = {};
    int16_t move_number = 0;
    int16_t search_side = 0;
    int16_t computer_side = 0;
    int16_t human_side = 0;
    std::string human_name;
    std::string computer_name;
};

// Asks for the file name; an empty answer gives the default. False when the
// input has ended.
bool ask_file_name(GameState& g) {
    g.file_name = ask_text(g.console, "FILE: ");
    if (g.console.ended) return false;
    if (g.file_name.empty()) g.file_name = default_file_name;
    return true;
}

std::string position_text(const GameState& g) {
    std::string text;
    for (int x = 0; x <= 9; ++x) {
        for (int y = 0; y <= 9; ++y) text += format_number(g.board[x * 10 + y]) + "\r\n";
    }
    text += format_number(g.move_number) + "\r\n";
    // Line 102: three numbers, each starting a 14-column print zone.
    std::string sides;
    for (const int16_t side : {g.search_side, g.computer_side, g.human_side}) {
        if (!sides.empty()) {
            const size_t zone = (sides.size() / print_zone_width + 1) * print_zone_width;
            sides.append(zone - sides.size(), ' ');
        }
        sides += format_number(side);
    }
    text += sides + "\r\n";
    text += g.human_name + "\r\n";
    text += g.computer_name + "\r\n";
    return text;
}

// Writes the whole text; a file that cannot be written completely is removed
// rather than left half written.
bool write_whole_file(const std::string& name, const std::string& text) {
    std::FILE* file = open_file(name, FileUse::write_regular);
    if (file == nullptr) return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    const bool closed = std::fclose(file) == 0;
    if (written && closed) return true;
    std::remove(name.c_str());
    return false;
}

bool is_line_end(int c) { return c == '\r' || c == '\n'; }
bool is_blank(int c) { return c == ' ' || c == '\t'; }

// Reads one number field: blanks and line ends in front are skipped; the
// field ends at a blank, a comma or a line end. False when the file has ended,
// or the field is not an optional sign and decimal digits, or the value lies
// outside -32768..32767.
bool read_number_field(std::FILE* file, int16_t& value) {
    int c = std::fgetc(file);
    while (is_blank(c) || is_line_end(c)) c = std::fgetc(file);
    if (c == EOF) return false;
    bool negative = false;
    if (c == '-' || c == '+') {
        negative = c == '-';
        c = std::fgetc(file);
    }
    bool digits = false;
    bool only_digits = true;
    long magnitude = 0;
    while (c != EOF && c != ',' && !is_blank(c) && !is_line_end(c)) {
        if (c >= '0' && c <= '9') {
            digits = true;
            // Past 32768 the exact size no longer matters: it is out of range.
            if (magnitude <= 32768) magnitude = magnitude * 10 + (c - '0');
        } else {
            only_digits = false;
        }
        c = std::fgetc(file);
    }
    // A line end stays for the caller, which may need to find the end of the
    // line; blanks and commas end the field and are used up.
    if (is_line_end(c)) std::ungetc(c, file);
    if (!digits || !only_digits) return false;
    const long signed_value = negative ? -magnitude : magnitude;
    if (signed_value < -32768 || signed_value > 32767) return false;
    value = static_cast<int16_t>(signed_value);
    return true;
}

// Consumes the rest of the current line and its line end (CR LF, LF or CR).
// False when the file ends before a line end.
bool skip_rest_of_line(std::FILE* file) {
    int c = std::fgetc(file);
    while (c != EOF && !is_line_end(c)) c = std::fgetc(file);
    if (c == EOF) return false;
    if (c == '\r') {
        const int next = std::fgetc(file);
        if (next != '\n' && next != EOF) std::ungetc(next, file);
    }
    return true;
}

// Reads a name: one line from its first non-blank character up to a comma or
// the line end, trailing blanks included. The rest of the line is dropped. A
// missing or empty name is refused.
bool read_name_line(std::FILE* file, std::string& name) {
    name.clear();
    int c = std::fgetc(file);
    while (is_blank(c)) c = std::fgetc(file);
    while (c != EOF && c != ',' && !is_line_end(c)) {
        name.push_back(static_cast<char>(c));
        c = std::fgetc(file);
    }
    if (c != EOF) {
        std::ungetc(c, file);
        skip_rest_of_line(file);
    }
    return !name.empty();
}

bool read_position_record(std::FILE* file, PositionRecord& p) {
    for (int x = 0; x <= 9; ++x) {
        for (int y = 0; y <= 9; ++y) {
            if (!read_number_field(file, p.board[x * 10 + y])) return false;
        }
    }
    if (!read_number_field(file, p.move_number)) return false;
    if (!read_number_field(file, p.search_side)) return false;
    if (!read_number_field(file, p.computer_side)) return false;
    if (!read_number_field(file, p.human_side)) return false;
    if (!skip_rest_of_line(file)) return false;
    return read_name_line(file, p.human_name) && read_name_line(file, p.computer_name);
}

// A position the rest of the program can work with: piece codes on the 64
// squares, and 7 or more (border, en passant marker, scratch code) on every
// border cell, since the move generation relies on the border to stop every
// ray and knight jump; the three colours -1 or +1.
bool sound_position(const PositionRecord& p) {
    for (int i = 0; i < 100; ++i) {
        const int v = p.board[i];
        if (is_playing_square(i) ? (v < -6 || v > 6) : v < GameState::border_value) return false;
    }
    for (const int side : {p.search_side, p.computer_side, p.human_side}) {
        if (side != GameState::white_side && side != GameState::black_side) return false;
    }
    return true;
}

bool load_position_record(const std::string& name, PositionRecord& p) {
    std::FILE* file = open_file(name, FileUse::read_regular);
    if (file == nullptr) return false;
    const bool complete = read_position_record(file, p);
    std::fclose(file);
    return complete && sound_position(p);
}

}  // namespace

void save_position(GameState& g) {
    if (!ask_file_name(g)) return;
    if (!write_whole_file(g.file_name, position_text(g))) {
        print_line(g.console, "     ---FILE NOT SAVED---");
    }
}

void load_position(GameState& g) {
    if (!ask_file_name(g)) return;
    PositionRecord p;
    if (!load_position_record(g.file_name, p)) {
        print_line(g.console, "     ---FILE NOT LOADED---");
        return;
    }
    for (int i = 0; i < 100; ++i) g.board[i] = p.board[i];
    g.move_number = p.move_number;
    g.search_side = p.search_side;
    g.computer_side = p.computer_side;
    g.human_side = p.human_side;
    g.human_name = std::move(p.human_name);
    g.computer_name = std::move(p.computer_name);
    if (g.computer_side == GameState::white_side) {
        g.human_name = "BLACK";
        g.computer_name = "WHITE";
    }
    generate_moves(g);
    g.game_over = 0;
}

}  // namespace chess
