#pragma once
// The plugin loaded into the simulated world the way the host loads it (process attach), over a
// fresh server directory with a given config file, its log recorded.

#include <memory>
#include <string>

#include "support/RecordingSink.h"
#include "support/ServerDir.h"
#include "world/World.h"

namespace testing_support {

class LoadedPlugin {
public:
    // Writes `config`, makes sure the world exists, delivers process attach.
    explicit LoadedPlugin(const std::string& config);
    // Delivers process detach.
    ~LoadedPlugin();

    sim::World& World() { return sim::World::Get(); }
    RecordingSink& Log() { return *log_; }
    const ServerDir& Server() const { return server_; }

private:
    std::shared_ptr<RecordingSink> log_;
    ServerDir server_;
};

// "Blueprint'" + reference less its last two characters + "'", for writing config keys in tests.
std::string PathOfReference(const std::string& reference);

}  // namespace testing_support
