// Opening files by name without ever blocking. A FIFO with nobody at the
// other end would hold a plain open() for ever, and a device such as
// /dev/full accepts an open but fails every write; the callers decide which
// kinds of file they accept.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace chess {

enum class FileUse {
    read_regular,   // an existing regular file, for reading
    write_regular,  // a regular file, created or emptied, for writing
    write_any,      // anything that can be opened for writing at once, emptied if regular
};

// The open file, or nullptr when the name holds a NUL byte, the file cannot
// be opened at once, or it is not of a kind the use allows.
std::FILE* open_file(const std::string& name, FileUse use);

// Read-only data files (the opening book) that an installed program keeps in
// a data folder of its own. Such a file is looked for in the current folder,
// as always; only when the current folder holds none of the files of the
// group is it taken from the data folder. A program that sets no data folder
// (a build-tree program, the tests) reads the current folder alone, and a
// folder that holds any of the files is read exactly as before.
//
// Sets the data folder and the names of the files that belong to it. An
// empty folder turns the data folder off. Called once at start-up, before
// any file of the group is read.
void set_data_folder(const std::string& folder, const std::vector<std::string>& group);

// Opens the regular file `name` for reading (see open_file): from the current
// folder, or from the data folder when the current folder holds no file (of
// any kind) of the group. nullptr when it cannot be read from the folder
// chosen; the other folder is then not tried.
std::FILE* open_data_file(const std::string& name);

}  // namespace chess
