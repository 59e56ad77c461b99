// The host's hook chains: the game's entry runs the newest detour, each detour calls on through
// the slot the host filled, and removing any detour relinks the chain around it.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "standin/SimHost.h"
#include "host/GameAccess.h"

namespace {

std::vector<std::string> calls;

int GameAdd(int a, int b)
{
    calls.push_back("game");
    return a + b;
}

int (*firstSlot)(int, int) = nullptr;
int (*secondSlot)(int, int) = nullptr;

int FirstDetour(int a, int b)
{
    calls.push_back("first");
    return firstSlot(a, b) * 10;
}

int SecondDetour(int a, int b)
{
    calls.push_back("second");
    return secondSlot(a + 1, b);
}

class HookChain : public ::testing::Test {
protected:
    void SetUp() override
    {
        sim::RegisterFunction<&GameAdd>("Test.Add");
        calls.clear();
    }
    static int CallAsTheGame(int a, int b) { return sim::CallGame<int>("Test.Add", a, b); }
    static bool Install(void* detour, int (**slot)(int, int))
    {
        return ArkApi::GetHooks().SetHook("Test.Add", detour, reinterpret_cast<void**>(slot));
    }
};

TEST_F(HookChain, UnhookedFunctionRunsTheGame)
{
    EXPECT_EQ(CallAsTheGame(2, 3), 5);
    EXPECT_EQ(calls, (std::vector<std::string>{"game"}));
}

TEST_F(HookChain, TwoDetoursRunNewestFirstAndCallThrough)
{
    ASSERT_TRUE(Install(reinterpret_cast<void*>(&FirstDetour), &firstSlot));
    ASSERT_TRUE(Install(reinterpret_cast<void*>(&SecondDetour), &secondSlot));
    EXPECT_EQ(reinterpret_cast<void*>(firstSlot), reinterpret_cast<void*>(&GameAdd));
    EXPECT_EQ(reinterpret_cast<void*>(secondSlot), reinterpret_cast<void*>(&FirstDetour));

    EXPECT_EQ(CallAsTheGame(2, 3), 60);  // second adds 1, first multiplies the game's 6 by 10
    EXPECT_EQ(calls, (std::vector<std::string>{"second", "first", "game"}));
    EXPECT_EQ(sim::HookCount("Test.Add"), 2u);
}

TEST_F(HookChain, RemovingTheOlderDetourRelinksTheNewerOneToTheGame)
{
    Install(reinterpret_cast<void*>(&FirstDetour), &firstSlot);
    Install(reinterpret_cast<void*>(&SecondDetour), &secondSlot);
    EXPECT_TRUE(ArkApi::GetHooks().DisableHook("Test.Add", reinterpret_cast<void*>(&FirstDetour)));

    EXPECT_EQ(CallAsTheGame(2, 3), 6);
    EXPECT_EQ(calls, (std::vector<std::string>{"second", "game"}));

    calls.clear();
    EXPECT_TRUE(ArkApi::GetHooks().DisableHook("Test.Add", reinterpret_cast<void*>(&SecondDetour)));
    EXPECT_EQ(CallAsTheGame(2, 3), 5);
    EXPECT_EQ(calls, (std::vector<std::string>{"game"}));
    EXPECT_EQ(sim::HookCount("Test.Add"), 0u);
}

TEST_F(HookChain, RemovingTheNewestDetourRestoresTheOlderOne)
{
    Install(reinterpret_cast<void*>(&FirstDetour), &firstSlot);
    Install(reinterpret_cast<void*>(&SecondDetour), &secondSlot);
    ArkApi::GetHooks().DisableHook("Test.Add", reinterpret_cast<void*>(&SecondDetour));
    EXPECT_EQ(CallAsTheGame(2, 3), 50);
    EXPECT_EQ(calls, (std::vector<std::string>{"first", "game"}));
}

TEST_F(HookChain, UnknownDetoursAreRefused)
{
    int (*slot)(int, int) = nullptr;
    EXPECT_FALSE(ArkApi::GetHooks().SetHook("Nobody.Knows", reinterpret_cast<void*>(&FirstDetour), reinterpret_cast<void**>(&slot)));
    EXPECT_EQ(slot, nullptr);
    EXPECT_FALSE(ArkApi::GetHooks().SetHook("Test.Add", nullptr, reinterpret_cast<void**>(&slot)));
    EXPECT_FALSE(ArkApi::GetHooks().SetHook("Test.Add", reinterpret_cast<void*>(&FirstDetour), static_cast<void**>(nullptr)));
    EXPECT_FALSE(ArkApi::GetHooks().DisableHook("Nobody.Knows", reinterpret_cast<void*>(&FirstDetour)));
    EXPECT_FALSE(ArkApi::GetHooks().DisableHook("Test.Add", reinterpret_cast<void*>(&SecondDetour)));
    EXPECT_EQ(CallAsTheGame(1, 1), 2);
}

// As the real host: a name it does not know is looked up as 0, so a function is the module's base
// (never null), a field lies at the object itself, a bit field is 0 bits there. A forgotten name
// is answered the same way, and cannot be hooked, while the game still calls its function.
TEST_F(HookChain, UnknownAndForgottenNamesAreAnsweredAsTheRealHostAnswersThem)
{
    sim::RegisterField("Test.Field", 24);
    sim::RegisterBitField("Test.Flag", 8, 3, 1);
    const auto object = std::make_unique<unsigned char[]>(32);
    const auto address = reinterpret_cast<std::uintptr_t>(object.get());
    void* const moduleBase = GetAddress("Nobody.Knows");

    ASSERT_NE(moduleBase, nullptr);
    EXPECT_EQ(GetAddress("Nobody.KnowsEither"), moduleBase);
    EXPECT_NE(GetAddress("Test.Add"), moduleBase);
    EXPECT_EQ(GetAddress(object.get(), "Nobody.Knows"), address);
    EXPECT_EQ(GetAddress(static_cast<const void*>(nullptr), "Test.Field"), 24u) << "no object: the offset alone";
    const BitField unknownBits = GetBitField(object.get(), "Nobody.Knows");
    EXPECT_EQ(unknownBits.offset, address);
    EXPECT_EQ(unknownBits.num_bits, 0u);

    ASSERT_TRUE(sim::ForgetName("Test.Add"));
    ASSERT_TRUE(sim::ForgetName("Test.Field"));
    ASSERT_TRUE(sim::ForgetName("Test.Flag"));
    EXPECT_FALSE(sim::ForgetName("Nobody.Knows"));
    EXPECT_EQ(GetAddress("Test.Add"), moduleBase);
    EXPECT_EQ(GetAddress(object.get(), "Test.Field"), address);
    EXPECT_EQ(GetBitField(object.get(), "Test.Flag").num_bits, 0u);
    int (*slot)(int, int) = nullptr;
    EXPECT_FALSE(ArkApi::GetHooks().SetHook("Test.Add", reinterpret_cast<void*>(&FirstDetour), &slot));
    EXPECT_EQ(CallAsTheGame(1, 1), 2);

    sim::ResetHost();
    EXPECT_NE(GetAddress("Test.Add"), moduleBase) << "a fresh host knows every name again";
}

// The host reports each bit field's word with its length: a one-byte word is read as one byte
// (not four, past the end of the object), and a field that does not fit its word reads as unknown.
TEST(GameBits, ReadTheWordTheHostDescribes)
{
    sim::RegisterBitField("Test.LastByteFlag", 3, 7, 1, 1);
    sim::RegisterBitField("Test.MiddleBits", 1, 4, 3, 2);
    sim::RegisterBitField("Test.PastItsWord", 3, 6, 4, 1);
    const auto object = std::make_unique<unsigned char[]>(4);
    object[1] = 0x70;
    object[2] = 0x00;
    object[3] = 0x80;
    EXPECT_EQ(game::Bits("Test.LastByteFlag").Read(object.get()), 1u);
    EXPECT_EQ(game::Bits("Test.MiddleBits").Read(object.get()), 7u);
    EXPECT_EQ(game::Bits("Test.PastItsWord").Read(object.get()), 0u);
}

TEST(GameAllocator, CountsLiveBlocksAndIgnoresPointersItNeverHandedOut)
{
    using Malloc = void* (*)(std::size_t, std::uint32_t);
    using Realloc = void* (*)(void*, std::size_t);
    using Free = void (*)(void*);
    auto malloc = reinterpret_cast<Malloc>(GetAddress("FMemory.Malloc"));
    auto realloc = reinterpret_cast<Realloc>(GetAddress("FMemory.Realloc"));
    auto free = reinterpret_cast<Free>(GetAddress("FMemory.Free"));
    const std::size_t before = sim::LiveAllocations();
    const std::size_t unknownBefore = sim::UnknownPointerFrees();

    void* block = malloc(16, 0);
    EXPECT_EQ(sim::LiveAllocations(), before + 1);
    block = realloc(block, 4096);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(sim::LiveAllocations(), before + 1);

    int local = 0;
    free(&local);
    EXPECT_EQ(realloc(&local, 8), nullptr);
    free(nullptr);
    EXPECT_EQ(sim::UnknownPointerFrees(), unknownBefore + 2);

    free(block);
    free(block);  // a double free is noticed, not acted on
    EXPECT_EQ(sim::LiveAllocations(), before);
    EXPECT_EQ(sim::UnknownPointerFrees(), unknownBefore + 3);
}

}  // namespace
