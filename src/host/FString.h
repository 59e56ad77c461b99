#pragma once
// The game's string: UTF-16 units, a count that includes the terminating zero (0 and no buffer
// when empty) and a capacity. Buffers come only from the game allocator ("FMemory.Malloc",
// "FMemory.Realloc", "FMemory.Free"), so a string can pass to and from the game either way.

#include <cstdint>
#include <string>

class FString {
public:
    // Empty string: no buffer, count 0.
    FString() noexcept = default;
    // Narrow text up to its first zero byte, one unit per byte; bytes above 0x7F become '?'.
    explicit FString(const char* narrow);
    // As above, for a std::string (stops at an embedded zero byte too).
    explicit FString(const std::string& narrow);
    // Copies `length` UTF-16 units (no terminating zero expected in `units`).
    FString(const char16_t* units, int length);
    // UTF-8 text up to its first zero byte, as UTF-16, for messages rather than names: nothing
    // above 0x7F is lost (a byte that starts no valid sequence becomes U+FFFD).
    static FString FromUtf8(const std::string& text);

    FString(const FString& other);
    FString(FString&& other) noexcept;
    FString& operator=(const FString& other);
    FString& operator=(FString&& other) noexcept;
    ~FString();

    // Number of characters, without the terminating zero.
    int Len() const noexcept { return ArrayNum > 0 ? ArrayNum - 1 : 0; }
    // True when the string holds no characters.
    bool IsEmpty() const noexcept { return Len() == 0; }
    // The text, zero-terminated; an empty string gives u"".
    const char16_t* operator*() const noexcept { return Data ? Data : u""; }
    // Raw layout, as the game reads it.
    char16_t* RawData() const noexcept { return Data; }
    std::int32_t Num() const noexcept { return ArrayNum; }

    // Position of the first occurrence of the ASCII text `needle`, ASCII letter case ignored, or -1.
    int FindIgnoreCase(const char* needle) const;
    // The text as UTF-8; an unpaired surrogate becomes U+FFFD.
    std::string ToString() const;

    bool operator==(const FString& other) const;
    bool operator!=(const FString& other) const { return !(*this == other); }

private:
    void Assign(const char16_t* units, int length);
    void Release() noexcept;

    char16_t* Data = nullptr;
    std::int32_t ArrayNum = 0;
    std::int32_t ArrayMax = 0;
};

static_assert(sizeof(FString) == 16, "FString has the game's layout: pointer, count, capacity");
