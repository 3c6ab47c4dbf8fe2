// The console layer: printing with CR LF line ends, the number format and
// 14-column print zones, prompts, and reading one reply field.
//
// Once the console has ended (end of input, or the program was told to end)
// nothing more is printed and every read returns at once, so callers only
// have to stop looping; they never print after the end.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "model/game_state.h"

namespace chess {

inline constexpr int print_zone_width = 14;

void print_text(Console& con, std::string_view text);
void print_line(Console& con, std::string_view text = {});
// A number in the console format: "-" or a blank, the digits, one blank.
void print_number(Console& con, int value);
std::string format_number(int value);
// Blanks up to the start of the next 14-column print zone.
void next_print_zone(Console& con);

// Reads one line of input after flushing the output. Strips the line end
// (LF or CR LF). When the input is not a terminal, prints CR LF after the
// reply, so a piped session reads like a typed one. Returns false and ends the
// console at end of input.
bool read_reply(Console& con, std::string& line);

// The first field of a reply: leading blanks and tabs skipped; the field ends
// at the line end or at a comma outside double quotes; a field that begins
// with a double quote runs to the closing quote (quotes dropped). When rest is
// given, it receives what follows the first comma after the field.
std::string first_field(std::string_view line, std::string_view* rest = nullptr);

// A field read as a number: optional sign and leading decimal digits after
// leading blanks; anything else gives 0; saturates at -32768 and 32767.
int16_t field_number(std::string_view field);

// Shows the prompt unchanged and reads one field as text / as a number.
// Check con.ended afterwards: at end of input they return "" / 0.
std::string ask_text(Console& con, std::string_view prompt);
int16_t ask_number(Console& con, std::string_view prompt);

}  // namespace chess
