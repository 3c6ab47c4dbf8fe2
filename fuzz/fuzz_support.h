// Helpers shared by the fuzz targets: a check that stops the run with a
// message, and a private scratch working folder, since the code under test
// reads and writes its files in the working folder.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace chess_fuzz {

// Name of the input being run, for the failure message. The replay program
// sets it; under libFuzzer the crash file it writes names the input.
inline const char*& current_input() {
    static const char* name = nullptr;
    return name;
}

[[noreturn]] inline void fail(const char* file, int line, const char* what) {
    std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, what);
    if (current_input() != nullptr) std::fprintf(stderr, "input: %s\n", current_input());
    std::fflush(stderr);
    std::abort();
}

// Active in every build type: the replay programs run in Release builds too.
#define FUZZ_CHECK(condition)                                                 \
    do {                                                                      \
        if (!(condition)) ::chess_fuzz::fail(__FILE__, __LINE__, #condition); \
    } while (0)

namespace detail {

inline std::filesystem::path& scratch_path() {
    static std::filesystem::path path;
    return path;
}

inline void remove_scratch_folder() {
    std::error_code ec;
    if (!scratch_path().empty()) std::filesystem::remove_all(scratch_path(), ec);
}

}  // namespace detail

// Creates a fresh folder under the temporary folder and makes it the working
// folder, once per process; it is removed when the process exits normally.
// Paths given to the process must be made absolute before the first call.
inline void enter_scratch_folder() {
    if (!detail::scratch_path().empty()) return;
    std::string pattern = (std::filesystem::temp_directory_path() / "chess_fuzz_XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        std::perror("mkdtemp");
        std::abort();
    }
    detail::scratch_path() = pattern;
    std::filesystem::current_path(pattern);
    std::atexit(detail::remove_scratch_folder);
}

// Removes everything the last input left in the scratch folder, so inputs
// never see each other's files.
inline void clear_scratch_folder() {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(detail::scratch_path(), ec)) {
        std::filesystem::remove_all(entry.path(), ec);
    }
}

}  // namespace chess_fuzz
