#include "io/transcript.h"

#include "io/console_io.h"

namespace chess {

namespace {

// Each piece reaches the file as it is written, so an interrupted game loses
// nothing already recorded. A file that stops taking writes (a full disk,
// /dev/full) is reported once and the game goes on without a transcript.
void write_through(GameState& g, std::string_view text, bool end_line) {
    if (g.transcript_on != 1 || g.transcript_file == nullptr) return;
    std::FILE* file = g.transcript_file;
    bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    if (written && end_line) written = std::fwrite("\r\n", 1, 2, file) == 2;
    if (written && std::fflush(file) == 0) return;
    g.transcript_on = 0;
    if (g.console.column != 0) print_line(g.console);
    print_line(g.console, "     ---FILE NOT SAVED---");
}

}  // namespace

void transcript_write(GameState& g, std::string_view text) { write_through(g, text, false); }

void transcript_write_line(GameState& g, std::string_view text) { write_through(g, text, true); }

void transcript_close(GameState& g) {
    if (g.transcript_file != nullptr) {
        std::fclose(g.transcript_file);
        g.transcript_file = nullptr;
    }
}

}  // namespace chess
