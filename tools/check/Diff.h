#pragma once
// dinotuner-check --diff OLD NEW.

#include <cstdio>
#include <optional>
#include <string>

namespace check {

// Prints what a reload from `oldFile` to `newFile` would log as changed; returns the exit status
// (1 when either file has errors; with a file the plugin would not use, no difference is shown),
// on map `map` when given (each file's section for it over its base).
int PrintDiff(const std::string& oldFile, const std::string& newFile, const std::optional<std::string>& map, std::FILE* out);

}  // namespace check
