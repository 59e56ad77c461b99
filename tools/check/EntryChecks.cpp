// Warnings about what is written inside the sections and entries: keys the plugin never reads and
// settings that the global section ignores (the plugin's own findings, LikelyMistakes.h), global
// consumption multipliers an entry does not get, and odd values.
// The document is only walked one level into each entry: it may be arbitrarily deep.

#include <algorithm>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <fmt/format.h>

#include "CheckReport.h"
#include "config/BalanceKeys.h"
#include "config/FloatFit.h"
#include "config/LikelyMistakes.h"
#include "host/Ascii.h"

namespace check {

namespace {

using nlohmann::json;

void Warn(Report& report, const std::string& section, const std::string& key, std::string message)
{
    report.Add(Severity::Warning, section, key, std::move(message));
}

// The shared findings, as the checker's own.
void AddAll(Report& report, const std::vector<LikelyMistake>& found)
{
    for (const LikelyMistake& mistake : found) {
        Warn(report, mistake.Entry, mistake.Key, mistake.Message);
    }
}

void CheckUnknownKeys(Report& report, const std::string& section, const json& entry)
{
    std::vector<LikelyMistake> found;
    FindUnknownKeys(section, entry, found);
    AddAll(report, found);
}

// The member `key` when it is written with a value (null is the same as leaving it out).
const json* Written(const json& entry, const std::string& key)
{
    const auto found = entry.find(key);
    return found == entry.end() || found->is_null() ? nullptr : &*found;
}

// The value as the plugin converts it, or none when the plugin rejects it (already an error line).
std::optional<float> NumberOf(const json& value)
{
    if (!value.is_number() && !value.is_boolean()) {
        return std::nullopt;
    }
    // A number the loader refuses is already an error; it has no value to judge.
    if (value.is_number_float() && FloatFitOf(value.get<double>()) != FloatFit::Fits) {
        return std::nullopt;
    }
    return value.get<float>();
}

void CheckGlobalSection(Report& report, const json& global)
{
    std::vector<LikelyMistake> found;
    FindIneffectiveGlobals(global, found);
    AddAll(report, found);
}

// A species entry is taken whole: a consumption multiplier that the global section sets does not
// reach a species whose entry leaves it out. Said once per entry, with what to copy into it.
void CheckGlobalNotTaken(Report& report, const std::string& section, const json& entry, const BalancedDino& global)
{
    std::vector<std::string> missed;
    std::vector<std::string> copies;
    for (const BalanceKey& key : kBalanceKeys) {
        if (key.Group != KeyGroup::Consumption) {
            continue;
        }
        const float value = global.*key.Multiplier;
        if (key.IsSet(value) && Written(entry, key.Name) == nullptr) {
            missed.push_back(fmt::format("{} {}", key.Name, value));
            copies.push_back(fmt::format("\"{}\": {}", key.Name, value));
        }
    }
    if (missed.empty()) {
        return;
    }
    Warn(report, section, "",
         fmt::format("does not get {} from \"{}\": a species with an entry keeps its own rate for what the entry leaves out; "
                     "copy {} into this entry to apply {}",
                     fmt::join(missed, " and "), kGlobalSection, fmt::join(copies, ", "), missed.size() == 1 ? "it" : "them"));
}

// Values that load but do something other than scale as the admin most likely meant.
// `prefix` names the object the values stand in ("Wild.") for a "Tamed" or "Wild" object.
void CheckValues(Report& report, const std::string& section, const json& entry, bool consumptionOnly, const std::string& prefix = "")
{
    for (const BalanceKey& key : kBalanceKeys) {
        const json* value = Written(entry, key.Name);
        if (value == nullptr || key.Group == KeyGroup::Gate || (consumptionOnly && key.Group != KeyGroup::Consumption)) {
            continue;
        }
        const std::optional<float> number = NumberOf(*value);
        if (!number) {
            continue;
        }
        if (value->is_boolean()) {
            Warn(report, section, prefix + key.Name,
                 fmt::format("{}{} is {}, which the plugin reads as {}: write the number", prefix, key.Name, value->dump(), *number));
            continue;
        }
        const float v = *number;
        const std::string name = prefix + key.Name;
        std::string message;
        if (key.Multiplier == &BalancedDino::DamageResistanceMultiplier) {
            if (v == 0.0f) {
                message = "0 leaves the damage taken unchanged (it counts as not set)";
            } else if (v < 0.0f && key.IsSet(v)) {
                message = fmt::format("{} is negative: every hit on this species deals negative damage", v);
            }
        } else if (key.Multiplier == &BalancedDino::AttackDamageMultiplier) {
            if (v < 0.0f && key.IsSet(v)) {
                message = fmt::format("{} is negative: every hit by this species deals negative damage", v);
            }
        } else if (key.Multiplier == &BalancedDino::TurretDamageMultiplier) {
            if (v < 0.0f) {
                message = fmt::format("{} is negative: every hit with a causer on this species deals negative damage", v);
            }
        } else if (key.Group == KeyGroup::Consumption && v < 0.0f && key.IsSet(v)) {
            message = fmt::format("{} is below 0: the rates become negative (only -1, which leaves them alone, is meant to be negative)", v);
        }
        if (!message.empty()) {
            Warn(report, section, name, fmt::format("{} {}", name, message));
        }
    }
}

// A "Tamed" or "Wild" object that changes nothing is most likely a value left out or mistyped:
// its dinos take the entry's own damage multipliers. Its values are judged like the entry's.
void CheckDamageSides(Report& report, const std::string& section, const json& entry, const BalancedDino* loaded)
{
    for (const DamageSide& side : kDamageSides) {
        const json* written = Written(entry, side.Name);
        if (written == nullptr || !written->is_object()) {
            continue;
        }
        CheckValues(report, section, *written, false, std::string(side.Name) + ".");
        if (loaded != nullptr && !SetsAny((*loaded).*side.Settings)) {
            Warn(report, section, side.Name,
                 fmt::format("\"{}\" sets nothing: every key in it is missing or at a value that leaves the damage unchanged, so {} dinos "
                             "take the entry's own damage multipliers",
                             side.Name, ascii::Lower(side.Name)));
        }
    }
}

}  // namespace

void CheckEntries(Report& report)
{
    const json& document = report.Document;
    if (!report.Parsed || !document.is_object()) {
        return;
    }
    const json* global = nullptr;
    if (const auto found = document.find(kGlobalSection); found != document.end() && found->is_object()) {
        global = &*found;
        CheckUnknownKeys(report, kGlobalSection, *global);
        CheckGlobalSection(report, *global);
        CheckValues(report, kGlobalSection, *global, true);
    }

    const auto species = document.find(kSpeciesSection);
    if (species == document.end() || !(species->is_object() || species->is_array())) {
        return;
    }
    // Entries the loader skipped leave their species on the global entry; the others replace it.
    std::set<std::string> skipped;
    for (const Finding& finding : report.Findings) {
        if (finding.Level == Severity::Error) {
            skipped.insert(finding.Entry);
        }
    }
    for (const auto& member : species->items()) {
        const json& entry = member.value();
        const std::string section = member.key();
        // An array's entries are named "0", "1", ...: they match no species (an error already).
        if (report.Loaded && species->is_object() && (entry.is_object() || entry.is_null()) && skipped.count(section) == 0) {
            CheckGlobalNotTaken(report, section, entry, report.Table.Global);
        }
        if (!entry.is_object()) {
            continue;
        }
        CheckUnknownKeys(report, section, entry);
        CheckValues(report, section, entry, false);
        const bool stored = report.Loaded && species->is_object() && skipped.count(section) == 0;
        const BalancedDino* loaded = stored ? report.Table.Find(section.substr(0, section.find('\0'))) : nullptr;
        CheckDamageSides(report, section, entry, loaded);
    }
}

}  // namespace check
