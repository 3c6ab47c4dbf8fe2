// chess_book: builds the opening-book files from files of opening lines.
//
// usage: chess_book [-o DIR] LINEFILE...   (also --help, --version)
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "apps/book_builder.h"
#include "apps/program_options.h"

namespace {

const char* const usage_text =
    "usage: chess_book [-o DIR] LINEFILE...\n"
    "       chess_book --help | --version\n"
    "\n"
    "Builds the opening-book files MYBOOK.TXT (replies when Black is to move)\n"
    "and WMYBOOK.TXT (replies when White is to move) in DIR, the current folder\n"
    "by default, from files of opening lines.\n"
    "\n"
    "A line file holds one variation per line: moves such as E2E4 separated by\n"
    "blanks, from the initial position, castling written as the king's move\n"
    "(E1G1). '#' starts a comment. Every move is checked with the program's own\n"
    "rules; an illegal or unreadable move, an en passant capture or a promotion\n"
    "stops the build, and no book file is written. See chess_book(6).\n";

// Writes through a temporary file and renames it, so a failed write never
// leaves a half-written book behind.
bool write_whole_file(const std::filesystem::path& path, const std::string& bytes) {
    const std::filesystem::path temporary = path.string() + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        out << bytes;
        out.flush();
        if (!out) {
            out.close();
            std::error_code ec;
            std::filesystem::remove(temporary, ec);
            return false;
        }
    }
    std::error_code ec;
    std::filesystem::rename(temporary, path, ec);
    if (ec) std::filesystem::remove(temporary, ec);
    return !ec;
}

}  // namespace

int main(int argc, char** argv) {
    std::filesystem::path out_dir = ".";
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::cout << usage_text;
            return 0;
        }
        if (arg == "--version") {
            std::cout << "chess_book (Quentaro Chess) " << chess::program_version() << "\n";
            return 0;
        }
        if (arg == "-o") {
            if (i + 1 >= argc) {
                std::cerr << "chess_book: -o needs a folder\n" << usage_text;
                return 2;
            }
            out_dir = argv[++i];
        } else if (arg.size() > 1 && arg[0] == '-') {
            std::cerr << "chess_book: unknown argument '" << arg << "' (try chess_book --help)\n";
            return 2;
        } else {
            files.push_back(arg);
        }
    }
    if (files.empty()) {
        std::cerr << usage_text;
        return 2;
    }

    chess::BookBuild build;
    for (const std::string& name : files) {
        std::ifstream in(name, std::ios::binary);
        if (!in) {
            std::cerr << "chess_book: " << name << ": cannot be read\n";
            return 1;
        }
        std::ostringstream text;
        text << in.rdbuf();
        chess::add_book_lines(build, name, text.str());
        if (!build.error.empty()) {
            std::cerr << "chess_book: " << build.error << "\n";
            return 1;
        }
    }

    std::error_code ec;
    if (!std::filesystem::is_directory(out_dir, ec)) {
        std::cerr << "chess_book: " << out_dir.string() << ": no such folder\n";
        return 1;
    }
    if (!write_whole_file(out_dir / "WMYBOOK.TXT", chess::book_file_text(build.white_records)) ||
        !write_whole_file(out_dir / "MYBOOK.TXT", chess::book_file_text(build.black_records))) {
        std::cerr << "chess_book: cannot write the book files into " << out_dir.string() << "\n";
        return 1;
    }
    std::cout << "lines read: " << build.lines_read << "\n"
              << "positions: " << build.positions << "\n"
              << "WMYBOOK.TXT (White to move): " << build.white_records.size() << " records\n"
              << "MYBOOK.TXT (Black to move): " << build.black_records.size() << " records\n";
    return 0;
}
