// dinotuner-sim: a simulated ARK dedicated server that loads the plugin as the plugin host does
// and drives it from console lines, scripts and RCON clients.

#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "Console.h"
#include "Interactive.h"
#include "RconRequest.h"
#include "os/LibraryLoader.h"
#include "os/SystemText.h"
#include "rcon/RconServer.h"
#include "standin/SimHost.h"
#include "world/World.h"

namespace {

#if defined(_WIN32)
constexpr const char* kPluginFileName = "DinoTuner.dll";
#else
constexpr const char* kPluginFileName = "DinoTuner.so";
#endif

// Exit statuses: an error or failed check during the run, and bad command-line use.
constexpr int kBadUse = 2;
constexpr int kRunFailed = 1;

int BadUse(const std::string& message)
{
    std::fprintf(stderr, "error: %s\n", message.c_str());
    return kBadUse;
}

// Problems with the command line that can be seen before the server starts.
std::string CheckEnvironment(const console::Options& options)
{
    for (const std::string& script : options.Scripts) {
        if (!std::ifstream(std::filesystem::u8path(script), std::ios::binary)) {
            return "cannot read script " + script;
        }
    }
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::u8path(options.Dir), error);
    std::error_code ignored;
    if (!std::filesystem::is_directory(std::filesystem::u8path(options.Dir), ignored)) {
        return "cannot create server directory " + options.Dir + (error ? ": " + error.message() : std::string());
    }
    return {};
}

bool LoadSpeciesCatalog(std::string& error)
{
    sim::World& world = sim::World::Get();  // loads the catalog named at build time
    if (!world.Species().empty()) {
        return true;
    }
    if (!world.CatalogError().empty()) {
        error = world.CatalogError();
        return false;
    }
#if defined(DINOTUNER_SPECIES_CATALOG)
    return world.LoadCatalog(DINOTUNER_SPECIES_CATALOG, error);
#else
    error = "this build knows no species catalog";
    return false;
#endif
}

// Listens for RCON clients; their requests run through the host's registries, one at a time,
// on this thread. `holder` receives the listener (its handler answers through it).
bool StartRcon(const console::Options& options, console::Console& console, std::unique_ptr<sim::RconServer>& holder, std::string& error)
{
    holder = std::make_unique<sim::RconServer>(
        options.RconPassword, [&console, &holder](int connection, std::int32_t requestId, const std::string& body) {
            console.BeginCommand();
            try {
                console::RunRconRequest(requestId, body, [&](std::int32_t id, std::int32_t type, const std::string& text) {
                    holder->Send(connection, id, type, text);
                });
            } catch (const std::exception& failure) {
                console.ReportError(failure.what());
            }
            std::fflush(stdout);
        });
    holder->SetNoticeHandler([&console](const sim::RconServer::Notice& notice) { console.Notice(notice.line); });
    if (!holder->Listen(*options.RconPort, error)) {
        holder.reset();
        return false;
    }
    console.Print("rcon listening on 127.0.0.1:" + std::to_string(holder->Port()));
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    console::Options options;
    std::string error;
    if (!console::ParseCommandLine(sim::os::ProgramArguments(argc, argv), options, error)) {
        return BadUse(error);
    }
    if (options.Help) {
        std::fputs(console::UsageText().c_str(), stdout);
        return 0;
    }
    if (options.Version) {
        std::printf("dinotuner-sim %s\n", DINOTUNER_VERSION);
        return 0;
    }
    if (error = CheckEnvironment(options); !error.empty()) {
        return BadUse(error);
    }
    if (!LoadSpeciesCatalog(error)) {
        std::fprintf(stderr, "error: %s\n", error.c_str());
        return kRunFailed;
    }

    if (options.Map) {
        sim::World::Get().SetMapName(*options.Map);
    }
    // The host reports the folder as the system names it (on Windows: drive letter, backslashes).
    sim::SetCurrentDir(sim::os::FullPath(options.Dir));
    sim::OpenLogFile(options.Dir);
    sim::SetServerStatus(options.ServerState == 1 ? ArkApi::ServerStatus::Ready : ArkApi::ServerStatus::Loading);
    // Without --plugin: the plugin installed in the server's folder, as the host loads it, or else
    // the one built next to this program.
    const std::string pluginPath = options.PluginPath.value_or(sim::FileNextToExecutable(kPluginFileName, argv[0]));
    console::Console console(pluginPath, !options.PluginPath);
    console.SetNarrate(options.Narrate);

    std::unique_ptr<sim::RconServer> rcon;
    if (options.RconPort) {
        if (!StartRcon(options, console, rcon, error)) {
            return BadUse("cannot listen for RCON: " + error);
        }
    }

    if (options.LoadAtStart) {
        console.LoadPlugin();
    }
    for (const std::string& script : options.Scripts) {
        if (console.QuitRequested()) {
            break;
        }
        if (!console.RunScript(script)) {
            console.ReportError("cannot read script " + script);
        }
    }
    if (!console.QuitRequested() && (options.Serve || options.Scripts.empty())) {
        console::RunInteractive(console, rcon.get());
    }
    console.Shutdown();
    console.PrintSummary();
    return console.ExitStatus();
}
