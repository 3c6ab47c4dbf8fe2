// chess_uci: the engine of Quentaro Chess for UCI graphical interfaces and
// match tools, speaking the protocol on standard input and output.
#include <iostream>

#include "apps/program_options.h"
#include "uci/session.h"

namespace {

const char* const usage_text =
    "usage: chess_uci [--help | --version]\n"
    "\n"
    "The Quentaro Chess engine for UCI interfaces: it reads UCI commands on\n"
    "standard input and answers on standard output. Options: OwnBook (default\n"
    "true) and Threads (1 to 64). The book is read from MYBOOK.TXT and\n"
    "WMYBOOK.TXT in the working folder; an installed chess_uci reads the\n"
    "installed book when the working folder holds neither. See chess_uci(6).\n";

}  // namespace

int main(int argc, char** argv) {
    const int status = chess::handle_program_arguments(argc, argv, "chess_uci", usage_text);
    if (status >= 0) return status;
    chess::use_installed_book();
    return chess::uci::run_session(std::cin, std::cout);
}
