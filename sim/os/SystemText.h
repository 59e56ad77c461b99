#pragma once
// Text the system hands the server, as UTF-8: its command line and full paths. Windows hands
// these out as UTF-16 (its narrow forms use the ANSI code page, which cannot hold every name);
// the server works in UTF-8 throughout.

#include <string>
#include <vector>

namespace sim::os {

// The program's arguments after its name, as UTF-8 (on Windows read from the UTF-16 command line).
std::vector<std::string> ProgramArguments(int argc, char** argv);
// The full path of the UTF-8 `path` as the system reports it (drive letter and backslashes on
// Windows); elsewhere `path` as it stands.
std::string FullPath(const std::string& path);

}  // namespace sim::os
