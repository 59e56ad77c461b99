#include "config/BalanceTable.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include <fmt/format.h>

#include <nlohmann/json.hpp>

#include "config/BalanceKeys.h"
#include "config/ConfigError.h"
#include "config/FloatFit.h"
#include "logging/LogText.h"
#include "logging/Logger.h"

namespace {

using nlohmann::json;

// An entry that is neither an object nor null fails as the JSON library's operator[] would.
[[noreturn]] void ThrowNotAnObject(const json& value)
{
    throw json::type_error::create(305, std::string("cannot use operator[] with a string argument with ") + value.type_name(), &value);
}

// A key as errors name it: "AttackDamageMultiplier", or "Wild.AttackDamageMultiplier" inside a
// side. The text is made only for an error: reading a good entry allocates nothing.
struct KeyName {
    const char* Side;
    const char* Key;

    std::string Text() const { return Side != nullptr ? std::string(Side) + "." + Key : std::string(Key); }
};

// A number key's value as the rules use it. A value that a float cannot hold would silently
// become infinity (an invulnerable species) or 0 (which reads as not set): it is an error instead.
float ToFloat(const json& value, const KeyName& name)
{
    if (value.is_number_integer()) {
        // Converted directly, as the library converts it: a detour through double could round twice.
        return value.is_number_unsigned() ? static_cast<float>(value.get<std::uint64_t>()) : static_cast<float>(value.get<std::int64_t>());
    }
    if (!value.is_number_float()) {
        return value.get<float>();  // a boolean is 1 or 0; anything else is the library's type error 302
    }
    const double wide = value.get<double>();
    switch (FloatFitOf(wide)) {
    case FloatFit::TooLarge:
        throw ConfigError(value.dump() + " does not fit in a 32-bit float (key " + Quoted(name.Text()) + ")", "", name.Text());
    case FloatFit::TooSmall:
        throw ConfigError(value.dump() + " is too small for a 32-bit float and would read as 0 (key " + Quoted(name.Text()) + ")", "",
                          name.Text());
    case FloatFit::Fits:
        break;
    }
    return static_cast<float>(wide);
}

// The library's type error for one key, with the key named.
[[noreturn]] void ThrowWithKey(const json::type_error& error, const KeyName& name)
{
    throw ConfigError(std::string(error.what()) + " (key " + Quoted(name.Text()) + ")", "", name.Text());
}

// "AttackDamageMultiplier, DamageResistanceMultiplier and TurretDamageMultiplier": what a side may hold.
std::string SideKeyNames()
{
    std::vector<const char*> names;
    for (const BalanceKey& key : kBalanceKeys) {
        if (key.SideMultiplier != nullptr) {
            names.push_back(key.Name);
        }
    }
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i) {
        text += i == 0 ? "" : i + 1 == names.size() ? " and " : ", ";
        text += names[i];
    }
    return text;
}

// A "Tamed" or "Wild" object: only the damage keys may stand in it. Consumption rates reach
// tamed dinos only anyway, and the switches are about what players do to a dino, so any other
// key there is a mistake the admin must hear of, not a setting to drop silently.
DamageSettings ReadSide(const json& value, const DamageSide& side, DamageSettings settings)
{
    if (value.is_null()) {
        return settings;
    }
    if (!value.is_object()) {
        throw ConfigError(Quoted(side.Name) + " must be an object of damage multipliers, but is " + value.type_name(), "",
                          side.Name);
    }
    std::array<const json*, kBalanceKeys.size()> written{};
    for (const auto& [name, member] : value.get_ref<const json::object_t&>()) {
        const BalanceKey* key = FindBalanceKey(name);
        if (key == nullptr || key->SideMultiplier == nullptr) {
            throw ConfigError(Quoted(name) + " cannot stand in " + Quoted(side.Name) + ": it takes only " + SideKeyNames(), "",
                              std::string(side.Name) + "." + name);
        }
        written[static_cast<std::size_t>(key - kBalanceKeys.data())] = &member;
    }
    for (std::size_t i = 0; i < kBalanceKeys.size(); ++i) {
        const BalanceKey& key = kBalanceKeys[i];
        const json* found = written[i];
        // Only a damage key is ever written here; testing it again lets the compiler see so.
        if (key.SideMultiplier == nullptr || found == nullptr || found->is_null()) {
            continue;
        }
        const KeyName name{side.Name, key.Name};
        try {
            settings.*key.SideMultiplier = ToFloat(*found, name);
        } catch (const json::type_error& error) {
            ThrowWithKey(error, name);
        }
    }
    return settings;
}

