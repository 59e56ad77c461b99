#include "config/ConfigFile.h"

#include <fstream>
#include <stdexcept>
#include <utility>

#include "host/HostApi.h"
#include "host/TextConversion.h"
#include "logging/Logger.h"

ConfigFile::ConfigFile(std::string fileName) : FileName(std::move(fileName))
{
    // Concatenated as they stand: the host's directory has no trailing separator.
    Path = ArkApi::Tools::GetCurrentDir() + "/ArkApi/Plugins/" + FileName;
    Read();
    GetLogger()->info("Config Loaded!");
}

void ConfigFile::Read()
{
    Document = Parse();
}

nlohmann::json ConfigFile::Parse() const
{
    std::ifstream file(text::FilePath(Path));
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
