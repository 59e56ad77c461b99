#include "LineReader.h"

#include "ConsoleError.h"

namespace console {

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

}  // namespace

LineReader::LineReader(std::string line) : line_(std::move(line)) {}

std::optional<std::string> LineReader::Next()
{
    while (position_ < line_.size() && IsBlank(line_[position_])) {
        ++position_;
    }
    if (position_ >= line_.size()) {
        return std::nullopt;
    }
    std::string word;
    bool quoted = false;
    for (; position_ < line_.size(); ++position_) {
        const char c = line_[position_];
        if (c == '"') {
            quoted = !quoted;
        } else if (IsBlank(c) && !quoted) {
            break;
        } else {
            word += c;
        }
    }
    if (quoted) {
        throw ConsoleError("unclosed quote in: " + line_);
    }
    return word;
}

bool LineReader::Skip(const std::string& word)
{
    const std::size_t start = line_.find_first_not_of(" \t", position_);
    if (start == std::string::npos || line_.compare(start, word.size(), word) != 0) {
        return false;
    }
    const std::size_t end = start + word.size();
    if (end < line_.size() && !IsBlank(line_[end])) {
        return false;
    }
    position_ = end;
    return true;
}

std::string LineReader::Rest() const
{
    std::size_t start = position_;
    if (start < line_.size() && IsBlank(line_[start])) {
        ++start;
    }
    return start < line_.size() ? line_.substr(start) : std::string();
}

bool LineReader::AtEnd() const
{
    return line_.find_first_not_of(" \t", position_) == std::string::npos;
}

bool IsSkippedLine(const std::string& line)
{
    const auto first = line.find_first_not_of(" \t");
    return first == std::string::npos || line[first] == '#';
}

}  // namespace console
