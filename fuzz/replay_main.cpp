// Plain entry point for a fuzz target: runs every file of the folders (and
// every file) named on the command line through LLVMFuzzerTestOneInput, in
// name order. A failed check aborts with the input's name; otherwise prints
// "N passed, 0 failed" and exits 0. Used by ctest to replay the corpus
// without clang.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

std::vector<char> read_bytes(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

}  // namespace

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FOLDER_OR_FILE...\n", argv[0]);
        return 2;
    }
    // Absolute paths first: the target changes the working folder.
    std::vector<fs::path> inputs;
    for (int i = 1; i < argc; ++i) {
        const fs::path given = fs::absolute(argv[i]);
        std::error_code ec;
        if (fs::is_directory(given, ec)) {
            for (const auto& entry : fs::directory_iterator(given)) {
                if (entry.is_regular_file()) inputs.push_back(entry.path());
            }
        } else if (fs::is_regular_file(given, ec)) {
            inputs.push_back(given);
        } else {
            std::fprintf(stderr, "%s: no such file or folder\n", argv[i]);
            return 2;
        }
    }
    std::sort(inputs.begin(), inputs.end());
    if (inputs.empty()) {
        std::fprintf(stderr, "no inputs found\n");
        return 2;
    }

    int passed = 0;
    for (const fs::path& path : inputs) {
        const std::string name = path.string();
        chess_fuzz::current_input() = name.c_str();
        const std::vector<char> bytes = read_bytes(path);
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
        ++passed;
    }
    chess_fuzz::current_input() = nullptr;
    std::printf("%d passed, 0 failed\n", passed);
    return 0;
}
