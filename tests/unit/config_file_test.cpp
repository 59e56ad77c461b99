// Reading the configuration file: where it is looked for, which bytes parse, and that a file
// that fails to read never disturbs the document of the last good read.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>

#if !defined(_WIN32)
#include <sys/stat.h>
#endif

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "config/BalanceTable.h"
#include "config/ConfigFile.h"
#include "host/Sha256.h"
#include "logging/Logger.h"
#include "os/SystemText.h"
#include "standin/SimHost.h"
#include "support/HeapCounter.h"
#include "support/RecordingSink.h"
#include "support/ServerDir.h"

namespace {

using nlohmann::json;

class ConfigFileTest : public ::testing::Test {
protected:
    void SetUp() override { InitLogger(GetLogger(), "DinoTuner"); }

    // The message of the exception that reading the plugin's file throws, or "" when none.
    std::string ReadError()
    {
        try {
            PluginFile().Read();
        } catch (const std::runtime_error& error) {
            return error.what();
        }
        return "";
    }

    static ConfigFile PluginFile() { return ConfigFile(ConfigFile::PluginPath("DinoTuner/config.json")); }

    std::shared_ptr<testing_support::RecordingSink> log = testing_support::RecordHostLog();
    testing_support::ServerDir server;
};

TEST_F(ConfigFileTest, ThePluginFileLivesInTheHostsPluginFolder)
{
    EXPECT_EQ(ConfigFile::PluginPath("DinoTuner/config.json"), server.Path() + "/ArkApi/Plugins/DinoTuner/config.json");
}

TEST_F(ConfigFileTest, ConstructionReadsNothingAndReadingIsSilent)
{
    ConfigFile config(server.ConfigPath());
    EXPECT_TRUE(config.Document.is_null()) << "no file exists yet, and none was asked for";

    server.WriteConfig(R"({"GlobalDinoBalance": null, "DinoBalance": {"a": {}}})");
    config.Read();
    EXPECT_EQ(config.Document, json::parse(R"({"GlobalDinoBalance": null, "DinoBalance": {"a": {}}})"));
    EXPECT_TRUE(log->Lines().empty()) << "announcing the file is the plugin's load's business";
}

TEST_F(ConfigFileTest, AMissingFileFailsWithTheFullPath)
{
    EXPECT_EQ(ReadError(), "Can't open config file: " + server.Path() + "/ArkApi/Plugins/DinoTuner/config.json (not found)");
}

// The host names its folder in UTF-8 as the system reports it (on Windows converted from UTF-16,
// with drive letter and backslashes); the plugin appends its own part and opens the file by that
// name, whatever the folder's characters.
TEST_F(ConfigFileTest, AFolderWithANonAsciiNameAsTheSystemReportsIt)
{
    const testing_support::ServerDir named("-Größe サーバ");
    const std::string folder = sim::os::FullPath(named.Path());
    sim::SetCurrentDir(folder);
    const std::string path = folder + "/ArkApi/Plugins/DinoTuner/config.json";
    EXPECT_EQ(ReadError(), "Can't open config file: " + path + " (not found)");

    named.WriteConfig(R"({"GlobalDinoBalance": null, "DinoBalance": {"a": {}}})");
    ConfigFile config = PluginFile();
    config.Read();
    EXPECT_EQ(config.Path, path);
    EXPECT_EQ(config.Document.at("DinoBalance").size(), 1u);
}

TEST_F(ConfigFileTest, AnythingButARegularFileIsRefusedWithoutWaiting)
{
    // A FIFO would block the game thread until someone wrote to it; a folder cannot be read.
    std::filesystem::create_directories(server.ConfigPath());
    EXPECT_EQ(ReadError(), "Can't open config file: " + server.ConfigPath() + " (not a regular file)");
#if !defined(_WIN32)
    std::filesystem::remove(server.ConfigPath());
    ASSERT_EQ(mkfifo(server.ConfigPath().c_str(), 0600), 0);
    EXPECT_EQ(ReadError(), "Can't open config file: " + server.ConfigPath() + " (not a regular file)");
    // A link to a regular file is read through.
    std::filesystem::remove(server.ConfigPath());
    const std::string target = server.Path() + "/real.json";
    std::ofstream(target) << R"({"linked": true})";
    std::filesystem::create_symlink(target, server.ConfigPath());
    EXPECT_EQ(ReadError(), "");
#endif
}

TEST_F(ConfigFileTest, AKeyWrittenTwiceIsNamedAndTheLastOneWins)
{
    server.WriteConfig(R"({"DinoBalance": {"a": {}}, "GlobalDinoBalance": null,
        "DinoBalance": {"rex": {"AllowTame": true, "AllowTame": false}, "rex": {"AllowRide": false}}})");
    ConfigFile config = PluginFile();
    config.Read();

