// Prints the libFuzzer dictionary for the configuration targets: the section names and the ten
// keys as the loader reads them, and the JSON and path tokens the loader and the checker look
// at. Made from BalanceKeys.h at every run, so that a new key reaches the fuzzers by itself.

#include <cstdio>
#include <string>

#include "config/BalanceKeys.h"

namespace {

// A JSON string literal as a dictionary entry: "\"Name\"".
void PrintQuoted(const char* label, const std::string& text)
{
    std::printf("%s=\"\\\"%s\\\"\"\n", label, text.c_str());
}

}  // namespace

int main()
{
    std::printf("# Made by fuzz-dictionary from config/BalanceKeys.h.\n");
    PrintQuoted("section_global", kGlobalSection);
    PrintQuoted("section_species", kSpeciesSection);
    for (const BalanceKey& key : kBalanceKeys) {
        PrintQuoted((std::string("key_") + key.Label).c_str(), key.Name);
    }
    for (const DamageSide& side : kDamageSides) {
        PrintQuoted((std::string("side_") + side.Name).c_str(), side.Name);
    }
    const char* tokens[][2] = {
        {"blueprint", "\\\"Blueprint'/Game/"},
        {"asset_end", "_BP.Dino_BP'\\\""},
        {"class_suffix", "_C"},
        {"zero_escape", "\\\\u0000"},
        {"byte_order_mark", "\\xef\\xbb\\xbf"},
        {"null", "null"},
        {"true", "true"},
        {"false", "false"},
        {"not_set", "-1.0"},
        {"float_overflow", "1e39"},
        {"float_underflow", "1e-50"},
        {"uint64_max", "18446744073709551615"},
        {"int64_min", "-9223372036854775808"},
        {"empty_object", "{}"},
        {"empty_array", "[]"},
        {"member", "\\\":"},
        {"comment", "//"},
    };
    for (const auto& token : tokens) {
        std::printf("%s=\"%s\"\n", token[0], token[1]);
    }
    return 0;
}
