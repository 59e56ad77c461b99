// The host's plugin manager where an admin meets it: the PluginInfo.json it reads from a plugin's
// folder, the line it logs for each plugin it loads, and its own commands plugins.load and
// plugins.unload, on the console and over RCON. Mapping and unmapping the library is the
// server's part, handed in with SetPluginManager.

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <vector>

#include <fmt/format.h>
#include <nlohmann/json.hpp>
#include <spdlog/logger.h>

#include "host/Ascii.h"
#include "standin/HostReset.h"
#include "standin/PluginCommands.h"
#include "standin/SimHost.h"

namespace {

constexpr FLinearColor kGreen{0.0f, 1.0f, 0.0f, 1.0f};
constexpr int kRconResponseValue = 0;

sim::PluginManager& Manager()
{
    static sim::PluginManager manager;
    return manager;
}

// A logger of the host's own over its sinks, made for each line: the host opens its log file
// after start, so the list of sinks changes. It never sets a pattern: a plugin's formatter, where
// a sink holds one, formats the host's lines too, as in a host built with spdlog 1.x.
void HostLog(spdlog::level::level_enum level, const std::string& text)
{
    const std::vector<spdlog::sink_ptr>& sinks = GetLogSinks();
    spdlog::logger logger("API", sinks.begin(), sinks.end());
    logger.log(level, text);
    logger.flush();
}

// The host reads the version as a float and writes it with its decimals: 1 shows as 1.0.
std::string VersionText(float version)
{
    std::string text = fmt::format("{}", version);
    if (text.find_first_of(".eEn") == std::string::npos) {
        text += ".0";
    }
    return text;
}

// The words of a command line, split at spaces as the host splits them.
std::vector<std::string> Words(const std::string& line)
{
    std::vector<std::string> words;
    std::istringstream stream(line);
    for (std::string word; std::getline(stream, word, ' ');) {
        if (!word.empty()) {
            words.push_back(word);
        }
    }
    return words;
}

// Runs "plugins.load <Name>" or "plugins.unload <Name>" and returns the host's reply; nothing
// when the line is neither, or when no server took on the manager's part.
std::optional<std::string> RunPluginCommand(const FString* line)
{
    if (line == nullptr || !Manager().Load || !Manager().Unload) {
        return std::nullopt;
    }
    const std::vector<std::string> words = Words(line->ToString());
    const std::string command = words.empty() ? std::string() : ascii::Lower(words[0]);
    const bool load = command == "plugins.load";
    if (!load && command != "plugins.unload") {
        return std::nullopt;
    }
    const char* verb = load ? "load" : "unload";
    std::string error = "no plugin name given";
    if (words.size() >= 2) {
        error = load ? Manager().Load(words[1]) : Manager().Unload(words[1]);
    }
    if (!error.empty()) {
        const std::string reply = fmt::format("Failed to {} plugin - {}", verb, error);
        HostLog(spdlog::level::warn, reply);
        return reply;
    }
    if (!load) {
        // Logged after the server has unloaded the library and taken back any formatter of it.
        HostLog(spdlog::level::info, "Unloaded plugin " + words[1]);
    }
    return fmt::format("Successfully {}ed plugin", verb);
}

}  // namespace

namespace sim {

bool ReadPluginInfo(const std::string& folder, const std::string& name, PluginInfo& info, std::string& error)
{
    info = PluginInfo{};
    info.FullName = name;
    const std::filesystem::path path = std::filesystem::u8path(folder) / "PluginInfo.json";
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return true;  // a plugin without the file loads with the host's defaults
    }
    try {
        const nlohmann::json json = nlohmann::json::parse(file);
        info.FullName = json.value("FullName", info.FullName);
        info.Description = json.value("Description", info.Description);
        info.Version = json.value("Version", info.Version);
        // Read as the host reads it, as a number: a host older than it refuses the plugin, and a
        // value of another type stops the load there too. The stand-in host is never too old.
        (void)json.value("MinApiVersion", 0.0f);
    } catch (const nlohmann::json::exception& failure) {
        error = path.u8string() + ": " + failure.what();
        return false;
    }
    return true;
}

void LogPluginLoaded(const PluginInfo& info)
{
    HostLog(spdlog::level::info, fmt::format("Loaded plugin {} V{} ({})", info.FullName, VersionText(info.Version), info.Description));
}

void SetPluginManager(PluginManager manager)
{
    Manager() = std::move(manager);
}

void detail::ResetPlugins()
{
    Manager() = PluginManager{};
}

bool detail::RunHostConsoleCommand(APlayerController* player, FString* line)
{
    const std::optional<std::string> reply = RunPluginCommand(line);
    if (!reply) {
        return false;
    }
    // The host answers whoever typed it in their chat, in green; the server console gets the log.
    if (player != nullptr) {
        FString text = FString::FromUtf8(*reply);
        CallGame<void>("AShooterPlayerController.ClientServerChatDirectMessage", static_cast<AShooterPlayerController*>(player), &text,
                       kGreen, false);
    }
    return true;
}

bool detail::RunHostRconCommand(RCONClientConnection* connection, RCONPacket* packet)
{
    const std::optional<std::string> reply = RunPluginCommand(packet == nullptr ? nullptr : &packet->Body);
    if (!reply) {
        return false;
    }
    if (connection != nullptr) {
        FString text = FString::FromUtf8(*reply);
        CallGame<void>("RCONClientConnection.SendMessageW", connection, packet->Id, kRconResponseValue, &text);
    }
    return true;
}

}  // namespace sim
