#pragma once
// The record of hook and command requests, kept for the tests and the simulated server.

#include <string>

namespace sim::detail {

void Record(const std::string& operation, const std::string& name, void* detour = nullptr);

}  // namespace sim::detail
