#pragma once
// Reads one console line word by word. Words are separated by spaces (or tabs); double quotes
// group words and are dropped. Commands that take "the rest of the line" read it raw, so quotes
// and spacing in it (a JSON config, a chat line) reach them untouched.

#include <cstddef>
#include <optional>
#include <string>

namespace console {

class LineReader {
public:
    explicit LineReader(std::string line);

    // The next word, or nullopt when only blanks remain. Throws ConsoleError on an unclosed quote.
    std::optional<std::string> Next();
    // Consumes the next word when it is exactly `word`, written without quotes; returns whether
    // it did. Reads nothing else, so an unclosed quote later in the line does not matter.
    bool Skip(const std::string& word);
    // Everything after the last word read and the one space that follows it, exactly as written.
    std::string Rest() const;
    // The line up to the end of the last word read, as written.
    std::string Read() const { return line_.substr(0, position_); }
    // True when only blanks remain.
    bool AtEnd() const;
    // The whole line.
    const std::string& Line() const { return line_; }

private:
    std::string line_;
    std::size_t position_ = 0;
};

// True for a line the console skips: blank, or a comment starting with '#'.
bool IsSkippedLine(const std::string& line);

}  // namespace console
