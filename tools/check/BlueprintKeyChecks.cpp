// Warnings about the species keys: a key only ever matches the blueprint path of a class,
// Blueprint'/Game/<folders>/<Asset>.<Asset>', byte for byte in UTF-8, up to a zero character.

#include <map>
#include <optional>
#include <string_view>

#include <fmt/format.h>

#include "CheckReport.h"
#include "config/BalanceKeys.h"

namespace check {

namespace {

using nlohmann::json;

const char* kForm = "Blueprint'/Game/<folders>/<Asset>.<Asset>'";

// True for Blueprint'/Game/<folders>/X.X': a class is always named after its asset, so both
// halves match. Read by hand, not by a regular expression: a key may be any length, and a
// library's backtracking can recurse once per character.
bool IsBlueprintPath(std::string_view key)
{
    constexpr std::string_view kStart = "Blueprint'/Game/";
    if (key.size() < kStart.size() + 1 || key.substr(0, kStart.size()) != kStart || key.back() != '\'') {
        return false;
    }
    const std::string_view body = key.substr(kStart.size(), key.size() - kStart.size() - 1);
    for (const char c : body) {
        if (c == '\'' || c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v') {
            return false;
        }
    }
    const std::size_t lastSlash = body.rfind('/');
    const std::string_view folders = lastSlash == std::string_view::npos ? std::string_view() : body.substr(0, lastSlash + 1);
    const std::string_view asset = lastSlash == std::string_view::npos ? body : body.substr(lastSlash + 1);
    // Every folder has a name: no "//" and no leading "/".
    if (!folders.empty() && (folders.front() == '/' || folders.find("//") != std::string_view::npos)) {
        return false;
    }
    const std::size_t dot = asset.find('.');
    if (dot == std::string_view::npos || asset.find('.', dot + 1) != std::string_view::npos) {
        return false;
    }
    const std::string_view name = asset.substr(0, dot);
    return !name.empty() && name == asset.substr(dot + 1);
}

bool IsIdentifier(std::string_view text)
{
    if (text.empty()) {
        return false;
    }
    for (const char c : text) {
        const bool word = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
        if (!word) {
            return false;
        }
    }
    return true;
}

bool EndsWith(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

std::string Trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    const auto last = text.find_last_not_of(" \t\r\n");
    return first == std::string::npos ? "" : text.substr(first, last - first + 1);
}

// What a key that is not a blueprint path was probably meant to be: the same class written as a
// string reference (with its "_C"), in another wrapper, or with stray spaces.
std::optional<std::string> IntendedPath(const std::string& key)
{
    const std::string trimmed = Trimmed(key);
    const auto start = trimmed.find("/Game/");
    if (start == std::string::npos) {
        return std::nullopt;
    }
    std::string path = trimmed.substr(start, trimmed.find('\'', start) - start);
    const auto dot = path.rfind('.');
    if (dot != std::string::npos && EndsWith(path, "_C") && path.size() - dot > 3) {
        path.resize(path.size() - 2);
    }
    const std::string candidate = "Blueprint'" + path + "'";
    return IsBlueprintPath(candidate) ? std::optional<std::string>(candidate) : std::nullopt;
}

std::string FormMessage(const std::string& key)
{
    if (IsIdentifier(key) && EndsWith(key, "_C")) {
        const std::string asset = key.substr(0, key.size() - 2);
        return fmt::format("\"{}\" is a class name, not a blueprint path: write Blueprint'/Game/<folders>/{}.{}'", key, asset, asset);
    }
    if (const auto intended = IntendedPath(key)) {
        std::string message = fmt::format("not of the form {}; did you mean \"{}\"?", kForm, *intended);
        if (EndsWith(Trimmed(key), "_C'") || EndsWith(Trimmed(key), "_C")) {
            message += " (a class's string reference ends in _C; the blueprint path leaves it out)";
        }
        return message;
    }
    return fmt::format("not of the form {}: it can never match a species", kForm);
}

void Warn(Report& report, const std::string& section, std::string message)
{
    report.Add(Severity::Warning, section, "", std::move(message));
}

}  // namespace

void CheckSpeciesKeys(Report& report)
{
    const json& document = report.Document;
    if (!report.Parsed || !document.is_object()) {
        return;
    }
    const auto species = document.find(kSpeciesSection);
    if (species == document.end()) {
        return;
    }
    if (species->is_array()) {
        report.Add(Severity::Error, kSpeciesSection, "",
                   fmt::format("\"{}\" is an array: its entries are stored under \"0\", \"1\", ... and never match a species; "
                               "write an object whose keys are blueprint paths",
                               kSpeciesSection));
        return;
    }
    if (species->is_null()) {
        Warn(report, kSpeciesSection, fmt::format("\"{}\" is null: no species has an entry; write {{}} if that is meant", kSpeciesSection));
        return;
    }
    if (!species->is_object()) {
        return;
    }

    // The plugin's map key for each JSON key: the text before a zero character, so collisions are the plugin's.
    std::map<std::string, std::vector<std::string>> byStoredKey;
    for (const auto& member : species->items()) {
        const std::string& key = member.key();
        const std::string stored = key.substr(0, key.find('\0'));
        byStoredKey[stored].push_back(key);

        if (key.find('\0') != std::string::npos) {
            Warn(report, key, fmt::format("contains a zero character; the plugin keeps only \"{}\", the text before it", stored));
        } else if (!IsBlueprintPath(key)) {
            Warn(report, key, FormMessage(key));
        }
    }
    for (const auto& [stored, keys] : byStoredKey) {
        if (keys.size() < 2) {
            continue;
        }
        // The library hands members over in ascending byte order, so the last one overwrites the others.
        std::vector<std::string> quoted;
        for (const std::string& key : keys) {
            quoted.push_back("\"" + key + "\"");
        }
        Warn(report, keys.back(),
             fmt::format("the keys {} all become \"{}\": only the last, \"{}\", is kept", fmt::join(quoted, ", "), stored, keys.back()));
    }
}

}  // namespace check
