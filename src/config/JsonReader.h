#pragma once
// Reads one JSON value from a stream as the plugin reads its file, and notes every key that an
// object holds more than once: the last one wins, as with any JSON reader, but an admin who
// wrote a species or a section twice should hear of it.

#include <istream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

// A key written more than once in one object: the key, and the key of the object holding it
// (empty for the top-level object).
struct DuplicateKey {
    std::string Key;
    std::string Parent;
};

// The first JSON value of `input`; what follows it is not examined. Comments are refused and a
// UTF-8 byte-order mark is skipped. Throws the JSON library's parse error.
nlohmann::json ReadJson(std::istream& input, std::vector<DuplicateKey>& duplicates);
