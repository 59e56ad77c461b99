#include "config/JsonReader.h"

#include <deque>
#include <utility>

#include "logging/LogText.h"

namespace {

using nlohmann::json;

// What is kept of a duplicate's names: as much as a log line quotes (and a mark that it was
// cut), never the whole of a key that may be as long as the file.
constexpr std::size_t kMaxNameCharacters = 200;

// Builds the document from the parser's events, as the library's own builder does, with an
// explicit stack so that depth costs no recursion.
class DocumentBuilder {
public:
    DocumentBuilder(json& root, DuplicateKeys& duplicates) : root_(root), duplicates_(duplicates) {}

    bool null() { return Add(nullptr); }
    bool boolean(bool value) { return Add(value); }
    bool number_integer(json::number_integer_t value) { return Add(value); }
    bool number_unsigned(json::number_unsigned_t value) { return Add(value); }
    bool number_float(json::number_float_t value, const json::string_t& /*text*/) { return Add(value); }
    bool string(json::string_t& value) { return Add(std::move(value)); }
    bool binary(json::binary_t& value) { return Add(std::move(value)); }

    bool start_object(std::size_t /*elements*/)
    {
        Open(json::value_t::object);
        return true;
    }
    bool key(json::string_t& key)
    {
        Level& level = stack_.back();
        // Like the library: the member is made (or found) now, and the value read next fills it,
        // so a later member of the same name wins.
        auto [member, inserted] = level.Value->get_ref<json::object_t&>().emplace(std::move(key), nullptr);
        if (!inserted) {
            Note(member->first, level.Name);
        }
        pending_ = &member->second;
        level.LastKey = &member->first;
        return true;
    }
    bool end_object()
    {
        stack_.pop_back();
        return true;
    }
    bool start_array(std::size_t /*elements*/)
    {
        Open(json::value_t::array);
        return true;
    }
    bool end_array()
    {
        stack_.pop_back();
        return true;
    }

    template <typename Exception>
    bool parse_error(std::size_t /*position*/, const std::string& /*token*/, const Exception& error)
    {
        throw error;
    }

private:
    // Keys are pointed at in the document, never copied: a long key over deep nesting would
    // otherwise be copied once per level.
    struct Level {
        json* Value;
        const std::string* Name;     // the key this object or array stands under (null at the top)
        const std::string* LastKey;  // in an object, the key whose value is being read
    };

    void Note(const std::string& key, const std::string* parent)
    {
        if (duplicates_.Named.size() == DuplicateKeys::kMaxNamed) {
            ++duplicates_.More;
            return;
        }
        duplicates_.Named.push_back(
            DuplicateKey{Capped(key, kMaxNameCharacters), parent != nullptr ? Capped(*parent, kMaxNameCharacters) : std::string()});
    }

    // Places `value` where the parser stands: the root, the next array element or the pending member.
    template <typename Value>
    json* Place(Value&& value)
    {
        if (stack_.empty()) {
            root_ = json(std::forward<Value>(value));
            return &root_;
        }
        json& container = *stack_.back().Value;
        if (container.is_array()) {
            container.push_back(json(std::forward<Value>(value)));
            return &container.back();
        }
        *pending_ = json(std::forward<Value>(value));
        return pending_;
    }

    template <typename Value>
    bool Add(Value&& value)
    {
        Place(std::forward<Value>(value));
        return true;
    }

    void Open(json::value_t type)
    {
        // An array's elements are named after the array's own key; an object's members after theirs.
        const std::string* name = stack_.empty() ? nullptr : stack_.back().Value->is_object() ? stack_.back().LastKey : stack_.back().Name;
        json* opened = Place(type);
        stack_.push_back(Level{opened, name, nullptr});
    }

    json& root_;
    DuplicateKeys& duplicates_;
    // A deque grows without copying itself: a file that opens a bracket in each of its bytes
    // costs the stack no more than its levels.
    std::deque<Level> stack_;
    json* pending_ = nullptr;
};

}  // namespace

json ReadJson(std::string_view text, DuplicateKeys& duplicates)
{
    json document;
    DocumentBuilder builder(document, duplicates);
    // Not strict: reading stops after the first complete value, so trailing text is never examined.
    json::sax_parse(text.data(), text.data() + text.size(), &builder, json::input_format_t::json, /*strict=*/false, /*ignore_comments=*/false);
    return document;
}
