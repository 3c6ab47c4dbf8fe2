// Fuzz target for the console's reply reader: the bytes are the whole console
// input. Lines, fields and numbers are compared with small reference readings
// written from the reading rules (lines end at LF, a CR before it dropped; a
// field as the field reader reads it; numbers with sign, leading digits and
// saturation), and every read loop must end when the input ends, printing
// exactly one line end per reply and nothing after the end.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "io/console_io.h"
#include "model/game_state.h"

namespace {

using chess::Console;

// Lines as a reader of LF-ended lines sees them: the text before each LF, and
// a last unended piece when it is not empty; one CR at the end of a line is
// not part of it.
std::vector<std::string> reference_lines(const std::string& input) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < input.size()) {
        const size_t lf = input.find('\n', start);
        const size_t end = lf == std::string::npos ? input.size() : lf;
        std::string line = input.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        if (lf == std::string::npos) break;
        start = lf + 1;
    }
    return lines;
}

struct ReferenceField {
    std::string field;
    std::string rest;  // after the first comma that follows the field
};

bool is_blank(char c) { return c == ' ' || c == '\t'; }

// Leading blanks and tabs skipped; a field opened by a double quote runs to
// the closing quote (or the line end) without the quotes; any other field
// runs to the first comma or the line end.
ReferenceField reference_field(const std::string& line) {
    ReferenceField r;
    size_t i = 0;
    while (i < line.size() && is_blank(line[i])) ++i;
    size_t after = i;
    if (i < line.size() && line[i] == '"') {
        size_t j = i + 1;
        while (j < line.size() && line[j] != '"') r.field.push_back(line[j++]);
        after = j < line.size() ? j + 1 : j;
    } else {
        while (after < line.size() && line[after] != ',') r.field.push_back(line[after++]);
    }
    while (after < line.size() && line[after] != ',') ++after;
    if (after < line.size()) r.rest = line.substr(after + 1);
    return r;
}

// After leading blanks and tabs, an optional sign and the leading decimal
// digits; no digits give 0; the value saturates at -32768 and 32767. Worked on
// the digit text so that no overflow can hide in the reference itself.
int reference_number(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && is_blank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    std::string digits;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') digits.push_back(text[i++]);
    const size_t first_significant = digits.find_first_not_of('0');
    if (first_significant == std::string::npos) return 0;
    digits.erase(0, first_significant);
    if (digits.size() > 5) return negative ? -32768 : 32767;
    const int magnitude = std::stoi(digits);
    const int value = negative ? -magnitude : magnitude;
    if (value > 32767) return 32767;
    if (value < -32768) return -32768;
    return value;
}

std::string repeated(const std::string& piece, size_t times) {
    std::string s;
    for (size_t i = 0; i < times; ++i) s += piece;
    return s;
}

void check_field_of(const std::string& line) {
    const ReferenceField expected = reference_field(line);
    std::string_view rest = "unset";
    const std::string with_rest = chess::first_field(line, &rest);
    const std::string without_rest = chess::first_field(line);
    FUZZ_CHECK(with_rest == without_rest);
    FUZZ_CHECK(with_rest == expected.field);
    FUZZ_CHECK(std::string(rest) == expected.rest);
    // The field never holds a line end, and an unquoted one never a comma or
    // a leading blank.
    FUZZ_CHECK(with_rest.find('\n') == std::string::npos);
    const size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos || line[first] != '"') {
        FUZZ_CHECK(with_rest.find(',') == std::string::npos);
        FUZZ_CHECK(with_rest.empty() || !is_blank(with_rest.front()));
    }
    // The rest is the tail of the line, so reading it again terminates.
    FUZZ_CHECK(rest.size() < line.size() || (rest.empty() && line.empty()));

    FUZZ_CHECK(chess::field_number(with_rest) == reference_number(with_rest));
    FUZZ_CHECK(chess::field_number(line) == reference_number(line));
    FUZZ_CHECK(chess::field_number(rest) == reference_number(std::string(rest)));
}

// read_reply over the whole input: the lines of the reference, one CR LF
// printed per reply when the input is piped and nothing on a terminal.
void check_read_reply(const std::string& input, const std::vector<std::string>& lines,
                      bool terminal) {
    std::istringstream in(input);
    std::ostringstream out;
    Console con;
    con.in = &in;
    con.out = &out;
    con.input_is_terminal = terminal;
    std::string line = "unset";
    size_t count = 0;
    while (chess::read_reply(con, line)) {
        FUZZ_CHECK(count < lines.size());
        FUZZ_CHECK(line == lines[count]);
        FUZZ_CHECK(line.find('\n') == std::string::npos);
        FUZZ_CHECK(!con.ended);
        FUZZ_CHECK(con.column == 0);
        ++count;
    }
    FUZZ_CHECK(count == lines.size());
    FUZZ_CHECK(con.ended);
    FUZZ_CHECK(line.empty());
    const std::string printed = terminal ? std::string() : repeated("\r\n", count);
    FUZZ_CHECK(out.str() == printed);
    // Once ended, every read returns at once and prints nothing.
    FUZZ_CHECK(!chess::read_reply(con, line));
    FUZZ_CHECK(out.str() == printed);
}

// ask_text / ask_number until the input ends: the prompt before each read,
// CR LF after each reply, and the last prompt left without a line end.
void check_ask_loop(const std::string& input, const std::vector<std::string>& lines,
                    bool as_number) {
    const std::string prompt = as_number ? "NEW VALUE= " : "FILE: ";
    std::istringstream in(input);
    std::ostringstream out;
    Console con;
    con.in = &in;
    con.out = &out;
    size_t count = 0;
    // One more round than there are lines: the last one meets the end.
    for (size_t round = 0; round <= lines.size() + 1 && !con.ended; ++round) {
        if (as_number) {
            const int16_t value = chess::ask_number(con, prompt);
            if (con.ended) {
                FUZZ_CHECK(value == 0);
                break;
            }
            FUZZ_CHECK(value == reference_number(reference_field(lines[count]).field));
        } else {
            const std::string text = chess::ask_text(con, prompt);
            if (con.ended) {
                FUZZ_CHECK(text.empty());
                break;
            }
            FUZZ_CHECK(text == reference_field(lines[count]).field);
        }
        ++count;
    }
    FUZZ_CHECK(con.ended);
    FUZZ_CHECK(count == lines.size());
    const std::string printed = repeated(prompt + "\r\n", count) + prompt;
    FUZZ_CHECK(out.str() == printed);
    // Nothing is printed after the end, not even a prompt.
    FUZZ_CHECK(chess::ask_text(con, prompt).empty());
    FUZZ_CHECK(chess::ask_number(con, prompt) == 0);
    FUZZ_CHECK(out.str() == printed);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 4096) return 0;  // replies are short; long inputs only slow the search
    const std::string input =
        size == 0 ? std::string() : std::string(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> lines = reference_lines(input);

    check_read_reply(input, lines, false);
    check_read_reply(input, lines, true);
    for (const std::string& line : lines) {
        check_field_of(line);
        // The second field, as EDIT reads it, follows the same rules.
        std::string_view rest;
        chess::first_field(line, &rest);
        check_field_of(std::string(rest));
    }
    check_ask_loop(input, lines, false);
    check_ask_loop(input, lines, true);
    return 0;
}
