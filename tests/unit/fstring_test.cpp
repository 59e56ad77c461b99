// The game's string: conversions both ways and that every buffer goes back to the game allocator.

#include <gtest/gtest.h>

#include "host/FString.h"
#include "standin/SimHost.h"

namespace {

FString FromUnits(std::u16string units)
{
    return FString(units.data(), static_cast<int>(units.size()));
}

TEST(FStringFromNarrow, AsciiKeepsEveryByteAndCountsTheTerminatingZero)
{
    const FString text("Reloaded config");
    EXPECT_EQ(text.Len(), 15);
    EXPECT_EQ(text.Num(), 16);
    EXPECT_EQ(std::u16string(*text), u"Reloaded config");
    EXPECT_EQ(text.ToString(), "Reloaded config");
}

TEST(FStringFromNarrow, BytesAbove0x7FBecomeQuestionMarksOnePerByte)
{
    const FString text("Dr\xC3\xA4gon\xFF");  // "Drägon" in UTF-8 plus a stray byte
    EXPECT_EQ(std::u16string(*text), u"Dr??gon?");
    EXPECT_EQ(text.ToString(), "Dr??gon?");
}

TEST(FStringFromNarrow, StopsAtTheFirstZeroByte)
{
    const FString text(std::string("ab\0cd", 5));
    EXPECT_EQ(text.ToString(), "ab");
}

TEST(FStringFromNarrow, EmptyTextHasNoBufferAndCountZero)
{
    const std::size_t before = sim::LiveAllocations();
    const FString text("");
    EXPECT_EQ(text.Num(), 0);
    EXPECT_EQ(text.RawData(), nullptr);
    EXPECT_EQ(text.ToString(), "");
    EXPECT_EQ(sim::LiveAllocations(), before);
}

TEST(FStringToUtf8, SurrogatePairBecomesOneFourByteSequence)
{
    EXPECT_EQ(FromUnits(u"a\U0001F996b").ToString(), "a\xF0\x9F\xA6\x96" "b");  // a sauropod
}

TEST(FStringToUtf8, BmpCharactersUseTwoAndThreeBytes)
{
    EXPECT_EQ(FromUnits(u"\u00E9\u20AC").ToString(), "\xC3\xA9\xE2\x82\xAC");
}

TEST(FStringToUtf8, UnpairedSurrogatesBecomeReplacementCharacters)
{
    const std::u16string lonelyHigh{u'x', char16_t(0xD83E), u'y'};
    const std::u16string lonelyLow{char16_t(0xDD96), u'z'};
    const std::u16string highAtEnd{u'q', char16_t(0xD83E)};
    const std::u16string reversedPair{char16_t(0xDD96), char16_t(0xD83E)};
    EXPECT_EQ(FromUnits(lonelyHigh).ToString(), "x\xEF\xBF\xBDy");
    EXPECT_EQ(FromUnits(lonelyLow).ToString(), "\xEF\xBF\xBDz");
    EXPECT_EQ(FromUnits(highAtEnd).ToString(), "q\xEF\xBF\xBD");
    EXPECT_EQ(FromUnits(reversedPair).ToString(), "\xEF\xBF\xBD\xEF\xBF\xBD");
}

// Messages (not names) cross to the game whole: UTF-8 to UTF-16 and back loses nothing, and
// a byte that starts no valid sequence becomes U+FFFD without taking its neighbours along.
TEST(FStringFromUtf8, EveryCharacterSurvivesBothWays)
{
    const std::string text = "Größe サーバ 🦖";
    const FString units = FString::FromUtf8(text);
    EXPECT_EQ(std::u16string(*units), u"Größe サーバ 🦖");
    EXPECT_EQ(units.Len(), 12) << "the dinosaur is one surrogate pair";
    EXPECT_EQ(units.ToString(), text);

    EXPECT_EQ(std::u16string(*FString::FromUtf8("a\xFF" "b\xC3")), u"a\xFFFD" "b\xFFFD");
    EXPECT_EQ(FString::FromUtf8("").Num(), 0);
}

TEST(FStringOperations, SearchIgnoringAsciiCase)
{
    EXPECT_EQ(FString("PrimalBuff_BUFF_netted_material_C_3").FindIgnoreCase("Buff_Netted_Material"), 11);
    EXPECT_EQ(FString("Buff_Netted_Materia").FindIgnoreCase("Buff_Netted_Material"), -1);
    EXPECT_EQ(FString().FindIgnoreCase("Buff_Netted_Material"), -1);
}

TEST(FStringMemory, EveryBufferGoesBackToTheGameAllocator)
{
    const std::size_t before = sim::LiveAllocations();
    const std::size_t frees = sim::UnknownPointerFrees();
    {
        FString a("alpha");
        FString b(a);
        FString c(std::move(a));
        b = c;
        c = FString("gamma");
        b = std::move(c);
        const FString& same = b;
        b = same;
        EXPECT_GT(sim::LiveAllocations(), before);
    }
    EXPECT_EQ(sim::LiveAllocations(), before);
    EXPECT_EQ(sim::UnknownPointerFrees(), frees);
}

}  // namespace
