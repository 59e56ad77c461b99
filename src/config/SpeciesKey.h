#pragma once
// The form of a species key: a key only ever matches the blueprint path of a class,
// Blueprint'/Game/<folders>/<Asset>.<Asset>', byte for byte in UTF-8. What an admin writes
// instead (a class name, a path without the wrapper, a string reference with "_C") is told apart
// here, for the checker, the load's warnings and DinoTuner.Show.

#include <optional>
#include <string>
#include <string_view>

// True for Blueprint'/Game/<folders>/X.X': a class is always named after its asset.
bool IsBlueprintPath(std::string_view key);
// The blueprint path a key that is not one was probably meant to be (the same path in another
// wrapper, with stray spaces, or as a string reference ending in "_C"); none when it names no path.
std::optional<std::string> IntendedBlueprintPath(const std::string& key);
// The asset of a class name ("Rex_Character_BP" for "Rex_Character_BP_C"); none for anything else.
std::optional<std::string> AssetOfClassName(const std::string& name);
// The asset a blueprint path names ("Rex_Character_BP"); empty when `key` is not one.
std::string AssetOfBlueprintPath(std::string_view key);
// Why a key that is not a blueprint path never matches, with what it was probably meant to be.
std::string SpeciesKeyFormMessage(const std::string& key);
