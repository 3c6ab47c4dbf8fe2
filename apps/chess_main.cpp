// Entry point of chess_main.
#include "apps/console_main.h"
#include "apps/variant_settings.h"

namespace {

const char* const usage_text =
    "usage: chess_main [--help | --version]\n"
    "\n"
    "Plays chess against you at the text console. It asks three questions\n"
    "(transcript, opening book, playing Black), then takes moves such as E2E4\n"
    "and commands such as BOARD, DEPTH, SUGGEST, BACK, SAVE, LOAD and QUIT.\n"
    "\n"
    "The opening book is read from MYBOOK.TXT and WMYBOOK.TXT in the current\n"
    "folder; an installed chess_main reads the installed book when the current\n"
    "folder holds neither. SAVE, LOAD and the transcript use the current folder.\n"
    "See chess_main(6).\n";

}  // namespace

int main(int argc, char** argv) {
    return chess::console_main(argc, argv, "chess_main", usage_text, chess::main_program_settings);
}
