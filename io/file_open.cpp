#include "io/file_open.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace chess {

std::FILE* open_file(const std::string& name, FileUse use) {
    if (name.empty() || name.find('\0') != std::string::npos) return nullptr;
    const bool reading = use == FileUse::read_regular;
    // O_NONBLOCK makes the open itself return at once: a FIFO without a
    // reader fails with ENXIO instead of waiting. Regular files are only
    // emptied after their kind is known, so a refused file keeps its bytes.
    const int flags = O_NONBLOCK | O_CLOEXEC | (reading ? O_RDONLY : O_WRONLY | O_CREAT);
    const int fd = ::open(name.c_str(), flags, 0666);
    if (fd < 0) return nullptr;
    struct stat info {};
    bool usable = ::fstat(fd, &info) == 0;
    const bool regular = usable && S_ISREG(info.st_mode);
    if (use != FileUse::write_any) usable = usable && regular;
    if (usable && !reading && regular) usable = ::ftruncate(fd, 0) == 0;
    if (usable) {
        // Reads and writes after the open behave as usual.
        const int status = ::fcntl(fd, F_GETFL);
        usable = status >= 0 && ::fcntl(fd, F_SETFL, status & ~O_NONBLOCK) == 0;
    }
    std::FILE* file = usable ? ::fdopen(fd, reading ? "rb" : "wb") : nullptr;
    if (file == nullptr) ::close(fd);
    return file;
}

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
