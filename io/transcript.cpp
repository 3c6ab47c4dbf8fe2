#include "io/transcript.h"

namespace chess {

void transcript_write(GameState& g, std::string_view text) {
    if (g.transcript_on != 1 || g.transcript_file == nullptr) return;
    std::fwrite(text.data(), 1, text.size(), g.transcript_file);
}

void transcript_write_line(GameState& g, std::string_view text) {
    if (g.transcript_on != 1 || g.transcript_file == nullptr) return;
    transcript_write(g, text);
    std::fwrite("\r\n", 1, 2, g.transcript_file);
}

void transcript_close(GameState& g) {
    if (g.transcript_file != nullptr) {
        std::fclose(g.transcript_file);
        g.transcript_file = nullptr;
    }
}

}  // namespace chess
