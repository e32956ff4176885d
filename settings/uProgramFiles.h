#pragma once
// Where the running program's own file is.
#include <string>

// Full path of the program's file.
std::string ProgramFileName();
// Its folder, with a trailing backslash.
std::string ProgramFolder();
// True for an existing file; folders do not count.
bool FileExists(const std::string& path);
