#include "config/LikelyMistakes.h"

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "config/BalanceKeys.h"
#include "config/NearestName.h"
#include "config/SpeciesKey.h"
#include "logging/LogText.h"

namespace {

using nlohmann::json;

const std::vector<std::string>& SettingNames()
{
    static const std::vector<std::string> names = [] {
        std::vector<std::string> all;
        for (const BalanceKey& key : kBalanceKeys) {
            all.emplace_back(key.Name);
        }
        return all;
    }();
    return names;
}

bool Written(const json& entry, const char* key)
{
    const auto found = entry.find(key);
    return found != entry.end() && !found->is_null();
}

}  // namespace

void FindUnknownKeys(const std::string& entryName, const json& entry, std::vector<LikelyMistake>& out)
{
    for (const auto& member : entry.items()) {
        if (FindBalanceKey(member.key()) != nullptr || FindDamageSide(member.key()) != nullptr) {
            continue;
        }
        std::string message = fmt::format("unknown key \"{}\" is ignored", member.key());
        if (const auto suggestion = NearestName(member.key(), SettingNames())) {
            message += fmt::format("; did you mean \"{}\"?", *suggestion);
        }
        out.push_back({entryName, member.key(), std::move(message)});
    }
}

void FindIneffectiveGlobals(const json& global, std::vector<LikelyMistake>& out)
{
    std::vector<std::string> ignored;
    for (const BalanceKey& key : kBalanceKeys) {
        if (key.Group != KeyGroup::Consumption) {
            ignored.push_back(key.Name);
        }
    }
    for (const DamageSide& side : kDamageSides) {
        ignored.push_back(side.Name);
    }
    for (const std::string& name : ignored) {
        if (Written(global, name.c_str())) {
            out.push_back({kGlobalSection, name,
                           fmt::format("\"{}\" has no effect in \"{}\": only its consumption multipliers are used, for species without an entry",
                                       name, kGlobalSection)});
        }
    }
}

std::vector<LikelyMistake> FindLikelyMistakes(const json& document)
{
    std::vector<LikelyMistake> found;
    if (!document.is_object()) {
        return found;
    }
    if (const auto global = document.find(kGlobalSection); global != document.end() && global->is_object()) {
        FindUnknownKeys(kGlobalSection, *global, found);
        FindIneffectiveGlobals(*global, found);
    }
    const auto species = document.find(kSpeciesSection);
    if (species == document.end() || !species->is_object()) {
        return found;
    }
    for (const auto& member : species->items()) {
        const std::string& key = member.key();
        // A key with a zero byte is cut there by the loader: that is not a mistake of form.
        if (key.find('\0') == std::string::npos && !IsBlueprintPath(key)) {
            found.push_back({key, "", SpeciesKeyFormMessage(key)});
        }
        if (member.value().is_object()) {
            FindUnknownKeys(key, member.value(), found);
        }
    }
    return found;
}

std::string Describe(const LikelyMistake& mistake)
{
    // The message quotes keys from the file: a control character in one must not break the log
    // line or the reply in two, so it is written as the escape JSON would use.
    std::string message;
    for (const char c : mistake.Message) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            message += fmt::format("\\u{:04x}", byte);
        } else {
            message += c;
        }
    }
    return fmt::format("{}: {}", Quoted(mistake.Entry), message);
}
