#include "config/BalanceTable.h"

#include <cstdint>
#include <string>
#include <utility>

#include <nlohmann/json.hpp>

#include "config/BalanceKeys.h"
#include "logging/Logger.h"

namespace {

using nlohmann::json;

// An entry that is neither an object nor null fails as the JSON library's operator[] would.
[[noreturn]] void ThrowNotAnObject(const json& value)
{
    throw json::type_error::create(305, std::string("cannot use operator[] with a string argument with ") + value.type_name(), &value);
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
        if (key.IsSwitch()) {
            entry.*key.Switch = found->get<bool>();  // anything but a boolean: type error 302
        } else {
            entry.*key.Multiplier = found->get<float>();  // numbers and booleans; anything else: type error 302
        }
    }
    return entry;
}

}  // namespace

BalanceTable::BalanceTable()
{
    // Never used in service: the plugin fills the table right after creating it.
    for (const BalanceKey& key : kBalanceKeys) {
        if (key.IsSwitch()) {
            Global.*key.Switch = false;
        } else {
            Global.*key.Multiplier = 0.0f;
        }
    }
}

void BalanceTable::LoadBalances(const json& document)
{
    const json& globalSection = document.at(kGlobalSection);
    BalancedDino global = ReadEntry(globalSection, FString("global"));

    const json& species = document.at(kSpeciesSection);
    std::unordered_map<std::string, BalancedDino> dinos;
    std::int32_t count = 0;
    for (const auto& pair : species.items()) {
        try {
            FString name(pair.key());
            BalancedDino entry = ReadEntry(pair.value(), name);
            // Bytes above 0x7F became '?' in the name, so two such keys can land on one entry.
            dinos[name.ToString()] = std::move(entry);
            ++count;
        } catch (const std::exception& error) {
            GetLogger()->error("Error loading dino: {}", error.what());
        }
    }

    // Only a complete read replaces the table: a failure above leaves the running one intact.
    Global = std::move(global);
    Dinos = std::move(dinos);
    GetLogger()->info("Loaded {} dino balances!", count);
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
