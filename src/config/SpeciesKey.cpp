#include "config/SpeciesKey.h"

#include <fmt/format.h>

namespace {

const char* kForm = "Blueprint'/Game/<folders>/<Asset>.<Asset>'";
constexpr std::string_view kStart = "Blueprint'/Game/";

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

}  // namespace

// Read by hand, not by a regular expression: a key may be any length, and a library's
// backtracking can recurse once per character.
bool IsBlueprintPath(std::string_view key)
{
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

std::optional<std::string> IntendedBlueprintPath(const std::string& key)
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

std::optional<std::string> AssetOfClassName(const std::string& name)
{
    if (IsIdentifier(name) && EndsWith(name, "_C")) {
        return name.substr(0, name.size() - 2);
    }
    return std::nullopt;
}

std::string AssetOfBlueprintPath(std::string_view key)
{
    if (!IsBlueprintPath(key)) {
        return {};
    }
    const std::string_view body = key.substr(0, key.size() - 1);
    const std::string_view asset = body.substr(body.rfind('/') + 1);
    return std::string(asset.substr(0, asset.find('.')));
}

std::string SpeciesKeyFormMessage(const std::string& key)
{
    if (const auto asset = AssetOfClassName(key)) {
        return fmt::format("\"{}\" is a class name, not a blueprint path: write Blueprint'/Game/<folders>/{}.{}'", key, *asset, *asset);
    }
    if (const auto intended = IntendedBlueprintPath(key)) {
        std::string message = fmt::format("not of the form {}; did you mean \"{}\"?", kForm, *intended);
        if (EndsWith(Trimmed(key), "_C'") || EndsWith(Trimmed(key), "_C")) {
            message += " (a class's string reference ends in _C; the blueprint path leaves it out)";
        }
        return message;
    }
    return fmt::format("not of the form {}: it can never match a species", kForm);
}
