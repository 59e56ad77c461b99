#include "host/FString.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "host/Ascii.h"
#include "host/GameMemory.h"
#include "host/TextConversion.h"

FString::FString(const char* narrow)
{
    if (narrow == nullptr) {
        return;
    }
    const std::size_t length = std::strlen(narrow);
    if (length == 0) {
        return;
    }
    ArrayNum = static_cast<std::int32_t>(length + 1);
    ArrayMax = ArrayNum;
    Data = static_cast<char16_t*>(game::Malloc(sizeof(char16_t) * static_cast<std::size_t>(ArrayMax)));
    if (Data == nullptr) {
        ArrayNum = ArrayMax = 0;
        return;
    }
    for (std::size_t i = 0; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(narrow[i]);
        Data[i] = byte > 0x7F ? u'?' : static_cast<char16_t>(byte);
    }
    Data[length] = 0;
}

FString::FString(const std::string& narrow) : FString(narrow.c_str()) {}

FString::FString(const char16_t* units, int length)
{
    Assign(units, length);
}

FString FString::FromUtf8(const std::string& text)
{
    const std::u16string units = text::Utf8ToUtf16(text.substr(0, text.find('\0')));
    return FString(units.data(), static_cast<int>(units.size()));
}

FString::FString(const FString& other)
{
    Assign(other.Data, other.Len());
}

FString::FString(FString&& other) noexcept
    : Data(std::exchange(other.Data, nullptr)),
      ArrayNum(std::exchange(other.ArrayNum, 0)),
      ArrayMax(std::exchange(other.ArrayMax, 0))
{
}

FString& FString::operator=(const FString& other)
{
    if (this != &other) {
        FString copy(other);
        *this = std::move(copy);
    }
    return *this;
}

FString& FString::operator=(FString&& other) noexcept
{
    if (this != &other) {
        Release();
        Data = std::exchange(other.Data, nullptr);
        ArrayNum = std::exchange(other.ArrayNum, 0);
        ArrayMax = std::exchange(other.ArrayMax, 0);
    }
    return *this;
}

FString::~FString()
{
    Release();
}

void FString::Assign(const char16_t* units, int length)
{
    Release();
    if (units == nullptr || length <= 0) {
        return;
    }
    Data = static_cast<char16_t*>(game::Malloc(sizeof(char16_t) * (static_cast<std::size_t>(length) + 1)));
    if (Data == nullptr) {
        return;
    }
    std::memcpy(Data, units, sizeof(char16_t) * static_cast<std::size_t>(length));
    Data[length] = 0;
    ArrayNum = length + 1;
    ArrayMax = ArrayNum;
}

void FString::Release() noexcept
{
    game::Free(Data);
    Data = nullptr;
    ArrayNum = 0;
    ArrayMax = 0;
}

int FString::FindIgnoreCase(const char* needle) const
{
    const int length = Len();
    const int wanted = needle == nullptr ? 0 : static_cast<int>(std::strlen(needle));
    for (int start = 0; start + wanted <= length; ++start) {
        int i = 0;
        while (i < wanted && ascii::ToUpper(Data[start + i]) == ascii::ToUpper(static_cast<char16_t>(static_cast<unsigned char>(needle[i])))) {
            ++i;
        }
        if (i == wanted) {
            return start;
        }
    }
    return -1;
}

std::string FString::ToString() const
{
    return text::Utf16ToUtf8(Data, static_cast<std::size_t>(Len()));
}

bool FString::operator==(const FString& other) const
{
    return Len() == other.Len() &&
           (Len() == 0 || std::memcmp(Data, other.Data, sizeof(char16_t) * static_cast<std::size_t>(Len())) == 0);
}
