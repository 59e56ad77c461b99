// Runs the configuration steps of the plugin's load on a file of the admin's choosing, with the
// plugin's own classes and logger, so every line and every rule is exactly the plugin's.

#include <exception>
#include <filesystem>
#include <fstream>
#include <random>
#include <system_error>

#include "CheckReport.h"
#include "SimHost.h"
#include "config/ConfigFile.h"
#include "logging/Logger.h"

namespace check {

namespace {

namespace fs = std::filesystem;

// The host's console sink hands every formatted line here.
std::vector<std::string>* capturedLines = nullptr;

// The level name between "][" and "] " of a line in the plugin's pattern.
std::string LevelOf(const std::string& line)
{
    const auto open = line.find("][");
    const auto close = line.find("] ", open == std::string::npos ? 0 : open);
    if (open == std::string::npos || close == std::string::npos) {
        return "";
    }
    return line.substr(open + 2, close - open - 2);
}

std::string MessageOf(const std::string& line)
{
    const auto open = line.find("][");
    const auto close = line.find("] ", open == std::string::npos ? 0 : open);
    return close == std::string::npos ? line : line.substr(close + 2);
}

// A ConfigFile only exists once it has read a file at the host's plugin path; the checker gives it
// a harmless one in a scratch server folder, then points it at the admin's file.
std::unique_ptr<ConfigFile> MakeConfigFile()
{
    std::random_device random;
    const fs::path scratch = fs::temp_directory_path() / ("dinotuner-check-" + std::to_string(random()) + std::to_string(random()));
    const fs::path folder = scratch / "ArkApi" / "Plugins" / "DinoTuner";
    fs::create_directories(folder);
    std::ofstream(folder / "config.json") << "null";

    sim::SetCurrentDir(scratch.u8string());
    std::unique_ptr<ConfigFile> config;
    try {
        config = std::make_unique<ConfigFile>("DinoTuner/config.json");
    } catch (...) {
        std::error_code ignored;
        fs::remove_all(scratch, ignored);
        throw;
    }
    std::error_code ignored;
    fs::remove_all(scratch, ignored);
    return config;
}

}  // namespace

void LoadWithPlugin(const std::string& file, Report& report)
{
    report.File = file;
    std::vector<std::string> lines;
    capturedLines = &lines;
    sim::SetLogOutput([](const std::string& line) {
        if (capturedLines != nullptr) {
            capturedLines->push_back(line);
        }
    });
    InitLogger(GetLogger(), "DinoTuner");

    std::unique_ptr<ConfigFile> config = MakeConfigFile();
    lines.clear();  // the scratch file's "Config Loaded!" is not the admin's

    // The load's own order: read the file, then fill the table; a failure of either is logged
    // with the exception's text, as the plugin's entry point logs a load that stops.
    config->Path = file;
    try {
        config->Read();
        report.Parsed = true;
        report.Table.LoadBalances(config->Document);
        report.Loaded = true;
    } catch (const std::exception& error) {
        GetLogger()->error(error.what());
    }
    if (report.Parsed) {
        report.Document = std::move(config->Document);
    }

    capturedLines = nullptr;
    sim::SetLogOutput({});
    for (const std::string& line : lines) {
        report.LogLines.push_back(line);
        if (LevelOf(line) == "error") {
            report.Errors.push_back(MessageOf(line));
        }
    }
}

}  // namespace check
