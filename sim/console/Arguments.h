#pragma once
// The words of one console command after its name, with the checks every command needs:
// required words, numbers, trailing "keyword value" options and nothing left over.

#include <initializer_list>
#include <map>
#include <optional>
#include <string>

#include "LineReader.h"

namespace console {

class Arguments {
public:
    explicit Arguments(LineReader& reader) : reader_(reader) {}

    // The next word; throws ConsoleError "missing <what>" when there is none.
    std::string Word(const std::string& what);
    // The next word, or nullopt at the end of the line.
    std::optional<std::string> OptionalWord() { return reader_.Next(); }
    // The next word as an integer; throws ConsoleError when missing or not a number.
    int Int(const std::string& what);
    // The next word as a float; throws ConsoleError when missing or not a number.
    float Float(const std::string& what);
    // Consumes the next word when it is the bare keyword `word`; returns whether it did.
    bool Keyword(const std::string& word) { return reader_.Skip(word); }
    // The rest of the line as written (quotes and spacing kept).
    std::string Rest() const { return reader_.Rest(); }
    // Throws ConsoleError when words remain.
    void End();
    // Reads "keyword value" pairs up to the end of the line; throws ConsoleError for a keyword
    // not in `allowed`, a keyword given twice or a keyword without its value.
    std::map<std::string, std::string> KeywordOptions(std::initializer_list<const char*> allowed);

private:
    LineReader& reader_;
};

// `text` as an integer; throws ConsoleError naming `what` when it is not one.
int ToInt(const std::string& text, const std::string& what);

}  // namespace console
