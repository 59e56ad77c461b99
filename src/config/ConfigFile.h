#pragma once
// The configuration file: where it is, and its parsed JSON document.

#include <cstdint>
#include <string>

#include <nlohmann/json.hpp>

#include "config/JsonReader.h"
#include "config/MapSections.h"

class ConfigFile {
public:
    // The largest file read, in MB (MiB): 100,000 species entries take about 10 MB, and a larger
    // file would hold the game thread and its memory for nothing.
    static constexpr std::uint64_t kMaxMegabytes = 32;
    static constexpr std::uint64_t kMaxBytes = kMaxMegabytes * 1024 * 1024;

    // The file at `path`; nothing is read until Read. Document starts as null.
    explicit ConfigFile(std::string path);
    // The full path of `fileName` in the host's plugin folder: the server's working directory + "/ArkApi/Plugins/".
    static std::string PluginPath(const std::string& fileName);

    // Reads and parses the file into Document and its digest into Sha256; throws std::runtime_error
    // and keeps both as they were on failure.
    void Read();
    // Reads and parses the file into a new document, leaving Document as it is; throws as Read does.
    // Anything but a regular file, and a file above kMaxBytes, is refused without being read. A
    // key written twice in one object is logged as a warning (and noted in `duplicates` when
    // given); the last one is used. `sha256`, when given, gets the SHA-256 (hex) of the bytes read.
    nlohmann::json Parse(DuplicateKeys* duplicates = nullptr, std::string* sha256 = nullptr) const;

    std::string Path;
    nlohmann::json Document;
    // The map this server runs and the section of "Maps" that the table in effect was filled with.
    MapInEffect Map;
    // The SHA-256 (hex) of the bytes Document was read from; empty before the first good Read.
    std::string Sha256;
};
