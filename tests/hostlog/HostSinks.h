#pragma once
// The host's sink list as the host built with its own spdlog hands it out, for the logger's tests
// in this build: HostSinks.cpp is the only file of the test that includes that spdlog.

namespace testing_support {

// Empties the host's sink list and forgets every line recorded.
void ResetHostSinks();

}  // namespace testing_support
