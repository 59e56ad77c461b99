// dinotuner-check against the plugin itself: for every test file, the lines the checker prints
// must be the lines the plugin logs when the host loads it with that file, and the --json report
// must say what the text says.

#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "frame/Lifecycle.h"
#include "logging/LogLine.h"
#include "support/RecordingSink.h"
#include "support/ServerDir.h"

namespace {

namespace fs = std::filesystem;

struct CheckerRun {
    std::string Output;
    int Status = -1;
};

CheckerRun RunChecker(const std::string& arguments)
{
    CheckerRun run;
    const std::string command = std::string("'") + DINOTUNER_CHECKER + "' " + arguments;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return run;
    }
    char buffer[4096];
    std::size_t read = 0;
    while ((read = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        run.Output.append(buffer, read);
    }
    const int status = pclose(pipe);
    run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        lines.push_back(line);
    }
    return lines;
}

// The plugin's error lines and its count line, from "[DinoTuner]" on: the timestamp may differ.
std::vector<std::string> PluginLines(const std::vector<std::string>& lines)
{
    std::vector<std::string> kept;
    for (const std::string& line : lines) {
        const auto start = line.find("[DinoTuner][");
        if (start == std::string::npos) {
            continue;
        }
        const std::string tail = line.substr(start);
        if (tail.rfind("[DinoTuner][error] ", 0) == 0 || tail.find("dino balances!") != std::string::npos) {
            kept.push_back(tail);
        }
    }
    return kept;
}

