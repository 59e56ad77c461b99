// dinotuner-check against the plugin itself: for every test file, the lines the checker prints
// must be the lines the plugin logs when the host loads it with that file, and the --json report
// must say what the text says.

#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "frame/Plugin.h"
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
    ASSERT_EQ(json.at("files").size(), 1u);
    const nlohmann::json& file = json.at("files")[0];
    EXPECT_EQ(file.at("exitStatus"), text.Status);

    std::map<std::string, std::size_t> textCounts;
    for (const std::string& line : SplitLines(text.Output)) {
        for (const char* severity : {"error", "warning"}) {
            textCounts[severity] += line.rfind(std::string(severity) + ": ", 0) == 0 ? 1 : 0;
        }
    }
    std::map<std::string, std::size_t> jsonCounts;
    for (const nlohmann::json& finding : file.at("findings")) {
        // Every finding has the same fields, whatever found it.
        std::vector<std::string> fields;
        for (const auto& [name, value] : finding.items()) {
            fields.push_back(name);
        }
        EXPECT_EQ(fields, (std::vector<std::string>{"column", "entry", "key", "line", "message", "severity"}));
        ++jsonCounts[finding.at("severity").get<std::string>()];
    }
    EXPECT_EQ(jsonCounts["error"], textCounts["error"]);
    EXPECT_EQ(jsonCounts["warning"], textCounts["warning"]);
    EXPECT_EQ(text.Status == 1, textCounts["error"] > 0) << "warnings alone do not fail";
    if (file.at("loaded").get<bool>()) {
        const std::string count = "Species entries: " + std::to_string(file.at("entries").size()) + "\n";
        EXPECT_NE(text.Output.find(count), std::string::npos);
    }
}

INSTANTIATE_TEST_SUITE_P(Files, CheckerCase, ::testing::ValuesIn(CaseFiles()), CaseName);

TEST(Checker, ExampleLoadsAndShowsEffectiveValues)
{
    const CheckerRun report = RunChecker("--json '" + std::string(DINOTUNER_SOURCE_DIR) + "/examples/config.json'");
    ASSERT_EQ(report.Status, 0) << report.Output;
    const nlohmann::json json = nlohmann::json::parse(report.Output).at("files")[0];
    // Only the warnings that the entries setting no consumption multiplier keep their species' rates.
    std::vector<std::string> warned;
    for (const auto& finding : json.at("findings")) {
        EXPECT_EQ(finding.at("severity"), "warning");
        EXPECT_EQ(finding.at("message").get<std::string>().rfind("does not get ReducedFoodConsumptionSpeedMultiplier 0.9 and", 0), 0u);
        warned.push_back(finding.at("entry").get<std::string>().substr(0, 40));
    }
    EXPECT_EQ(warned, (std::vector<std::string>{"Blueprint'/Game/PrimalEarth/Dinos/Dodo/D", "Blueprint'/Game/PrimalEarth/Dinos/Pteran",
                                                "Blueprint'/Game/PrimalEarth/Dinos/Raptor", "Blueprint'/Game/PrimalEarth/Dinos/Rex/Re",
                                                "Blueprint'/Game/PrimalEarth/Structures/S"}));

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
    // A folder (or a FIFO, which would block a reader) is refused at once.
    testing_support::ServerDir scratch;
    const CheckerRun folder = RunChecker("'" + scratch.Path() + "'");
    EXPECT_EQ(folder.Status, 1);
    EXPECT_NE(folder.Output.find("(not a regular file)"), std::string::npos) << folder.Output;
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
    EXPECT_EQ(RunChecker("--diff a.json").Status, 2);
    EXPECT_EQ(RunChecker("--help").Status, 0);
    const CheckerRun version = RunChecker("--version");
    EXPECT_EQ(version.Status, 0);
    EXPECT_EQ(version.Output, std::string("dinotuner-check ") + DINOTUNER_VERSION + "\n");
}

TEST(Checker, SeveralFilesInOneCallFailWhenAnyHasErrors)
{
    const std::string example = std::string(DINOTUNER_SOURCE_DIR) + "/examples/config.json";
    const std::string wrong = std::string(DINOTUNER_CHECK_CASES) + "/wrong-type-entry.json";
    const CheckerRun text = RunChecker("'" + example + "' '" + wrong + "'");
    EXPECT_EQ(text.Status, 1);
    EXPECT_NE(text.Output.find(example + ": 5 warnings\n"), std::string::npos) << text.Output;
    EXPECT_NE(text.Output.find(wrong + ": 2 errors"), std::string::npos) << text.Output;

    const nlohmann::json json = nlohmann::json::parse(RunChecker("--json '" + example + "' '" + wrong + "'").Output);
    ASSERT_EQ(json.at("files").size(), 2u);
    EXPECT_EQ(json.at("files")[0].at("exitStatus"), 0);
    EXPECT_EQ(json.at("files")[1].at("exitStatus"), 1);
    EXPECT_EQ(json.at("exitStatus"), 1);
}

TEST(Checker, AParseErrorKnowsItsLineAndColumn)
{
    const nlohmann::json json =
        nlohmann::json::parse(RunChecker("--json '" + std::string(DINOTUNER_CHECK_CASES) + "/comment.json'").Output).at("files")[0];
    ASSERT_EQ(json.at("findings").size(), 1u);
    EXPECT_EQ(json.at("findings")[0].at("line"), 2);
    EXPECT_EQ(json.at("findings")[0].at("column"), 3);
}

