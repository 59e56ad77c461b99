#pragma once
// The configuration file: where it is, and its parsed JSON document.

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "config/JsonReader.h"

class ConfigFile {
public:
    // The file at `path`; nothing is read until Read. Document starts as null.
    explicit ConfigFile(std::string path);
    // The full path of `fileName` in the host's plugin folder: the server's working directory + "/ArkApi/Plugins/".
    static std::string PluginPath(const std::string& fileName);

    // Reads and parses the file into Document; throws std::runtime_error and keeps the old Document on failure.
    void Read();
    // Reads and parses the file into a new document, leaving Document as it is; throws as Read does.
    // Anything but a regular file is refused without opening it. A key written twice in one
    // object is logged as a warning (and added to `duplicates` when given); the last one is used.
    nlohmann::json Parse(std::vector<DuplicateKey>* duplicates = nullptr) const;

    std::string Path;
    nlohmann::json Document;
};
