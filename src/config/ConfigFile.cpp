#include "config/ConfigFile.h"

#include <stdexcept>
#include <string_view>
#include <utility>

#include "config/JsonReader.h"
#include "host/HostApi.h"
#include "host/Sha256.h"
#include "host/TextConversion.h"
#include "logging/LogText.h"
#include "logging/Logger.h"

namespace {

// A parse error quotes the text it stopped at, which can be the rest of a huge file: the error
// keeps the start of it.
constexpr std::size_t kMaxParseErrorCharacters = 300;

[[noreturn]] void CannotOpen(const std::string& path, const std::string& reason)
{
    throw std::runtime_error("Can't open config file: " + path + " (" + reason + ")");
}

std::string ReasonOf(const text::FileBytes& file)
{
    switch (file.Error) {
    case text::FileError::NotFound:
        return "not found";
    case text::FileError::PermissionDenied:
        return "permission denied";
    case text::FileError::NotRegular:
        return "not a regular file";
    case text::FileError::TooLarge:
        return "larger than " + std::to_string(ConfigFile::kMaxMegabytes) + " MB";
    default:
        return file.Reason;
    }
}

// True for text in UTF-16, as Windows editors save "Unicode": it starts with a UTF-16 byte-order
// mark, or, without one, one of its first two bytes is 0 (a JSON text starts with two ASCII
// characters, each of which is one byte and a 0 in UTF-16, and UTF-8 text has no 0 byte).
bool IsUtf16(std::string_view bytes)
{
    if (bytes.size() < 2) {
        return false;
    }
    const std::string_view start = bytes.substr(0, 2);
    if (start == "\xFF\xFE" || start == "\xFE\xFF") {
        return true;
    }
    return (start[0] == '\0') != (start[1] == '\0');
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
    std::string digest;
    Document = Parse(nullptr, &digest);
    Sha256 = std::move(digest);
}

nlohmann::json ConfigFile::Parse(DuplicateKeys* duplicates, std::string* sha256) const
{
    // Only a regular file is read: a FIFO or a device would block the game thread until someone
    // wrote to it, and a folder cannot be read. The path is UTF-8 (or, failing that, the
    // system's code page): on Windows it must not be read in the ANSI code page, which cannot
    // name every folder.
    const text::FileBytes file = text::ReadRegularFile(Path, kMaxBytes);
    if (file.Error != text::FileError::None) {
        CannotOpen(Path, ReasonOf(file));
    }
    // Said plainly, rather than as an invalid literal at line 1 quoting bytes that are not text.
    if (IsUtf16(file.Bytes)) {
        throw std::runtime_error("Error parsing config file: the file is UTF-16; save it as UTF-8");
    }
    DuplicateKeys found;
    nlohmann::json document;
    try {
        document = ReadJson(file.Bytes, found);
    } catch (const std::exception& error) {
        throw std::runtime_error(std::string("Error parsing config file: ") + Capped(error.what(), kMaxParseErrorCharacters));
    }
    // Named one by one up to a limit: a file can repeat a key a million times, and each line is
    // written on the game thread.
    for (const DuplicateKey& duplicate : found.Named) {
        GetLogger()->warn("Key {} is written twice in {}: the last one is used", Quoted(duplicate.Key),
                          duplicate.Parent.empty() ? std::string("the file") : Quoted(duplicate.Parent));
    }
    if (found.More > 0) {
        GetLogger()->warn("... and {} more keys written twice", found.More);
    }
    if (duplicates != nullptr) {
        *duplicates = std::move(found);
    }
    // Of the very bytes parsed: a file rewritten since has another revision, even if it reads the same.
    if (sha256 != nullptr) {
        *sha256 = text::Sha256Hex(file.Bytes);
    }
    return document;
}
