#pragma once
// A fresh server working directory for one test, reported by the host as its current dir.

#include <string>

namespace testing_support {

class ServerDir {
public:
    // Creates an empty directory under the system's temp folder, its name ending in `suffix`
    // (UTF-8), and points the host at it.
    explicit ServerDir(const std::string& suffix = "");
    ~ServerDir();
    ServerDir(const ServerDir&) = delete;
    ServerDir& operator=(const ServerDir&) = delete;

    // The directory, UTF-8.
    const std::string& Path() const { return path_; }
    // Full path of the plugin's config file in this directory.
    std::string ConfigPath() const;
    // Writes `text` as the whole config file (creating folders).
    void WriteConfig(const std::string& text) const;
    // Deletes the config file.
    void DeleteConfig() const;

private:
    std::string path_;
};

// A small valid configuration with no species entries.
inline const char* kEmptyConfig = R"({"GlobalDinoBalance": null, "DinoBalance": {}})";

}  // namespace testing_support
