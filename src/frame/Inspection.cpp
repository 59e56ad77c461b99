#include "frame/Inspection.h"

#include <algorithm>
#include <ctime>
#include <fstream>
#include <optional>
#include <vector>

#include <fmt/chrono.h>
#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "balance/SpeciesCensus.h"
#include "config/BalanceKeys.h"
#include "config/BalanceTable.h"
#include "config/ConfigFile.h"
#include "config/EffectiveView.h"
#include "config/NearestName.h"
#include "config/SpeciesKey.h"
#include "frame/Plugin.h"
#include "host/GameNames.h"
#include "host/TextConversion.h"

namespace {

using Tone = ReplyLine::Tone;

// A key as it is written in the file, in JSON quotes, with anything outside ASCII escaped: the
// replies are ASCII, and an admin can paste this into the file as it stands.
std::string KeyText(const std::string& key)
{
    return nlohmann::json(key).dump(-1, ' ', true, nlohmann::json::error_handler_t::replace);
}

std::string Counted(std::int64_t count, const char* one, const char* many)
{
    return fmt::format("{} {}", count, count == 1 ? one : many);
}

// The folder of the config file, with its separator: species.txt goes beside it.
std::string FolderOf(const std::string& path)
{
    const auto slash = path.find_last_of("/\\");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The species key `name` stands for: itself when it is a key of the table or a blueprint path,
// the path it was written for (no Blueprint'…', a string reference), or the key of the table (or
// else of the world) whose asset a class name names. None when it stands for nothing.
std::optional<std::string> KeyFor(const BalanceTable& table, const std::string& name)
{
    if (table.Find(name) != nullptr || IsBlueprintPath(name)) {
        return name;
    }
    if (auto intended = IntendedBlueprintPath(name)) {
        return intended;
    }
    const std::string asset = AssetOfClassName(name).value_or(name);
    if (asset.empty()) {
        return std::nullopt;
    }
    std::vector<std::string> matches;
    for (const auto& [key, entry] : table.Dinos) {
        if (AssetOfBlueprintPath(key) == asset) {
            matches.push_back(key);
        }
    }
    if (matches.empty()) {
        for (const SpeciesCount& count : CountSpecies(table)) {
            if (AssetOfBlueprintPath(count.Key) == asset) {
                matches.push_back(count.Key);
            }
        }
    }
    if (matches.empty()) {
        return std::nullopt;
    }
    // Two folders may hold an asset of the same name (a mod's copy): the first in key order.
    return *std::min_element(matches.begin(), matches.end());
}

// The key of the table or of the world closest to a name that matches none: a class name is
// compared with the keys' assets, anything else with the keys as written.
std::optional<std::string> NearestKey(const BalanceTable& table, const std::string& name)
{
    std::vector<std::string> keys;
    for (const auto& [key, entry] : table.Dinos) {
        keys.push_back(key);
    }
    for (const SpeciesCount& count : CountSpecies(table)) {
        keys.push_back(count.Key);
    }
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
    const std::optional<std::string> asset = AssetOfClassName(name);
    if (!asset) {
        return NearestName(name, keys);
    }
    std::vector<std::string> assets;
    for (const std::string& key : keys) {
        const std::string keyAsset = AssetOfBlueprintPath(key);
        assets.push_back(keyAsset.empty() ? key : keyAsset);
    }
    const std::optional<std::string> nearest = NearestName(*asset, assets);
    if (!nearest) {
        return std::nullopt;
    }
    return keys[static_cast<std::size_t>(std::find(assets.begin(), assets.end(), *nearest) - assets.begin())];
}

void AddValues(Reply& reply, const BalancedDino& effective)
{
    for (const BalanceKey& key : kBalanceKeys) {
        reply.push_back({fmt::format("{}: {}", key.Label, EffectiveCell(key, effective))});
    }
}

// One line for the damage of an entry's tamed or wild dinos: "Wild dinos: Attack x3, Resistance /0.5, Turret -".
void AddSideValues(Reply& reply, const DamageSide& side, const BalancedDino& entry)
{
    std::vector<std::string> cells;
    for (const BalanceKey& key : kBalanceKeys) {
        if (key.SideMultiplier != nullptr) {
            const bool divides = key.Multiplier == &BalancedDino::DamageResistanceMultiplier;
            cells.push_back(fmt::format("{} {}", key.Label, FactorText(Factor(key, entry, side), divides ? "/" : "x")));
        }
    }
    reply.push_back({fmt::format("{} dinos: {}", side.Name, fmt::join(cells, ", "))});
}

}  // namespace

std::string TimeNow()
{
    return fmt::format("{:%Y-%m-%d %H:%M:%S}", fmt::localtime(std::time(nullptr)));
}

Reply StatusReply(const DinoTuner& plugin)
{
    Reply reply;
    reply.push_back({fmt::format("DinoTuner {}", DINOTUNER_VERSION)});
    reply.push_back({fmt::format("Config: {}", plugin.Config != nullptr ? plugin.Config->Path : "(not loaded)")});
    const TableFacts& table = plugin.TableInEffect;
    if (table.Filled) {
        reply.push_back({fmt::format("In effect: revision {}, read {}", table.Revision, table.ReadAt)});
        reply.push_back({fmt::format("Species entries: {}", table.Entries)});
        reply.push_back({table.Skipped == 0 ? std::string("Skipped entries: none")
                                            : fmt::format("Skipped entries: {} (the log names them)", table.Skipped),
                         table.Skipped == 0 ? Tone::Fact : Tone::Warning});
        reply.push_back({table.Warnings == 0 ? std::string("Warnings: none") : fmt::format("Warnings: {} (the log names them)", table.Warnings),
                         table.Warnings == 0 ? Tone::Fact : Tone::Warning});
        if (plugin.Config != nullptr) {
            const MapInEffect& map = plugin.Config->Map;
            reply.push_back({map.Describe(), map.FileHasMaps && !map.Name ? Tone::Warning : Tone::Fact});
        }
    } else {
        reply.push_back({"In effect: no balances (no file has been read whole yet)", Tone::Warning});
    }
    if (plugin.LastFailure.Happened) {
        reply.push_back({fmt::format("Last read {} failed, the table above stays: {}", plugin.LastFailure.At, plugin.LastFailure.Error), Tone::Failure});
    }
    const std::vector<std::string>& unknown = plugin.UnknownGameNames;
    if (unknown.empty()) {
        reply.push_back({"Game names not found at load: none"});
    } else {
        reply.push_back({fmt::format("Game names not found at load: {}, first {} (the log names the rules switched off)", unknown.size(),
                                     unknown.front()),
                         Tone::Warning});
    }
    return reply;
}

Reply ShowReply(const DinoTuner& plugin, const std::string& species)
{
    if (species.empty()) {
        return {{"Usage: DinoTuner.Show <species key, blueprint path or class name>", Tone::Warning}};
    }
    if (plugin.Balances == nullptr) {
        return {{"The plugin was never loaded", Tone::Failure}};
    }
    const BalanceTable& table = *plugin.Balances;
    const std::optional<std::string> key = KeyFor(table, species);
    if (!key) {
        Reply reply{{fmt::format("No species matches {}", KeyText(species)), Tone::Warning}};
        if (const auto nearest = NearestKey(table, species)) {
            reply.push_back({fmt::format("Nearest key: {}", KeyText(*nearest))});
        } else {
            reply.push_back({"DinoTuner.Species lists the keys of the creatures in the world"});
        }
        return reply;
    }
    Reply reply{{fmt::format("Species: {}", KeyText(*key))}};
    if (const BalancedDino* entry = table.Find(*key)) {
        reply.push_back({"Entry: its own"});
        AddValues(reply, *entry);
        if (SplitsDamage(*entry)) {
            for (const DamageSide& side : kDamageSides) {
                AddSideValues(reply, side, *entry);
            }
        }
        return reply;
    }
    // Without an entry a species takes only the global section's consumption multipliers.
    BalancedDino effective;
    for (const BalanceKey& balanceKey : kBalanceKeys) {
        if (balanceKey.Group == KeyGroup::Consumption) {
            effective.*balanceKey.Multiplier = table.Global.*balanceKey.Multiplier;
        }
    }
    reply.push_back({fmt::format("Entry: none; \"{}\" gives it its consumption multipliers", kGlobalSection)});
    AddValues(reply, effective);
    return reply;
}

Reply SpeciesReply(const DinoTuner& plugin)
{
    if (plugin.Balances == nullptr || plugin.Config == nullptr) {
        return {{"The plugin was never loaded", Tone::Failure}};
    }
    if (!game::RulesOn(game::kSpeciesList)) {
        return {{"The host does not know a game name the list needs (the log names it)", Tone::Failure}};
    }
    const std::vector<SpeciesCount> counts = CountSpecies(*plugin.Balances);
    const std::string path = FolderOf(plugin.Config->Path) + "species.txt";
    std::string contents;
    std::int64_t dinos = 0;
    for (const SpeciesCount& count : counts) {
        contents += fmt::format("{}\t{} wild\t{} tamed\t{}\n", count.Key, count.Wild, count.Tamed, count.HasEntry ? "entry" : "no entry");
        dinos += count.Wild + count.Tamed;
    }
    std::ofstream file(text::FilePath(path), std::ios::binary | std::ios::trunc);
    file.write(contents.data(), static_cast<std::streamsize>(contents.size()));
    file.close();
    if (!file) {
        return {{fmt::format("Could not write {}", path), Tone::Failure}};
    }
    return {{fmt::format("{}, {}", Counted(static_cast<std::int64_t>(counts.size()), "class", "classes"), Counted(dinos, "dino", "dinos"))},
            {fmt::format("Written to {}", path)}};
}
