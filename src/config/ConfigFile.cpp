#include "config/ConfigFile.h"

#include <fstream>
#include <stdexcept>
#include <utility>

#include "host/HostApi.h"

ConfigFile::ConfigFile(std::string path) : Path(std::move(path)) {}

std::string ConfigFile::PluginPath(const std::string& fileName)
{
    // Concatenated as they stand: the host's directory has no trailing separator.
    return ArkApi::Tools::GetCurrentDir() + "/ArkApi/Plugins/" + fileName;
}

void ConfigFile::Read()
{
    Document = Parse();
}

nlohmann::json ConfigFile::Parse() const
{
    std::ifstream file(Path);
    if (!file.is_open()) {
        throw std::runtime_error("Can't open config file: " + Path);
    }
    // A fresh value: a file that breaks half-way never leaves a partial document behind.
    nlohmann::json document;
    try {
        // Stream extraction is not strict: it stops after the first complete value, so trailing
        // text is never examined. Comments are refused and a UTF-8 byte-order mark is skipped.
        file >> document;
    } catch (const std::exception& error) {
        throw std::runtime_error(std::string("Error parsing config file: ") + error.what());
    }
    return document;
}
