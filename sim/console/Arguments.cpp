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

std::map<std::string, std::string> Arguments::KeywordOptions(std::initializer_list<const char*> allowed)
{
    std::map<std::string, std::string> options;
    while (auto keyword = reader_.Next()) {
        if (std::find_if(allowed.begin(), allowed.end(), [&](const char* name) { return *keyword == name; }) == allowed.end()) {
            throw ConsoleError("unexpected word '" + *keyword + "'");
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
