#pragma once
// An error in the configuration that says where it is, for the tools that point the admin at it.

#include <stdexcept>
#include <string>
#include <utility>

class ConfigError : public std::runtime_error {
public:
    // `message` is the whole text; `entry` the species key or section it is in, `key` the setting.
    ConfigError(const std::string& message, std::string entry, std::string key)
        : std::runtime_error(message), entry_(std::move(entry)), key_(std::move(key))
    {
    }
    // The species key or section ("GlobalDinoBalance") the error is in; empty for the file.
    const std::string& Entry() const { return entry_; }
    // The setting ("AllowTame") the error is about; empty when it is about the entry as a whole.
    const std::string& Key() const { return key_; }

private:
    std::string entry_;
    std::string key_;
};