std::string ReadFile(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

std::vector<std::string> CaseFiles()
{
    std::vector<std::string> files;
    for (const auto& item : fs::directory_iterator(DINOTUNER_CHECK_CASES)) {
        if (item.path().extension() == ".json") {
            files.push_back(item.path().string());
        }
    }
    files.push_back(std::string(DINOTUNER_SOURCE_DIR) + "/examples/config.json");
    std::sort(files.begin(), files.end());
    return files;
}

std::string CaseName(const ::testing::TestParamInfo<std::string>& info)
{
    std::string name = fs::path(info.param).parent_path().filename().string() + "_" + fs::path(info.param).stem().string();
    std::replace_if(name.begin(), name.end(), [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
    return name;
}

class CheckerCase : public ::testing::TestWithParam<std::string> {};

TEST_P(CheckerCase, PrintsTheLinesThePluginLogs)
{
    // The plugin, loaded by the host with this file as its configuration.
    auto log = testing_support::RecordHostLog();
    testing_support::ServerDir server;
    server.WriteConfig(ReadFile(GetParam()));
    AttachProcess();
    const std::vector<std::string> plugin = PluginLines(log->Lines());
    ASSERT_FALSE(plugin.empty());

    const CheckerRun check = RunChecker("'" + GetParam() + "'");
    EXPECT_EQ(PluginLines(SplitLines(check.Output)), plugin) << check.Output;
}

TEST_P(CheckerCase, JsonReportAgreesWithTheText)
{
    const CheckerRun text = RunChecker("'" + GetParam() + "'");
    const CheckerRun report = RunChecker("--json '" + GetParam() + "'");
    ASSERT_EQ(report.Status, text.Status);

    const nlohmann::json json = nlohmann::json::parse(report.Output);
    EXPECT_EQ(json.at("exitStatus"), text.Status);
    EXPECT_EQ(json.at("status"), text.Status == 0 ? "clean" : text.Status == 3 ? "warnings" : "errors");

    std::vector<std::string> errorLines;
    std::size_t warnings = 0;
    for (const std::string& line : SplitLines(text.Output)) {
        if (const std::optional<LogLine> parsed = ParseLogLine(line); parsed && parsed->Level == "error") {
            errorLines.push_back(parsed->Message);
        }
        warnings += line.rfind("warning: ", 0) == 0 ? 1 : 0;
    }
    EXPECT_EQ(json.at("errors").get<std::vector<std::string>>(), errorLines);
    EXPECT_EQ(json.at("warnings").size(), warnings);
    EXPECT_EQ(text.Status == 3, warnings > 0 && errorLines.empty());
    if (json.at("loaded").get<bool>()) {
        const std::string count = "Species entries: " + std::to_string(json.at("entries").size()) + "\n";
        EXPECT_NE(text.Output.find(count), std::string::npos);
    }
}

INSTANTIATE_TEST_SUITE_P(Files, CheckerCase, ::testing::ValuesIn(CaseFiles()), CaseName);

TEST(Checker, ExampleIsCleanAndShowsEffectiveValues)
{
    const CheckerRun report = RunChecker("--json '" + std::string(DINOTUNER_SOURCE_DIR) + "/examples/config.json'");
    ASSERT_EQ(report.Status, 0) << report.Output;
    const nlohmann::json json = nlohmann::json::parse(report.Output);
    EXPECT_TRUE(json.at("warnings").empty());

    const std::string rex = "Blueprint'/Game/PrimalEarth/Dinos/Rex/Rex_Character_BP.Rex_Character_BP'";
    const std::string turret = "Blueprint'/Game/PrimalEarth/Structures/StructureTurretBaseBP.StructureTurretBaseBP'";
    bool seenRex = false;
    bool seenTurret = false;
    for (const auto& entry : json.at("entries")) {
        const auto& effective = entry.at("effective");
        if (entry.at("key") == rex) {
            seenRex = true;
            EXPECT_EQ(effective.at("resistance"), 2.0);
            EXPECT_TRUE(effective.at("attack").is_null()) << "a missing attack multiplier reads 0 and leaves damage unchanged";
            EXPECT_TRUE(effective.at("food").is_null()) << "a species entry does not take the global multipliers";
            EXPECT_FALSE(effective.at("breed").get<bool>());
        }
        if (entry.at("key") == turret) {
            seenTurret = true;
            EXPECT_EQ(effective.at("attack"), 0.5);
        }
    }
    EXPECT_TRUE(seenRex);
    EXPECT_TRUE(seenTurret);
    EXPECT_EQ(json.at("global").at("effective").at("food"), 0.9);
    EXPECT_TRUE(json.at("global").at("effective").at("oxygen").is_null());
}

TEST(Checker, AMissingFileIsTheOpenError)
{
    const CheckerRun run = RunChecker("/nonexistent/dinotuner/config.json");
    EXPECT_EQ(run.Status, 1);
    EXPECT_NE(run.Output.find("[DinoTuner][error] Can't open config file: /nonexistent/dinotuner/config.json (not found)\n"), std::string::npos)
        << run.Output;
}

TEST(Checker, HostileFilesAreCheckedWithoutCrashing)
{
    testing_support::ServerDir scratch;
    const std::string deep = scratch.Path() + "/deep.json";
    {
        const std::size_t depth = 100000;
        std::ofstream(deep) << R"({"GlobalDinoBalance": null, "DinoBalance": {"Blueprint'/Game/A/B.B'": {"Notes": )"
                            << std::string(depth, '[') << std::string(depth, ']') << R"(, "AllowTame": )" << std::string(depth, '[')
                            << std::string(depth, ']') << "}}}";
    }
    CheckerRun run = RunChecker("--json '" + deep + "'");
    EXPECT_EQ(run.Status, 1) << run.Output;
    EXPECT_NE(run.Output.find("type must be boolean, but is array"), std::string::npos);
    EXPECT_NE(run.Output.find(R"(unknown key \"Notes\")"), std::string::npos);

    // Bytes that are not UTF-8 end up quoted in the parser's message: the JSON report stays valid.
    const std::string broken = scratch.Path() + "/broken.json";
    std::ofstream(broken) << "{\"a\": \"\xFF\xFE\"}";
    run = RunChecker("--json '" + broken + "'");
    EXPECT_EQ(run.Status, 1);
    EXPECT_NO_THROW(nlohmann::json::parse(run.Output)) << run.Output;
}

TEST(Checker, CommandLineMistakesAreUsageErrors)
{
    EXPECT_EQ(RunChecker("").Status, 2);
    EXPECT_EQ(RunChecker("--frobnicate x.json").Status, 2);
    EXPECT_EQ(RunChecker("a.json b.json").Status, 2);
    EXPECT_EQ(RunChecker("--help").Status, 0);
}

TEST(Checker, ColoursOnlyWhenAskedOrOnATerminal)
{
    const std::string example = "'" + std::string(DINOTUNER_SOURCE_DIR) + "/examples/config.json'";
    EXPECT_EQ(RunChecker(example).Output.find('\033'), std::string::npos);
    EXPECT_NE(RunChecker("--color " + example).Output.find('\033'), std::string::npos);
    EXPECT_EQ(RunChecker("--color --no-color " + example).Output.find('\033'), std::string::npos);
}

}  // namespace
