#include "logging/LogLine.h"

namespace {

// "MM/DD/YY HH:MM " comes first: fourteen characters and a space.
constexpr std::size_t kStampLength = 15;

bool IsStamp(const std::string& line)
{
    static constexpr const char* kShape = "dd/dd/dd dd:dd ";
    if (line.size() < kStampLength) {
        return false;
    }
    for (std::size_t i = 0; i < kStampLength; ++i) {
        const char c = line[i];
        const bool fits = kShape[i] == 'd' ? (c >= '0' && c <= '9') : c == kShape[i];
        if (!fits) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::optional<LogLine> ParseLogLine(const std::string& line)
{
    if (!IsStamp(line) || line.compare(kStampLength, 1, "[") != 0) {
        return std::nullopt;
    }
    // The logger's name cannot hold "][", so the first one ends it; the level name holds no "]".
    const std::size_t nameEnd = line.find("][", kStampLength + 1);
    if (nameEnd == std::string::npos) {
        return std::nullopt;
    }
    const std::size_t levelEnd = line.find("] ", nameEnd + 2);
    if (levelEnd == std::string::npos) {
        return std::nullopt;
    }
    LogLine parsed;
    parsed.Logger = line.substr(kStampLength + 1, nameEnd - kStampLength - 1);
    parsed.Level = line.substr(nameEnd + 2, levelEnd - nameEnd - 2);
    parsed.Message = line.substr(levelEnd + 2);
    return parsed;
}
