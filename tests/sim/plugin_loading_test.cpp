// Loading the plugin library as the host does: attach after static initialisation, detach
// before unmapping, a really fresh library on the next load, and the errors of a library that
// is missing or is no plugin.

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "ConsoleError.h"
#include "PluginSession.h"
#include "SimHost.h"
#include "os/LibraryLoader.h"
#include "support/RecordingSink.h"
#include "support/ServerDir.h"
#include "world/World.h"

namespace {

using testing_support::ServerDir;

std::size_t HooksInstalled()
{
    std::size_t total = 0;
    for (const char* function : console::kHookedFunctions) {
        total += sim::HookCount(function);
    }
    return total;
}

class PluginLoading : public ::testing::Test {
protected:
    void SetUp() override
    {
        sim::World::Get();  // the game's functions exist before the plugin looks them up
        server.WriteConfig(testing_support::kEmptyConfig);
    }

    // A copy of the plugin for a test that leaves its library mapped on purpose: were it the
    // shared build, every later load in this process would find it still in memory at unload.
    std::string PrivatePluginCopy() const
    {
        const std::string copy = server.Path() + "/DinoTunerKeptMapped.so";
        std::filesystem::copy_file(DINOTUNER_PLUGIN_PATH, copy, std::filesystem::copy_options::overwrite_existing);
        return copy;
    }

    std::shared_ptr<testing_support::RecordingSink> log = testing_support::RecordHostLog();
    ServerDir server;
    sim::LibraryLoader loader;
};

TEST_F(PluginLoading, AMissingLibraryIsReportedAndNothingIsLoaded)
{
    std::string error;
    EXPECT_FALSE(loader.Load(server.Path() + "/nowhere/DinoTuner.so", error));
    EXPECT_NE(error.find("DinoTuner.so"), std::string::npos) << error;
    EXPECT_FALSE(loader.IsLoaded());
    EXPECT_EQ(loader.Unload(), "");
}

TEST_F(PluginLoading, ALibraryWithoutEntryPointIsRefused)
{
    std::string error;
    EXPECT_FALSE(loader.Load(HOST_LIBRARY_PATH, error));
    EXPECT_NE(error.find("DllMain"), std::string::npos) << error;
    EXPECT_FALSE(loader.IsLoaded());
}

TEST_F(PluginLoading, AttachInstallsAndDetachRunsBeforeTheLibraryIsUnmapped)
{
    std::string error;
    ASSERT_TRUE(loader.Load(DINOTUNER_PLUGIN_PATH, error)) << error;
    EXPECT_TRUE(loader.IsLoaded());
    EXPECT_EQ(HooksInstalled(), 6u);
    EXPECT_EQ(log->Count("Config Loaded!"), 1u);

    std::size_t hooksAtUnmap = 99;
    std::size_t commandsAtUnmap = 99;
    const std::string note = loader.Unload([&] {
        hooksAtUnmap = HooksInstalled();
        commandsAtUnmap = sim::ConsoleCommandNames().size() + sim::RconCommandNames().size();
        return true;
    });
    EXPECT_EQ(hooksAtUnmap, 0u) << "detach must have removed the hooks before the library goes";
    EXPECT_EQ(commandsAtUnmap, 0u);
    EXPECT_EQ(note, "") << "the library must really leave memory";
    EXPECT_FALSE(loader.IsLoaded());
}

TEST_F(PluginLoading, LoadAfterUnloadStartsFromFreshStaticState)
{
    std::string error;
    ASSERT_TRUE(loader.Load(DINOTUNER_PLUGIN_PATH, error)) << error;
    ASSERT_EQ(loader.Unload(), "");
    log->Clear();

    ASSERT_TRUE(loader.Load(DINOTUNER_PLUGIN_PATH, error)) << error;
    EXPECT_EQ(HooksInstalled(), 6u) << "each hook once, not on top of the first load's";
    EXPECT_EQ(log->Count("Config Loaded!"), 1u);
    EXPECT_EQ(sim::ConsoleCommandNames(), (std::vector<std::string>{"DinoTuner.Reload"}));
    EXPECT_EQ(loader.Unload(), "");
    EXPECT_EQ(HooksInstalled(), 0u);
}

TEST_F(PluginLoading, ASecondLoadWhileLoadedIsRefusedAndChangesNothing)
{
    std::string error;
    ASSERT_TRUE(loader.Load(DINOTUNER_PLUGIN_PATH, error)) << error;
    EXPECT_FALSE(loader.Load(DINOTUNER_PLUGIN_PATH, error));
    EXPECT_NE(error.find("already loaded"), std::string::npos) << error;
    EXPECT_EQ(HooksInstalled(), 6u);
    EXPECT_EQ(log->Count("Config Loaded!"), 1u) << "no second attach";
}

TEST_F(PluginLoading, ALibraryTheHostStillHoldsStaysMapped)
{
    std::string error;
    ASSERT_TRUE(loader.Load(PrivatePluginCopy(), error)) << error;
    const std::string note = loader.Unload([] { return false; });
    EXPECT_NE(note.find("stays in memory"), std::string::npos) << note;
    EXPECT_FALSE(loader.IsLoaded());
}

TEST_F(PluginLoading, SessionRefusesUnloadWithoutLoadAndADoubleLoad)
{
    console::PluginSession session(DINOTUNER_PLUGIN_PATH);
    EXPECT_THROW(session.Unload(), console::ConsoleError);
    session.Load();
    EXPECT_THROW(session.Load(), console::ConsoleError);
    EXPECT_NO_THROW(session.Unload());
    EXPECT_FALSE(session.IsLoaded());
    EXPECT_NO_THROW(session.Load()) << "a clean unload allows the next load";
    EXPECT_NO_THROW(session.Unload());
}

TEST_F(PluginLoading, SessionReportsWhatTheHostStillHoldsAfterDetach)
{
    console::PluginSession session(PrivatePluginCopy());
    session.Load();
    // Something registered while the plugin was loaded and not withdrawn at detach.
    ArkApi::GetCommands().RegisterConsoleCommand(FString("Stray.Command"), [](APlayerController*, FString*, bool) {});
    try {
        session.Unload();
        FAIL() << "a leftover command must be reported";
    } catch (const console::ConsoleError& error) {
        const std::string message = error.what();
        EXPECT_NE(message.find("console command Stray.Command"), std::string::npos) << message;
        EXPECT_EQ(message.find("DinoTuner.Reload"), std::string::npos) << "the plugin's own commands were withdrawn";
        EXPECT_NE(message.find("stays in memory"), std::string::npos) << message;
    }
    EXPECT_FALSE(session.IsLoaded());
    ArkApi::GetCommands().UnregisterConsoleCommand(FString("Stray.Command"));
}

TEST_F(PluginLoading, SessionLoadErrorsComeBackAsConsoleErrors)
{
    console::PluginSession session(server.Path() + "/nowhere/DinoTuner.so");
    EXPECT_THROW(session.Load(), console::ConsoleError);
    EXPECT_FALSE(session.IsLoaded());
}

}  // namespace
