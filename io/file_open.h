// Opening files by name without ever blocking. A FIFO with nobody at the
// other end would hold a plain open() for ever, and a device such as
// /dev/full accepts an open but fails every write; the callers decide which
// kinds of file they accept.
#pragma once

#include <cstdio>
#include <string>

namespace chess {

enum class FileUse {
    read_regular,   // an existing regular file, for reading
    write_regular,  // a regular file, created or emptied, for writing
    write_any,      // anything that can be opened for writing at once, emptied if regular
};

// The open file, or nullptr when the name holds a NUL byte, the file cannot
// be opened at once, or it is not of a kind the use allows.
std::FILE* open_file(const std::string& name, FileUse use);

}  // namespace chess
