#pragma once
// The configuration file: where it is, and its parsed JSON document.

#include <string>

#include <nlohmann/json.hpp>

class ConfigFile {
public:
    // Builds the path under the host's plugin folder, reads the file, logs "Config Loaded!"; throws what Read throws.
    explicit ConfigFile(std::string fileName);
    // Reads and parses the file again into Document; throws std::runtime_error and keeps the old Document on failure.
    void Read();
    // Reads and parses the file into a new document, leaving Document as it is; throws as Read does.
    nlohmann::json Parse() const;

    std::string FileName;
    std::string Path;
    nlohmann::json Document;
};
