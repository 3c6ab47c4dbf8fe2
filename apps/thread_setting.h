// The console programs take the number of their search's threads from the
// environment variable CHESS_THREADS (1 to 64); without it, or with anything
// else in it, the search uses every hardware thread. Any number chooses the
// same moves.
#pragma once

#include <cstdint>
#include <cstdlib>

namespace chess {

inline int16_t threads_from_environment() {
    constexpr int max_threads = 64;
    const char* text = std::getenv("CHESS_THREADS");
    if (text == nullptr) return 0;
    int value = 0;
    const char* c = text;
    while (*c >= '0' && *c <= '9' && value <= max_threads) value = value * 10 + (*c++ - '0');
    if (*c != '\0' || c == text || value < 1 || value > max_threads) return 0;
    return static_cast<int16_t>(value);
}

}  // namespace chess