// Reads the ten keys of one entry over the defaults, in the order errors are reported, then its
// "Tamed" and "Wild" objects. The document is only read through const access: it may be
// arbitrarily deep, and a copy (or a missing key added by operator[]) would recurse through all
// of it. The entry's own members are walked once (most entries set a key or two), and the keys
// then taken in their table's order. `species` is false for the global section, whose "Tamed"
// and "Wild" are not read: its damage settings never apply.
BalancedDino ReadBalanceValues(const json& value, bool species)
{
    BalancedDino entry;
    if (value.is_null()) {
        return entry;
    }
    if (!value.is_object()) {
        ThrowNotAnObject(value);
    }
    std::array<const json*, kBalanceKeys.size()> written{};
    std::array<const json*, kDamageSides.size()> sides{};
    for (const auto& [name, member] : value.get_ref<const json::object_t&>()) {
        if (const BalanceKey* key = FindBalanceKey(name)) {
            written[static_cast<std::size_t>(key - kBalanceKeys.data())] = &member;
        } else if (const DamageSide* side = FindDamageSide(name); side != nullptr && species) {
            sides[static_cast<std::size_t>(side - kDamageSides.data())] = &member;
        }
    }
    for (std::size_t i = 0; i < kBalanceKeys.size(); ++i) {
        const BalanceKey& key = kBalanceKeys[i];
        const json* found = written[i];
        if (found == nullptr || found->is_null()) {
            continue;
        }
        try {
            if (key.IsSwitch()) {
                entry.*key.Switch = found->get<bool>();  // anything but a boolean: type error 302
            } else {
                entry.*key.Multiplier = ToFloat(*found, KeyName{nullptr, key.Name});
            }
        } catch (const json::type_error& error) {
            ThrowWithKey(error, KeyName{nullptr, key.Name});
        }
    }
    for (std::size_t i = 0; i < kDamageSides.size(); ++i) {
        if (sides[i] != nullptr) {
            const DamageSide& side = kDamageSides[i];
            entry.*side.Settings = ReadSide(*sides[i], side, entry.*side.Settings);
        }
    }
    return entry;
}

// The entry's error with the entry named, for the log and the reply.
std::string InEntry(const std::exception& error, const std::string& where)
{
    return std::string(error.what()) + " in " + Quoted(where);
}

// The setting an entry's error is about, when it is about one.
std::string KeyOfError(const std::exception& error)
{
    const auto* named = dynamic_cast<const ConfigError*>(&error);
    return named != nullptr ? named->Key() : std::string();
}

// The map key of a species: its JSON key's UTF-8 bytes up to the first zero character, so that
// it compares with the UTF-8 of the class's path.
std::string_view SpeciesKey(std::string_view key)
{
    return key.substr(0, key.find('\0'));
}

// Where the update puts the entries of the document that change the table, in document order:
// which entries those are (a bit per entry), and each one's place, in the table or among the
// nodes made for keys the table does not have yet. `New` marks the first entry of such a key,
// which moves its node into the table. A reload may change every one of 100,000 entries: a
// place costs 8 bytes and a bit or two, not a copy of the entry.
struct Placements {
    std::vector<bool> Placed;
    std::vector<BalanceTable::SpeciesMap::value_type*> Slots;
    std::vector<bool> New;

    void Add(std::size_t entry, BalanceTable::SpeciesMap::value_type* slot, bool isNew)
    {
        Placed[entry] = true;
        Slots.push_back(slot);
        New.push_back(isNew);
    }
};

// What the reading of a document prepares for the update.
struct Prepared {
    Placements Places;
    BalanceTable::SpeciesMap Added;
    // The table's entries the document keeps (once or, for keys cut short at a zero, more often).
    std::vector<const BalanceTable::SpeciesMap::value_type*> Kept;
    // True when a document key holds a zero character: two keys may then be one species.
    bool CutKeys = false;
};

// Reads every species entry once and prepares where each one that reads goes; the first pass
// (`report` given) counts the entries and logs each one that fails. An entry equal to the
// table's changes nothing and needs no place, unless `placeEveryKept`: two document keys cut to
// one species at a zero must both go through the update, in order, for the last one to win.
void Prepare(const json& species, BalanceTable::SpeciesMap& dinos, bool placeEveryKept, LoadReport* report, Prepared& prepared)
{
    const std::size_t entries = species.is_structured() ? species.size() : 1;
    prepared.Kept.reserve(entries);
    prepared.Places.Placed.resize(entries);
    std::string key;
    std::size_t index = 0;
    for (const auto& pair : species.items()) {
        const std::size_t entryIndex = index++;
        const json& value = pair.value();
        if (report != nullptr) {
            ++report->Entries;
        }
        BalancedDino entry;
        try {
            entry = ReadBalanceValues(value, true);
        } catch (const std::bad_alloc&) {
            throw;  // not the entry's fault: the fill fails
        } catch (const std::exception& error) {
            if (report != nullptr) {
                // A section that is neither an object nor an array has no keys: it is its own entry.
                const std::string where = species.is_structured() ? pair.key() : std::string(kSpeciesSection);
                const std::string message = InEntry(error, where);
                GetLogger()->error("Error loading dino: {}", message);
                report->Failures.push_back(EntryFailure{where, KeyOfError(error), message});
            }
            continue;
        }
        if (report != nullptr) {
            ++report->Stored;
        }
        const std::string& name = pair.key();
        key.assign(SpeciesKey(name));
        prepared.CutKeys = prepared.CutKeys || key.size() != name.size();
        const auto found = dinos.find(key);
        if (found != dinos.end()) {
            prepared.Kept.push_back(&*found);
            if (placeEveryKept || !SameValues(found->second, entry)) {
                prepared.Places.Add(entryIndex, &*found, false);
            }
        } else {
            const auto made = prepared.Added.try_emplace(key);
            prepared.Places.Add(entryIndex, &*made.first, made.second);
        }
    }
}

}  // namespace

