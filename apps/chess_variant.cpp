// Entry point of chess_variant.
#include "apps/console_main.h"
#include "apps/variant_settings.h"

namespace {

const char* const usage_text =
    "usage: chess_variant [--help | --version]\n"
    "\n"
    "Plays chess against you at the text console, as chess_main does, with a\n"
    "few differences in its messages and in QUIT, SWAP, WHITE, BLACK and the\n"
    "end of the game.\n"
    "\n"
    "The opening book is read from MYBOOK.TXT and WMYBOOK.TXT in the current\n"
    "folder; an installed chess_variant reads the installed book when the current\n"
    "folder holds neither. SAVE, LOAD and the transcript use the current folder.\n"
    "See chess_variant(6).\n";

}  // namespace

int main(int argc, char** argv) {
    return chess::console_main(argc, argv, "chess_variant", usage_text,
                               chess::variant_program_settings);
}
