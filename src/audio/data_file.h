#pragma once
// Where the audio layer finds a file it is given by a relative name: in the
// current folder, as always, and failing that in the program's installed data
// folder, found from the executable's own folder so that a relocated install
// or an unpacked package works as well.

#include <string>

// The installed data folder of a program installed in `programDir`.
std::string dataFolderOf(const std::string& programDir);

// `name` itself when it is absolute or names a file from the current folder;
// else the copy in the data folder that `programDir` (with or without a
// trailing slash) implies, when there is one; else `name`, so that opening it
// fails as it always did.
std::string findDataFile(const std::string& name, const std::string& programDir);

// The same, from the running program's folder.
std::string findDataFile(const std::string& name);
