// Building the opening-book files from lines of moves.
//
// A line file holds one variation per line: moves in coordinate notation
// ("E2E4"), separated by blanks, castling written as the king's move, from
// the initial position with White to move. '#' starts a comment that runs to
// the end of the line; blank lines are skipped.
//
// Every line is replayed with the program's own move generation and legality
// test. For each position reached, the next move of the line becomes a
// record "KEY,MOVE" of the book of the side to move: "WMYBOOK.TXT" when White
// is to move, "MYBOOK.TXT" when Black is. Records are kept in the order first
// met, without duplicates, at most 15 per position.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace chess {

struct BookRecord {
    std::string key;   // 64 characters: rank 8 first, files A..H
    std::string move;  // four characters, upper case
};

struct BookBuild {
    std::vector<BookRecord> white_records;  // White to move: WMYBOOK.TXT
    std::vector<BookRecord> black_records;  // Black to move: MYBOOK.TXT
    size_t lines_read = 0;
    size_t positions = 0;  // distinct (placement, side to move) with a record
    std::string error;     // empty when the build succeeded
};

inline constexpr size_t max_book_replies = 15;

// Adds the lines of one file's text to `build`; `file_name` only labels
// messages. Stops at the first bad move with `build.error` set to
// "FILE:LINE: move N TOKEN: reason".
void add_book_lines(BookBuild& build, const std::string& file_name, const std::string& text);

// The bytes of a book file: one record a line, CR LF line ends, the end
// marker "ZZ" last.
std::string book_file_text(const std::vector<BookRecord>& records);

}  // namespace chess
