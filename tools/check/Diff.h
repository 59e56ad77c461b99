#pragma once
// dinotuner-check --diff OLD NEW.

#include <cstdio>
#include <string>

namespace check {

// Prints what a reload from `oldFile` to `newFile` would log as changed; returns the exit status
// (1 when either file has errors; with a file the plugin would not use, no difference is shown).
int PrintDiff(const std::string& oldFile, const std::string& newFile, std::FILE* out);

}  // namespace check
