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

}  // namespace chess
