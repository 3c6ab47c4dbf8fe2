// chess_uci: the engine of Quentaro Chess for UCI graphical interfaces and
// match tools, speaking the protocol on standard input and output.
#include <iostream>

#include "uci/session.h"

int main() { return chess::uci::run_session(std::cin, std::cout); }
