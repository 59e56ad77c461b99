#pragma once
// Reads one JSON value from a stream as the plugin reads its file, and notes every key that an
// object holds more than once: the last one wins, as with any JSON reader, but an admin who
// wrote a species or a section twice should hear of it.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

// A key written more than once in one object: the key, and the key of the object holding it
// (empty for the top-level object), each cut to what a log line shows of it.
struct DuplicateKey {
    std::string Key;
    std::string Parent;
};

// The keys written more than once, as far as anyone is told of them: a file can repeat a key
// without end, and what is kept of it must not grow with that.
struct DuplicateKeys {
    // How many are named one by one.
    static constexpr std::size_t kMaxNamed = 20;
    // The first kMaxNamed found, in the order of the file.
    std::vector<DuplicateKey> Named;
    // How many more were found after those.
    std::size_t More = 0;
};

// The first JSON value of `text`; what follows it is not examined. Comments are refused and a
// UTF-8 byte-order mark is skipped. Throws the JSON library's parse error.
nlohmann::json ReadJson(std::string_view text, DuplicateKeys& duplicates);
