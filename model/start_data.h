// Built-in start-up data: the initial position and the ten evaluation tables.
#pragma once

#include <cstdint>

namespace chess {

inline constexpr int start_data_size = 704;
extern const int16_t start_data[start_data_size];

}  // namespace chess