TEST(Checker, TheCommittedSchemaIsTheOneTheKeysMake)
{
    const CheckerRun schema = RunChecker("--schema");
    EXPECT_EQ(schema.Status, 0);
    EXPECT_EQ(schema.Output, ReadFile(std::string(DINOTUNER_SOURCE_DIR) + "/docs/config.schema.json"))
        << "run: dinotuner-check --schema > docs/config.schema.json";
}

TEST(Checker, DiffShowsWhatAReloadWouldLog)
{
    testing_support::ServerDir scratch;
    const std::string before = scratch.Path() + "/old.json";
    const std::string after = scratch.Path() + "/new.json";
    std::ofstream(before) << R"({"GlobalDinoBalance": null, "DinoBalance": {"Blueprint'/Game/A/B.B'": {"AllowRide": false}}})";
    std::ofstream(after) << R"({"GlobalDinoBalance": null, "DinoBalance": {"Blueprint'/Game/A/B.B'": {"AllowRide": true}, )"
                            R"("Blueprint'/Game/C/D.D'": {"DamageResistanceMultiplier": 2}}})";
    const CheckerRun run = RunChecker("--diff '" + before + "' '" + after + "'");
    EXPECT_EQ(run.Status, 0);
    EXPECT_EQ(SplitLines(run.Output), (std::vector<std::string>{"A reload from " + before + " to " + after + " logs:",
                                                                R"(Changed "Blueprint'/Game/A/B.B'": AllowRide false -> true)",
                                                                R"(Added "Blueprint'/Game/C/D.D'": DamageResistanceMultiplier 2)",
                                                                "Species entries: 1 changed, 1 added, 0 removed"}));
}

// --map shows the table in effect on one map and holds only that map's section to account;
// --diff takes it too, so that a change is seen as each map's server will log it.
TEST(Checker, MapShowsTheTableOfThatMapAndDiffTakesIt)
{
    testing_support::ServerDir scratch;
    const std::string before = scratch.Path() + "/old.json";
    const std::string after = scratch.Path() + "/new.json";
    const std::string rex = "Blueprint'/Game/A/Rex.Rex'";
    const std::string base = R"({"GlobalDinoBalance": null, "DinoBalance": {")" + rex + R"(": {"DamageResistanceMultiplier": 2}}, )";
    std::ofstream(before) << base << R"("Maps": {"Ragnarok": {"DinoBalance": {")" + rex + R"(": {"DamageResistanceMultiplier": 4}}}}})";
    std::ofstream(after) << base << R"("Maps": {"Ragnarok": {"DinoBalance": {")" + rex + R"(": {"DamageResistanceMultiplier": 5}}}, )"
                         << R"("TheCenter": {"DinoBalance": {")" + rex + R"(": {"AllowTame": 1}}}}})";

    const CheckerRun ragnarok = RunChecker("--no-color --map Ragnarok '" + after + "'");
    EXPECT_EQ(ragnarok.Status, 0) << ragnarok.Output;  // TheCenter's error is only a warning there
    EXPECT_NE(ragnarok.Output.find("Species entries on map Ragnarok"), std::string::npos);
    EXPECT_NE(ragnarok.Output.find(rex + " yes  yes   yes  yes -      /5"), std::string::npos) << ragnarok.Output;
    EXPECT_NE(ragnarok.Output.find("warning: Maps/TheCenter: Error loading dino"), std::string::npos);
    const CheckerRun center = RunChecker("--no-color --map TheCenter '" + after + "'");
    EXPECT_EQ(center.Status, 1);
    EXPECT_NE(center.Output.find("error: Maps/TheCenter: Error loading dino"), std::string::npos);

    const CheckerRun diff = RunChecker("--diff --map Ragnarok '" + before + "' '" + after + "'");
    EXPECT_EQ(diff.Status, 0);
    EXPECT_NE(diff.Output.find("Changed \"" + rex + "\": DamageResistanceMultiplier 4 -> 5"), std::string::npos) << diff.Output;
    const CheckerRun island = RunChecker("--diff --map TheIsland '" + before + "' '" + after + "'");
    EXPECT_NE(island.Output.find("Species entries: 0 changed, 0 added, 0 removed"), std::string::npos) << island.Output;
    EXPECT_EQ(RunChecker("--map").Status, 2);
}

TEST(Checker, AnyLengthOfKeyIsCheckedWithoutRecursion)
{
    testing_support::ServerDir scratch;
    const std::string file = scratch.Path() + "/long.json";
    std::ofstream(file) << R"({"GlobalDinoBalance": null, "DinoBalance": {"Blueprint'/Game/)" << std::string(200000, 'a') << "/X.X'\": {}, \""
                        << std::string(200000, 'b') << "\": {}}}";
    const CheckerRun run = RunChecker("'" + file + "'");
    EXPECT_EQ(run.Status, 0) << run.Output.substr(0, 500);
    EXPECT_NE(run.Output.find("not of the form"), std::string::npos);
}

TEST(Checker, ColoursOnlyWhenAskedOrOnATerminal)
{
    const std::string example = "'" + std::string(DINOTUNER_SOURCE_DIR) + "/examples/config.json'";
    EXPECT_EQ(RunChecker(example).Output.find('\033'), std::string::npos);
    EXPECT_NE(RunChecker("--color " + example).Output.find('\033'), std::string::npos);
    EXPECT_EQ(RunChecker("--color --no-color " + example).Output.find('\033'), std::string::npos);
}

}  // namespace
