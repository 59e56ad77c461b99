// Loading the plugin library as the host does: attach after static initialisation, detach
// before unmapping, a really fresh library on the next load, and the errors of a library that
// is missing or is no plugin.

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>
#include <spdlog/logger.h>

#include "ConsoleError.h"
#include "PluginSession.h"
#include "os/LibraryLoader.h"
#include "standin/SimHost.h"
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

    // A copy of the plugin for a test that leaves it mapped for the rest of the process: the
    // other tests must still get a fresh library from the build's path.
    std::string PrivateCopyOfPlugin() const
    {
        const std::string copy = server.Path() + "/kept-" + std::filesystem::path(DINOTUNER_PLUGIN_PATH).filename().string();
        std::filesystem::copy_file(DINOTUNER_PLUGIN_PATH, copy);
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

#if defined(NO_ENTRY_LIBRARY_PATH)
// Windows only: the host library above is refused because the process already has it; this one
// is a DLL linked without any entry point.
TEST_F(PluginLoading, ADllLinkedWithoutEntryPointIsRefusedAndUnloaded)
{
    std::string error;
    EXPECT_FALSE(loader.Load(NO_ENTRY_LIBRARY_PATH, error));
    EXPECT_NE(error.find("no entry point DllMain"), std::string::npos) << error;
    EXPECT_FALSE(loader.IsLoaded());
    EXPECT_TRUE(loader.Load(DINOTUNER_PLUGIN_PATH, error)) << "the refusal left nothing loaded: " << error;
}
#endif

// The library's statics live from before process attach to after process detach: the plugin's
// logger (the first thing Load makes) holds the host's sink during every host call of attach and
// detach, and only the static destructors, run as the library goes, let go of it.
TEST_F(PluginLoading, StaticsOutliveAttachAndDetachAndGoWithTheLibrary)
{
    const long before = log.use_count();
    std::vector<std::pair<std::string, long>> seen;
    sim::SetRequestListener([&](const sim::HostRequest& request) { seen.emplace_back(request.Operation, log.use_count()); });
    std::string error;
    ASSERT_TRUE(loader.Load(DINOTUNER_PLUGIN_PATH, error)) << error;
    const std::size_t attachCalls = seen.size();
    EXPECT_EQ(attachCalls, 14u) << "six hooks and four commands, each on the console and over RCON";
    EXPECT_EQ(log.use_count(), before + 1) << "the plugin's logger holds the sink while loaded";

    EXPECT_EQ(loader.Unload(), "");
    sim::SetRequestListener(nullptr);
    EXPECT_EQ(seen.size(), attachCalls + 14u) << "six hooks removed, eight commands withdrawn";
    for (const auto& [operation, users] : seen) {
        EXPECT_EQ(users, before + 1) << operation << " ran without the plugin's logger";
    }
    EXPECT_EQ(log.use_count(), before) << "the static destructors released the logger with the library";
}

// A plugin's logger gives the host's sinks its formatter (spdlog 1.x); once the library is gone,
// the stand-in host says so, takes it back, and logs with its own instead of calling into code
// that may be unmapped.
TEST_F(PluginLoading, AfterUnloadTheHostSaysItTookBackThePluginsFormatter)
{
    console::PluginSession session(DINOTUNER_PLUGIN_PATH);
    session.Load();
    const std::string note = session.Unload();
    EXPECT_NE(note.find("of the host's log sinks still held the plugin's log formatter"), std::string::npos) << note;
    spdlog::logger host("host", GetLogSinks().begin(), GetLogSinks().end());
    host.info("after unload");
    ASSERT_EQ(log->Count("after unload"), 1u);
    EXPECT_FALSE(ParseLogLine(log->Lines().back())) << "the host's own pattern again: " << log->Lines().back();

    session.Load();
    EXPECT_EQ(session.Unload(), note) << "each load's logger gives the sinks a formatter again";
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
    EXPECT_EQ(sim::ConsoleCommandNames(), (std::vector<std::string>{"DinoTuner.Reload", "DinoTuner.Status", "DinoTuner.Show", "DinoTuner.Species"}));
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

// Where the system allows it; on Windows detach and unmapping are one step and it is reported.
TEST_F(PluginLoading, ALibraryTheHostStillHoldsStaysMappedOrIsReported)
{
    std::string error;
    ASSERT_TRUE(loader.Load(PrivateCopyOfPlugin(), error)) << error;
    const std::string note = loader.Unload([] { return false; });
    const char* expected = sim::LibraryLoader::CanKeepMapped() ? "stays in memory" : "unmapped all the same";
    EXPECT_NE(note.find(expected), std::string::npos) << note;
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
    console::PluginSession session(PrivateCopyOfPlugin());
    session.Load();
    // Something registered while the plugin was loaded and not withdrawn at detach.
    ArkApi::GetCommands().AddConsoleCommand(FString("Stray.Command"), [](APlayerController*, FString*, bool) {});
    try {
        session.Unload();
        FAIL() << "a leftover command must be reported";
    } catch (const console::ConsoleError& error) {
        const std::string message = error.what();
        EXPECT_NE(message.find("console command Stray.Command"), std::string::npos) << message;
        EXPECT_EQ(message.find("DinoTuner.Reload"), std::string::npos) << "the plugin's own commands were withdrawn";
        const char* expected = sim::LibraryLoader::CanKeepMapped() ? "stays in memory" : "unmapped all the same";
        EXPECT_NE(message.find(expected), std::string::npos) << message;
    }
    EXPECT_FALSE(session.IsLoaded());
    ArkApi::GetCommands().RemoveConsoleCommand(FString("Stray.Command"));
}

// The host reads PluginInfo.json beside the library before loading it: the line it logs, its
// defaults without the file, and a file it cannot use, which stops the load before anything runs.
TEST_F(PluginLoading, TheHostNamesThePluginFromThePluginInfoBesideItsLibrary)
{
    const std::filesystem::path folder = std::filesystem::u8path(server.Path()) / "ArkApi" / "Plugins" / "DinoTuner";
    const std::filesystem::path library = folder / std::filesystem::path(DINOTUNER_PLUGIN_PATH).filename();
    std::filesystem::copy_file(DINOTUNER_PLUGIN_PATH, library);
    console::PluginSession session(library.u8string());
    const auto writeInfo = [&](const std::string& text) { std::ofstream(folder / "PluginInfo.json", std::ios::binary) << text; };

    session.Load();
    EXPECT_EQ(log->Count("[API][info] Loaded plugin DinoTuner V1.0 (No description)"), 1u);
    session.Unload();

    writeInfo(R"({"FullName": "Dino Tuner", "Description": "Rates", "Version": 2, "MinApiVersion": 3.0})");
    session.Load();
    EXPECT_EQ(log->Count("Loaded plugin Dino Tuner V2.0 (Rates)"), 1u);
    session.Unload();
    writeInfo(R"({"Version": 1.25})");
    session.Load();
    EXPECT_EQ(log->Count("Loaded plugin DinoTuner V1.25 (No description)"), 1u);
    session.Unload();

    for (const char* unusable : {R"({"Version": "1.2"})", R"({"MinApiVersion": "3.0"})", "{\"FullName\": "}) {
        writeInfo(unusable);
        try {
            session.Load();
            ADD_FAILURE() << "loaded with " << unusable;
            session.Unload();
        } catch (const console::ConsoleError& error) {
            EXPECT_NE(std::string(error.what()).find("PluginInfo.json: [json.exception."), std::string::npos) << error.what();
        }
        EXPECT_FALSE(session.IsLoaded());
        EXPECT_EQ(HooksInstalled(), 0u) << "the library never ran";
    }
}

TEST_F(PluginLoading, SessionLoadErrorsComeBackAsConsoleErrors)
{
    console::PluginSession session(server.Path() + "/nowhere/DinoTuner.so");
    EXPECT_THROW(session.Load(), console::ConsoleError);
    EXPECT_FALSE(session.IsLoaded());
}

}  // namespace
