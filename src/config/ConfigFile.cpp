#include "config/ConfigFile.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <system_error>
#include <utility>
#include <vector>

#include "config/JsonReader.h"
#include "host/HostApi.h"
#include "host/TextConversion.h"
#include "logging/LogText.h"
#include "logging/Logger.h"

namespace {

namespace fs = std::filesystem;

// A parse error quotes the text it stopped at, which can be the rest of a huge file: the error
// keeps the start of it.
constexpr std::size_t kMaxParseErrorCharacters = 300;
// How many keys written twice the log names, one line each.
constexpr std::size_t kMaxDuplicatesNamed = 20;

[[noreturn]] void CannotOpen(const std::string& path, const std::string& reason)
{
    throw std::runtime_error("Can't open config file: " + path + " (" + reason + ")");
}

std::string ReasonOf(int error)
{
    switch (error) {
    case ENOENT:
        return "not found";
    case EACCES:
        return "permission denied";
    default:
        return std::generic_category().message(error);
    }
}

// Only a regular file (or a link to one) is opened: a FIFO or a device would block the game
// thread until someone wrote to it, and a folder cannot be read.
void CheckIsRegularFile(const fs::path& file, const std::string& path)
{
    std::error_code error;
    const fs::file_status status = fs::status(file, error);
    if (status.type() == fs::file_type::not_found) {
        CannotOpen(path, "not found");
    }
    if (error) {
        CannotOpen(path, ReasonOf(error.value()));
    }
    if (status.type() != fs::file_type::regular) {
        CannotOpen(path, "not a regular file");
    }
}

}  // namespace

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

nlohmann::json ConfigFile::Parse(std::vector<DuplicateKey>* duplicates) const
{
    // The path is UTF-8 (or, failing that, the system's code page): on Windows it must not be
    // read in the ANSI code page, which cannot name every folder.
    const fs::path file = text::FilePath(Path);
    CheckIsRegularFile(file, Path);
    errno = 0;
    std::ifstream stream(file);
    if (!stream.is_open()) {
        CannotOpen(Path, ReasonOf(errno != 0 ? errno : EACCES));
    }
    std::vector<DuplicateKey> found;
    nlohmann::json document;
    try {
        document = ReadJson(stream, found);
    } catch (const std::exception& error) {
        throw std::runtime_error(std::string("Error parsing config file: ") + Capped(error.what(), kMaxParseErrorCharacters));
    }
    // Named one by one up to a limit: a file can repeat a key a million times, and each line is
    // written on the game thread.
    for (std::size_t i = 0; i < found.size() && i < kMaxDuplicatesNamed; ++i) {
        GetLogger()->warn("Key {} is written twice in {}: the last one is used", Quoted(found[i].Key),
                          found[i].Parent.empty() ? std::string("the file") : Quoted(found[i].Parent));
    }
    if (found.size() > kMaxDuplicatesNamed) {
        GetLogger()->warn("... and {} more keys written twice", found.size() - kMaxDuplicatesNamed);
    }
    if (duplicates != nullptr) {
        *duplicates = std::move(found);
    }
    return document;
}