    EXPECT_EQ(config.Document, json::parse(R"({"GlobalDinoBalance": null, "DinoBalance": {"rex": {"AllowRide": false}}})"));
    EXPECT_EQ(log->Messages("warning"), (std::vector<std::string>{
                                            R"(Key "DinoBalance" is written twice in the file: the last one is used)",
                                            R"(Key "AllowTame" is written twice in "rex": the last one is used)",
                                            R"(Key "rex" is written twice in "DinoBalance": the last one is used)"}));
}

TEST_F(ConfigFileTest, KeysWrittenTwiceAreNamedUpToALimit)
{
    // A file may repeat a key a million times: the log names twenty and counts the rest.
    std::string text = R"({"GlobalDinoBalance": null, "DinoBalance": {}, "Notes": {)";
    for (int i = 0; i < 31; ++i) {
        text += std::string(i ? "," : "") + R"("a": 1)";
    }
    server.WriteConfig(text + "}}");
    PluginFile().Read();
    const std::vector<std::string> warnings = log->Messages("warning");
    ASSERT_EQ(warnings.size(), 21u);
    EXPECT_EQ(warnings[0], R"(Key "a" is written twice in "Notes": the last one is used)");
    EXPECT_EQ(warnings[20], "... and 10 more keys written twice");
}

TEST_F(ConfigFileTest, AParseErrorQuotesOnlyTheStartOfAHugeToken)
{
    server.WriteConfig(R"({"GlobalDinoBalance": ")" + std::string(1000000, 'x'));
    const std::string error = ReadError();
    EXPECT_EQ(error.rfind("Error parsing config file: [json.exception.parse_error.101]", 0), 0u) << error.substr(0, 200);
    EXPECT_LT(error.size(), 400u);
    EXPECT_EQ(error.substr(error.size() - 3), "...");
}

TEST_F(ConfigFileTest, ABrokenFileFailsWithTheParsersMessage)
{
    server.WriteConfig("{");
    EXPECT_EQ(ReadError().rfind("Error parsing config file: [json.exception.parse_error.101]", 0), 0u);
}

// ---- which bytes parse ------------------------------------------------------------------------

struct FileCase {
    const char* Name;
    std::string Bytes;
    const char* Document;  // the expected document, or null when the read must fail
};

const FileCase kFileCases[] = {
    {"Empty", "", nullptr},
    {"OnlyWhitespace", " \r\n\t \n", nullptr},
    {"TrailingTextIgnored", R"({"a": 1} and then {"b": [)", R"({"a": 1})"},
    {"SecondValueIgnored", R"({"a": 1}{"a": 2})", R"({"a": 1})"},
    {"LineCommentBefore", "// settings\n{\"a\": 1}", nullptr},
    {"BlockCommentInside", "{\"a\": /* one */ 1}", nullptr},
    {"CommentAfterTheValueIgnored", "{\"a\": 1} // done", R"({"a": 1})"},
    {"ByteOrderMark", "\xEF\xBB\xBF{\"a\": 1}", R"({"a": 1})"},
    {"TruncatedByteOrderMark", "\xEF\xBB{\"a\": 1}", nullptr},
    {"DuplicateKeyLaterWins", R"({"a": 1, "a": 2})", R"({"a": 2})"},
    {"WindowsLineEnds", "{\r\n\"a\": 1\r\n}\r\n", R"({"a": 1})"},
    {"TopLevelArray", "[1, 2]", "[1, 2]"},
    {"TopLevelNumber", "5", "5"},
    {"MalformedUtf8InString", "{\"a\": \"\xFF\"}", nullptr},
    {"UnterminatedNesting", std::string(1000000, '['), nullptr},
};

class ConfigFileBytes : public ConfigFileTest, public ::testing::WithParamInterface<FileCase> {};

TEST_P(ConfigFileBytes, ParseOrFailWithThePrefix)
{
    server.WriteConfig(GetParam().Bytes);
    const std::string error = ReadError();
    if (GetParam().Document == nullptr) {
        EXPECT_EQ(error.rfind("Error parsing config file: [json.exception.parse_error.", 0), 0u) << error;
        return;
    }
    ASSERT_EQ(error, "");
    ConfigFile config = PluginFile();
    config.Read();
    EXPECT_EQ(config.Document, json::parse(GetParam().Document));
}