BalancedDino ReadBalance(const json& value, bool species)
{
    return ReadBalanceValues(value, species);
}

LoadReport BalanceTable::LoadBalances(const json& document, FillListener* listener)
{
    // A fill either takes the whole document or leaves the table exactly as it was, even when the
    // heap runs out half way. So everything is read, every error logged and every allocation made
    // before the first change; the update then only moves what was prepared, and cannot fail.

    // ---- 1. read the document ----
    const json& globalSection = document.at(kGlobalSection);
    BalancedDino global;
    try {
        global = ReadBalanceValues(globalSection, false);
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception& error) {
        throw ConfigError(InEntry(error, kGlobalSection), kGlobalSection, KeyOfError(error));
    }
    const json& species = document.at(kSpeciesSection);
    if (species.is_array()) {
        GetLogger()->warn("\"{}\" is an array, not an object: its entries are read under \"0\", \"1\", ... and match no species",
                          kSpeciesSection);
    }
    LoadReport report;
    Prepared prepared;
    Prepare(species, Dinos, false, &report, prepared);
    if (prepared.CutKeys) {
        Prepared again;
        Prepare(species, Dinos, true, nullptr, again);
        prepared = std::move(again);
    }

    // ---- 2. what goes: the table's entries the document does not keep ----
    // Document keys without a zero are distinct, so when as many were kept as the table holds,
    // every entry stays and the table need not be walked.
    using Slot = const SpeciesMap::value_type*;
    std::vector<const std::string*> removed;
    if (prepared.CutKeys || prepared.Kept.size() != Dinos.size()) {
        std::vector<Slot>& kept = prepared.Kept;
        std::sort(kept.begin(), kept.end(), std::less<Slot>());
        for (const SpeciesMap::value_type& item : Dinos) {
            if (!std::binary_search(kept.begin(), kept.end(), &item, std::less<Slot>())) {
                removed.push_back(&item.first);
            }
        }
    }
    prepared.Kept = std::vector<Slot>();
    const Placements& places = prepared.Places;
    // No insertion below may grow the buckets, nor may the listener grow its record.
    Dinos.reserve(Dinos.size() + prepared.Added.size());
    if (listener != nullptr) {
        listener->Reserve(removed.size(), removed.size() + places.Slots.size());
    }
    const std::string loaded = fmt::format("Loaded {} dino balances!", report.Stored);

    // ---- 3. the update: from here nothing allocates and nothing throws ----
    static std::atomic<std::uint64_t> fills{0};
    generation_ = ++fills;
    if (listener != nullptr) {
        listener->Start(Global, global);
    }
    Global = global;
    for (const std::string* name : removed) {
        const auto gone = Dinos.find(*name);
        if (listener != nullptr) {
            listener->Removed(Dinos.extract(gone));
        } else {
            Dinos.erase(gone);
        }
    }
    // The document is walked again only when some entry changes the table.
    std::size_t placed = 0;
    std::size_t index = 0;
    for (auto it = species.begin(); placed < places.Slots.size() && it != species.end(); ++it) {
        if (!places.Placed[index++]) {
            continue;
        }
        SpeciesMap::value_type& slot = *places.Slots[placed];
        const bool isNew = places.New[placed++];
        // Read without an error before, the entry reads the same again, allocating nothing.
        BalancedDino entry = ReadBalanceValues(*it, true);
        if (isNew) {
            // The node moves as it is: the slot points at its entry again once it is in the table.
            Dinos.insert(prepared.Added.extract(prepared.Added.find(slot.first)));
            slot.second = entry;
            if (listener != nullptr) {
                listener->Added(slot.first, slot.second);
            }
        } else if (!SameValues(slot.second, entry)) {
            std::swap(slot.second, entry);  // `entry` now holds the values before
            if (listener != nullptr) {
                listener->Changed(slot.first, entry, slot.second);
            }
        }
    }
    if (listener != nullptr) {
        listener->Finish();
    }
    // The new table is in effect: a line the log cannot take now is lost, not a failed fill.
    try {
        GetLogger()->info(loaded);
    } catch (...) {
    }
    return report;
}

const BalancedDino* BalanceTable::Find(std::string_view key) const
{
    const auto found = Dinos.find(std::string(key));
    return found == Dinos.end() ? nullptr : &found->second;
}
