#include "Arguments.h"

#include <algorithm>

#include "ConsoleError.h"
#include "Numbers.h"

namespace console {

std::string Arguments::Word(const std::string& what)
{
    auto word = reader_.Next();
    if (!word) {
        throw ConsoleError("missing " + what);
    }
    return *word;
}

int Arguments::Int(const std::string& what)
{
    return ToInt(Word(what), what);
}

float Arguments::Float(const std::string& what)
{
    const std::string word = Word(what);
    const auto value = ParseFloat(word);
    if (!value) {
        throw ConsoleError("bad number for " + what + ": '" + word + "'");
    }
    return *value;
}

void Arguments::End()
{
    if (auto extra = reader_.Next()) {
        throw ConsoleError("unexpected word '" + *extra + "'");
    }
}

namespace {

// What to say about `word` where only the keywords `allowed` may stand: with one keyword, the
// line as it was probably meant ("hit rex1 100 by raptor1"); with several, their names.
std::string UnexpectedOption(const std::string& word, std::string before, std::initializer_list<const char*> allowed)
{
    std::string message = "unexpected word '" + word + "'";
    if (allowed.size() == 1) {
        while (!before.empty() && (before.back() == ' ' || before.back() == '\t')) {
            before.pop_back();
        }
        return message + "; did you mean '" + before + " " + *allowed.begin() + " " + word + "'?";
    }
    std::string names;
    for (const char* name : allowed) {
        names += (names.empty() ? "" : ", ") + std::string(name);
    }
    return message + "; options here: " + names;
}

}  // namespace

std::map<std::string, std::string> Arguments::KeywordOptions(std::initializer_list<const char*> allowed)
{
    std::map<std::string, std::string> options;
    for (;;) {
        const std::string before = reader_.Read();
        const auto keyword = reader_.Next();
        if (!keyword) {
            break;
        }
        if (std::find_if(allowed.begin(), allowed.end(), [&](const char* name) { return *keyword == name; }) == allowed.end()) {
            throw ConsoleError(UnexpectedOption(*keyword, before, allowed));
        }
        if (options.count(*keyword) != 0) {
            throw ConsoleError("'" + *keyword + "' given twice");
        }
        options[*keyword] = Word("value after '" + *keyword + "'");
    }
    return options;
}

int ToInt(const std::string& text, const std::string& what)
{
    const auto value = ParseInt(text);
    if (!value) {
        throw ConsoleError("bad number for " + what + ": '" + text + "'");
    }
    return *value;
}

}  // namespace console
