#include "io/console_io.h"

#include <istream>
#include <ostream>

namespace chess {

namespace {

void write_text(Console& con, std::string_view text) {
    con.out->write(text.data(), static_cast<std::streamsize>(text.size()));
    con.column += static_cast<int>(text.size());
}

}  // namespace

// Everything printed is flushed at once, so a person watching a long search
// sees each progress mark as it comes, and a program driving the console
// sees every prompt without waiting for the next read.
void print_text(Console& con, std::string_view text) {
    if (con.ended || con.out == nullptr) return;
    write_text(con, text);
    con.out->flush();
}

void print_line(Console& con, std::string_view text) {
    if (con.ended || con.out == nullptr) return;
    write_text(con, text);
    con.out->write("\r\n", 2);
    con.column = 0;
    con.out->flush();
}

std::string format_number(int value) {
    std::string s = value < 0 ? "-" : " ";
    s += std::to_string(value < 0 ? -static_cast<long>(value) : static_cast<long>(value));
    s += ' ';
    return s;
}

void print_number(Console& con, int value) { print_text(con, format_number(value)); }

void next_print_zone(Console& con) {
    const int target = (con.column / print_zone_width + 1) * print_zone_width;
    print_text(con, std::string(static_cast<size_t>(target - con.column), ' '));
}

bool read_reply(Console& con, std::string& line) {
    line.clear();
    if (con.ended || con.in == nullptr) {
        con.ended = true;
        return false;
    }
    if (con.out != nullptr) con.out->flush();
    if (!std::getline(*con.in, line)) {
        line.clear();
        con.ended = true;
        return false;
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!con.input_is_terminal && con.out != nullptr) con.out->write("\r\n", 2);
    con.column = 0;
    return true;
}

std::string first_field(std::string_view line, std::string_view* rest) {
    size_t i = 0;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    std::string field;
    size_t end = i;
    if (i < line.size() && line[i] == '"') {
        const size_t close = line.find('"', i + 1);
        if (close == std::string_view::npos) {
            field.assign(line.substr(i + 1));
            end = line.size();
        } else {
            field.assign(line.substr(i + 1, close - i - 1));
            end = close + 1;
        }
    } else {
        const size_t comma = line.find(',', i);
        end = comma == std::string_view::npos ? line.size() : comma;
        field.assign(line.substr(i, end - i));
    }
    if (rest != nullptr) {
        const size_t comma = line.find(',', end);
        *rest = comma == std::string_view::npos ? std::string_view() : line.substr(comma + 1);
    }
    return field;
}

int16_t field_number(std::string_view field) {
    size_t i = 0;
    while (i < field.size() && (field[i] == ' ' || field[i] == '\t')) ++i;
    bool negative = false;
    if (i < field.size() && (field[i] == '+' || field[i] == '-')) {
        negative = field[i] == '-';
        ++i;
    }
    long value = 0;
    while (i < field.size() && field[i] >= '0' && field[i] <= '9') {
        value = value * 10 + (field[i] - '0');
        if (value > 40000) value = 40000;  // far enough past the 16-bit range to saturate
        ++i;
    }
    if (negative) value = -value;
    if (value > 32767) value = 32767;
    if (value < -32768) value = -32768;
    return static_cast<int16_t>(value);
}

std::string ask_text(Console& con, std::string_view prompt) {
    print_text(con, prompt);
    std::string line;
    if (!read_reply(con, line)) return {};
    return first_field(line);
}

int16_t ask_number(Console& con, std::string_view prompt) {
    print_text(con, prompt);
    std::string line;
    if (!read_reply(con, line)) return 0;
    return field_number(first_field(line));
}

}  // namespace chess
