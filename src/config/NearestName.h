#pragma once
// The known name an unknown one was most likely meant to be, for hints in the checker's findings,
// the load's warnings and DinoTuner.Show.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

// Edits (insert, delete, replace a byte) that turn `a` into `b`.
std::size_t EditDistance(const std::string& a, const std::string& b);
// The one of `known` closest to `unknown` ignoring ASCII case: a close spelling, or a name that
// contains it (3 characters or more); none when nothing is close.
std::optional<std::string> NearestName(const std::string& unknown, const std::vector<std::string>& known);
