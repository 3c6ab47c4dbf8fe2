// The UCI dialogue: commands from a graphical interface or match tool on one
// stream, answers on the other. The search runs on a thread of its own so that
// "stop", "isready" and "quit" are answered while it runs.
#pragma once

#include <iosfwd>

namespace chess::uci {

// Reads commands until "quit" or the end of input and answers them. At the
// end of input a running search still ends as planned ("go infinite" is
// stopped) and its answer is written. Returns the exit status, 0.
int run_session(std::istream& in, std::ostream& out);

}  // namespace chess::uci
