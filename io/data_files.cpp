#include "io/data_files.h"

#include <sys/stat.h>

#include "io/file_open.h"

namespace chess {

namespace {

// Set once at start-up and only read afterwards, also by search threads.
struct DataFolder {
    std::string folder;
    std::vector<std::string> group;
};

DataFolder& data_folder() {
    static DataFolder folder;
    return folder;
}

// Any entry counts, even one that cannot be read (a folder, a dangling
// link): the current folder then decides, as it always did.
bool current_folder_holds(const std::string& name) {
    struct stat info {};
    return ::lstat(name.c_str(), &info) == 0;
}

}  // namespace

void set_data_folder(const std::string& folder, const std::vector<std::string>& group) {
    data_folder() = DataFolder{folder, group};
}

std::FILE* open_data_file(const std::string& name) {
    const DataFolder& data = data_folder();
    bool use_data_folder = !data.folder.empty() && name.find('/') == std::string::npos;
    for (const std::string& member : data.group) {
        if (!use_data_folder) break;
        if (current_folder_holds(member)) use_data_folder = false;
    }
    return open_file(use_data_folder ? data.folder + "/" + name : name, FileUse::read_regular);
}

}  // namespace chess
