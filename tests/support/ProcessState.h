#pragma once
// Every test starts in a process as fresh as a server that just started: the test binaries run
// all their tests in one process, shuffled and repeated, so nothing may carry over.

namespace testing_support {

// Forgets the plugin object's lists, configuration, table and logger; takes every hook and
// command out of the host, drops the host's extra log sinks (the console's goes quiet) and
// empties the world. Called before every test by the test binaries' main.
void ResetProcessState();

}  // namespace testing_support
