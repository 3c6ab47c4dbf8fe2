#include "apps/program_options.h"

#include <filesystem>
#include <iostream>
#include <string_view>
#include <system_error>

#include "io/file_open.h"

#ifndef CHESS_VERSION
#define CHESS_VERSION "unknown"
#endif
// The data folder relative to the folder of the installed programs, and the
// name of that folder; both follow the install layout chosen in the build.
#ifndef CHESS_DATA_FROM_BIN
#define CHESS_DATA_FROM_BIN "../share/games/quentaro-chess"
#endif
#ifndef CHESS_BIN_FOLDER_NAME
#define CHESS_BIN_FOLDER_NAME "games"
#endif

namespace chess {

const char* program_version() { return CHESS_VERSION; }

int handle_program_arguments(int argc, char** argv, const char* name, const char* usage) {
    if (argc < 2) return -1;
    const std::string_view arg = argv[1];
    if (argc == 2 && (arg == "--help" || arg == "-h")) {
        std::cout << usage;
        return 0;
    }
    if (argc == 2 && arg == "--version") {
        std::cout << name << " (Quentaro Chess) " << program_version() << "\n";
        return 0;
    }
    const std::string_view unknown =
        arg == "--help" || arg == "-h" || arg == "--version" ? std::string_view(argv[2]) : arg;
    std::cerr << name << ": unknown argument '" << unknown << "' (try " << name << " --help)\n";
    return 2;
}

std::string installed_data_folder() {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec || exe.empty()) return {};
    const std::filesystem::path bin = exe.parent_path();
    if (bin.filename() != CHESS_BIN_FOLDER_NAME) return {};
    return (bin / CHESS_DATA_FROM_BIN).lexically_normal().string();
}

void use_installed_book() {
    const std::string folder = installed_data_folder();
    if (!folder.empty()) set_data_folder(folder, {"MYBOOK.TXT", "WMYBOOK.TXT"});
}

}  // namespace chess
