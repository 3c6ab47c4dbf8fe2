#include "io/transcript.h"

#include "io/console_io.h"

namespace chess {

namespace {

// Each piece reaches the file as it is written, so an interrupted game loses
// nothing already recorded. A file that stops taking writes (a full disk,
// /dev/full) is reported once and the game goes on without a transcript.
void write_through(GameSession& s, std::string_view text, bool end_line) {
    if (s.transcript_on != 1 || s.transcript_file == nullptr) return;
    std::FILE* file = s.transcript_file;
    bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    if (written && end_line) written = std::fwrite("\r\n", 1, 2, file) == 2;
    if (written && std::fflush(file) == 0) return;
    s.transcript_on = 0;
    if (s.console.column != 0) print_line(s.console);
    print_line(s.console, "     ---FILE NOT SAVED---");
}

}  // namespace

void transcript_write(GameSession& s, std::string_view text) { write_through(s, text, false); }

void transcript_write_line(GameSession& s, std::string_view text) { write_through(s, text, true); }

void transcript_close(GameSession& s) {
    if (s.transcript_file != nullptr) {
        std::fclose(s.transcript_file);
        s.transcript_file = nullptr;
    }
}

}  // namespace chess
