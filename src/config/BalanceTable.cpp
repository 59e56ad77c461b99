#include "config/BalanceTable.h"

#include <cfloat>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>

#include <nlohmann/json.hpp>

#include "config/BalanceKeys.h"
#include "logging/LogText.h"
#include "logging/Logger.h"

namespace {

using nlohmann::json;

// Every double from here up rounds to infinity as a float.
constexpr double kFloatOverflow = 0x1.ffffffp+127;

// An entry that is neither an object nor null fails as the JSON library's operator[] would.
[[noreturn]] void ThrowNotAnObject(const json& value)
{
    throw json::type_error::create(305, std::string("cannot use operator[] with a string argument with ") + value.type_name(), &value);
}

// A number key's value as the rules use it. A value that a float cannot hold would silently
// become infinity (an invulnerable species) or 0 (which reads as not set): it is an error instead.
float ToFloat(const json& value, const BalanceKey& key)
{
    if (value.is_number_integer()) {
        // Converted directly, as the library converts it: a detour through double could round twice.
        return value.is_number_unsigned() ? static_cast<float>(value.get<std::uint64_t>()) : static_cast<float>(value.get<std::int64_t>());
    }
    if (!value.is_number_float()) {
        return value.get<float>();  // a boolean is 1 or 0; anything else is the library's type error 302
    }
    const double wide = value.get<double>();
    if (wide >= kFloatOverflow || wide <= -kFloatOverflow) {
        throw std::out_of_range(value.dump() + " does not fit in a 32-bit float (key " + Quoted(key.Name) + ")");
    }
    const float narrow = static_cast<float>(wide);
    if (narrow == 0.0f && wide != 0.0) {
        throw std::out_of_range(value.dump() + " is too small for a 32-bit float and would read as 0 (key " + Quoted(key.Name) + ")");
    }
    return narrow;
}

// The library's type error for one key, with the key named.
[[noreturn]] void ThrowWithKey(const json::type_error& error, const BalanceKey& key)
{
    throw std::runtime_error(std::string(error.what()) + " (key " + Quoted(key.Name) + ")");
}

// Reads the ten keys of one entry over the defaults, in the order errors are reported. The
// document is only read through const access: it may be arbitrarily deep, and a copy (or a
// missing key added by operator[]) would recurse through all of it.
BalancedDino ReadEntry(const json& value, FString name)
{
    BalancedDino entry;
    entry.Name = std::move(name);
    if (value.is_null()) {
        return entry;
    }
    if (!value.is_object()) {
        ThrowNotAnObject(value);
    }
    for (const BalanceKey& key : kBalanceKeys) {
        const auto found = value.find(key.Name);
        if (found == value.end() || found->is_null()) {
            continue;
        }
        try {
            if (key.IsSwitch()) {
                entry.*key.Switch = found->get<bool>();  // anything but a boolean: type error 302
            } else {
                entry.*key.Multiplier = ToFloat(*found, key);
            }
        } catch (const json::type_error& error) {
            ThrowWithKey(error, key);
        }
    }
    return entry;
}

// The entry's error with the entry named, for the log and the reply.
std::string InEntry(const std::exception& error, const std::string& where)
{
    return std::string(error.what()) + " in " + Quoted(where);
}

// The map key of a species: its JSON key's UTF-8 bytes up to the first zero character, so that
// it compares with the UTF-8 of the class's path.
std::string SpeciesKey(const std::string& key)
{
    return key.substr(0, key.find('\0'));
}

}  // namespace

BalanceTable::BalanceTable()
{
    Global.Name = FString("global");
}

LoadReport BalanceTable::LoadBalances(const json& document)
{
    const json& globalSection = document.at(kGlobalSection);
    BalancedDino global;
    try {
        global = ReadEntry(globalSection, FString("global"));
    } catch (const std::exception& error) {
        throw std::runtime_error(InEntry(error, kGlobalSection));
    }

    const json& species = document.at(kSpeciesSection);
    if (species.is_array()) {
        GetLogger()->warn("\"{}\" is an array, not an object: its entries are read under \"0\", \"1\", ... and match no species",
                          kSpeciesSection);
    }
    LoadReport report;
    std::unordered_map<std::string, BalancedDino> dinos;
    for (const auto& pair : species.items()) {
        ++report.Entries;
        try {
            const std::string key = SpeciesKey(pair.key());
            dinos[key] = ReadEntry(pair.value(), FString::FromUtf8(key));
            ++report.Stored;
        } catch (const std::exception& error) {
            const std::string message = InEntry(error, pair.key());
            GetLogger()->error("Error loading dino: {}", message);
            if (report.Skipped++ == 0) {
                report.FirstSkipped = message;
            }
        }
    }

    // Only a complete read replaces the table: a failure above leaves the running one intact.
    Global = std::move(global);
    Dinos = std::move(dinos);
    GetLogger()->info("Loaded {} dino balances!", report.Stored);
    return report;
}

std::shared_ptr<BalancedDino> BalanceTable::Find(std::string key) const
{
    const auto found = Dinos.find(key);
    if (found == Dinos.end()) {
        return nullptr;
    }
    return std::make_shared<BalancedDino>(found->second);
}

std::shared_ptr<BalancedDino> BalanceTable::Find(FString key) const
{
    return Find(key.ToString());
}