INSTANTIATE_TEST_SUITE_P(Files, ConfigFileBytes, ::testing::ValuesIn(kFileCases),
                         [](const ::testing::TestParamInfo<FileCase>& info) { return std::string(info.param.Name); });

TEST_F(ConfigFileTest, TopLevelArrayReadsButDoesNotFillATable)
{
    server.WriteConfig(R"([{"GlobalDinoBalance": null, "DinoBalance": {}}])");
    ConfigFile config = PluginFile();
    config.Read();
    BalanceTable table;
    EXPECT_THROW(table.LoadBalances(config.Document), json::type_error);
}

// ---- failed re-reads --------------------------------------------------------------------------

// The file's revision is compared with sha256sum: the digest must be the standard one.
TEST(Sha256, GivesTheStandardTestVectors)
{
    EXPECT_EQ(text::Sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(text::Sha256Hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(text::Sha256Hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    EXPECT_EQ(text::Sha256Hex(std::string(1000000, 'a')), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
    // A zero byte is a byte like any other (Python's hashlib gives the same).
    EXPECT_EQ(text::Sha256Hex(std::string("a\0b", 3)), "59b271ae1bbcb1d31d41929817f4b16fb439eb4f31520b5ad1d5ce98920a7138");
}

TEST_F(ConfigFileTest, AFailedReadKeepsTheLastGoodDocument)
{
    const std::string goodText = R"({"keep": [1, 2, 3]})";
    server.WriteConfig(goodText);
    ConfigFile config = PluginFile();
    config.Read();
    const json good = config.Document;
    // The digest is of the bytes the document came from, and goes with it.
    EXPECT_EQ(config.Sha256, text::Sha256Hex(goodText));

    // Broken part-way through a value that the parser has already started to build.
    server.WriteConfig(R"({"keep": [1, 2, 3], "new": {"x": [4, 5,)");
    EXPECT_THROW(config.Read(), std::runtime_error);
    EXPECT_EQ(config.Document, good);

    server.DeleteConfig();
    EXPECT_THROW(config.Read(), std::runtime_error);
    EXPECT_EQ(config.Document, good);
    EXPECT_EQ(config.Sha256, text::Sha256Hex(goodText));

    server.WriteConfig(R"({"fixed": true})");
    config.Read();
    EXPECT_EQ(config.Document, json::parse(R"({"fixed": true})"));
    EXPECT_EQ(config.Sha256, text::Sha256Hex(R"({"fixed": true})"));
}

TEST_F(ConfigFileTest, ParseLeavesTheDocumentAlone)
{
    server.WriteConfig(R"({"v": 1})");
    ConfigFile config = PluginFile();
    config.Read();
    server.WriteConfig(R"({"v": 2})");

    EXPECT_EQ(config.Parse(), json::parse(R"({"v": 2})"));
    EXPECT_EQ(config.Document, json::parse(R"({"v": 1})"));
}

TEST_F(ConfigFileTest, ThePathIsFixedAtConstruction)
{
    server.WriteConfig(R"({"v": 1})");
    ConfigFile config = PluginFile();
    // The path was fixed at construction: moving the host's directory does not move the file.
    testing_support::ServerDir elsewhere;
    server.WriteConfig(R"({"v": 2})");
    config.Read();
    EXPECT_EQ(config.Document, json::parse(R"({"v": 2})"));
}

// ---- hostile files ----------------------------------------------------------------------------

TEST_F(ConfigFileTest, DeeplyNestedFileReadsAndIsReleased)
{
    const std::size_t depth = 100000;
    server.WriteConfig(R"({"GlobalDinoBalance": null, "DinoBalance": {"a": {"Notes": )" + std::string(depth, '[') +
                       std::string(depth, ']') + "}}}");
    {
        ConfigFile config = PluginFile();
        config.Read();
        // Replacing the document releases the deep one, as a reload does.
        config.Read();
        EXPECT_TRUE(config.Document.at("DinoBalance").at("a").at("Notes").is_array());
    }
}

TEST_F(ConfigFileTest, AFileAboveTheBoundIsRefusedUnread)
{
    // Trailing bytes after the value are never examined: up to the bound, the file is read.
    server.WriteConfig(R"({"v": 1})");
    std::filesystem::resize_file(server.ConfigPath(), ConfigFile::kMaxBytes);
    ConfigFile config = PluginFile();
    config.Read();
    EXPECT_EQ(config.Document, json::parse(R"({"v": 1})"));

    std::filesystem::resize_file(server.ConfigPath(), ConfigFile::kMaxBytes + 1);
    const std::string refused = "Can't open config file: " + server.ConfigPath() + " (larger than 32 MB)";
    EXPECT_EQ(ReadError(), refused);
    EXPECT_THROW(config.Read(), std::runtime_error);
    EXPECT_EQ(config.Document, json::parse(R"({"v": 1})"));
#if !defined(_WIN32)
    // 64 GB, most of it a hole: reading any of it first would take far more memory than a test has.
    std::filesystem::resize_file(server.ConfigPath(), std::uint64_t{64} << 30);
    testing_support::ResetHeapPeak();
    const std::uint64_t before = testing_support::HeapBytesInUse();
    EXPECT_EQ(ReadError(), refused);
    EXPECT_LT(testing_support::HeapBytesPeak() - before, 64u * 1024);
#endif
}

TEST_F(ConfigFileTest, AUtf16FileIsNamedAsSuch)
{
    // What Windows editors save as "Unicode": with or without the byte-order mark, either order.
    const std::string text = R"({"GlobalDinoBalance": null})";
    std::string littleEndian;
    std::string bigEndian;
    for (const char c : text) {
        littleEndian += {c, '\0'};
        bigEndian += {'\0', c};
    }
    for (const std::string& bytes : {"\xFF\xFE" + littleEndian, littleEndian, "\xFE\xFF" + bigEndian, bigEndian}) {
        server.WriteConfig(bytes);
        EXPECT_EQ(ReadError(), "Error parsing config file: the file is UTF-16; save it as UTF-8");
    }
}

// Whatever a file holds, reading it takes a bounded multiple of its size: nothing is kept per
// key written twice beyond the few lines the log names, and no name is copied whole. The JSON
// library's own cost for a value (some 40 bytes for an empty array or object, more as the C heap
// rounds them) sets the bound for files made of nothing but brackets.
TEST_F(ConfigFileTest, MemoryForAFileIsASmallMultipleOfItsSize)
{
    const auto repeated = [](const std::string& part, std::size_t count) {
        std::string text;
        text.reserve(part.size() * count);
        for (std::size_t i = 0; i < count; ++i) {
            text += part;
        }
        return text;
    };
    const std::string start = R"({"GlobalDinoBalance": null, "DinoBalance": {)";
    const std::string longKey = "\"" + std::string(100000, 'K') + "\": ";
    std::string species;
    for (int i = 0; i < 20000; ++i) {
        species += (i ? "," : "") + std::string(R"("Blueprint'/Game/Mods/S)") + std::to_string(i) +
                   R"(/S_BP.S_BP'": {"AllowTame": false, "DamageResistanceMultiplier": 2.5})";
    }
    const struct {
        const char* Shape;
        std::string Text;
        double Limit;  // peak heap over file size
    } files[] = {
        {"5,000 duplicates under a 100,000-character key", start + longKey + R"({"a": 0)" + repeated(R"(, "a": 0)", 4999) + "}}}", 5},
        {"200,000 duplicates under a 100,000-character key", start + longKey + R"({"a":0)" + repeated(R"(,"a":0)", 199999) + "}}}", 5},
        {"20,000 species entries", start + species + "}}", 8},
        {"100,000 empty objects", start + R"("a": {"Notes": [{})" + repeated(",{}", 99999) + "]}}}", 50},
        {"arrays nested 100,000 deep", start + R"("a": {"Notes": )" + std::string(100000, '[') + std::string(100000, ']') + "}}}", 50},
        {"200,000 arrays opened, never closed", start + R"("a": {"Notes": )" + std::string(200000, '['), 100},
    };
    for (const auto& file : files) {
        server.WriteConfig(file.Text);
        testing_support::ResetHeapPeak();
        const std::uint64_t before = testing_support::HeapBytesInUse();
        try {
            PluginFile().Read();
        } catch (const std::runtime_error& error) {
            EXPECT_EQ(std::string(error.what()).rfind("Error parsing config file: ", 0), 0u) << file.Shape;
        }
        const double ratio = static_cast<double>(testing_support::HeapBytesPeak() - before) / static_cast<double>(file.Text.size());
        std::printf("%-52s %8zu bytes, peak heap %5.1f times that\n", file.Shape, file.Text.size(), ratio);
        EXPECT_LT(ratio, file.Limit) << file.Shape;
    }
    EXPECT_EQ(log->Count(R"(... and 199979 more keys written twice)"), 1u);
}

}  // namespace
