#include "Console.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>

#include <fmt/format.h>

#include "ConsoleError.h"
#include "Help.h"
#include "host/Ascii.h"
#include "standin/SimHost.h"
#include "world/World.h"

namespace console {

Console::Console(std::string pluginPath, bool preferInstalled) : plugin_(std::move(pluginPath), preferInstalled)
{
    AddServerCommands(commands_);
    AddWorldCommands(commands_);
    AddPlayerCommands(commands_);
    AddCheckCommands(commands_);
    AddHelpCommands(commands_);
    sim::SetLogOutput([this](const std::string& line) { Print(line); });
    sim::World::Get().SetChatOutput([this](const std::string& player, const std::string& text, const FLinearColor& colour) {
        Print(fmt::format("chat to {}: {} ({}, {}, {}, {})", player, text, colour.R, colour.G, colour.B, colour.A));
    });
    sim::SetPluginManager({[this](const std::string& name) { return LoadNamedPlugin(name); },
                           [this](const std::string& name) { return UnloadNamedPlugin(name); }});
}

Console::~Console()
{
    Shutdown();
    std::fflush(stdout);
    sim::SetPluginManager({});
    sim::World::Get().SetChatOutput(nullptr);
    sim::SetLogOutput(nullptr);
}

void Console::RunLine(const std::string& line, int lineNumber)
{
    if (IsSkippedLine(line)) {
        return;
    }
    currentLine_ = lineNumber;
    LineReader reader(line);
    const char* usage = nullptr;
    try {
        const std::optional<std::string> name = reader.Next();
        const auto found = commands_.find(name.value_or(""));
        if (found == commands_.end() || !found->second.IsCheck) {
            BeginCommand();
        }
        if (found == commands_.end()) {
            ReportUnknownCommand(name.value_or(""));
            std::fflush(stdout);
            return;
        }
        usage = found->second.Usage;
        Arguments arguments(reader);
        found->second.Run(*this, arguments);
    } catch (const std::exception& error) {
        // The server stays up whatever one line did (a ConsoleError or anything else); the
        // failure still counts, and the usage says how the command is meant to be written.
        ReportError(error.what());
        if (usage != nullptr) {
            Print(std::string("usage: ") + usage);
        }
    }
    std::fflush(stdout);
}

bool Console::RunScript(const std::string& path)
{
    std::ifstream file(std::filesystem::u8path(path), std::ios::binary);
    if (!file) {
        return false;
    }
    std::string line;
    for (int number = 1; !quit_ && std::getline(file, line); ++number) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (narrate_) {
            Narrate(line);
        }
        RunLine(line, number);
    }
    return true;
}

void Console::Narrate(const std::string& line)
{
    const auto first = line.find_first_not_of(" \t");
    if (first == std::string::npos || line.find_first_not_of("# \t", first) == std::string::npos) {
        // A blank line, or a bare "#", ends a paragraph.
        if (!lastPrintedBlank_) {
            Emit("", false);
        }
        return;
    }
    if (line[first] == '#') {
        std::string text = line.substr(first);
        if (text.find_first_not_of("#-= \t") == std::string::npos) {
            return;  // a ruler that only structures the file
        }
        if (text.rfind("##", 0) == 0) {
            // A heading: set apart and underlined.
            text = text.substr(text.find_first_not_of("# "));
            if (!lastPrintedBlank_) {
                Emit("", false);
            }
            Emit(text, false);
            Emit(std::string(text.size(), '-'), false);
            return;
        }
        // "# " goes; any further indentation (a list item's second line) stays.
        std::size_t start = text.find_first_not_of('#');
        if (start < text.size() && text[start] == ' ') {
            ++start;
        }
        Emit(text.substr(start), false);
        return;
    }
    const auto found = commands_.find(LineReader(line).Next().value_or(""));
    if (found == commands_.end() || !found->second.IsCheck) {
        Emit("  > " + line.substr(first), false);
    }
}

void Console::BeginCommand()
{
    output_.clear();
    lastError_.reset();
    lastErrorCounted_ = false;
}

void Console::LoadPlugin()
{
    BeginCommand();
    try {
        plugin_.Load();
    } catch (const ConsoleError& error) {
        ReportError(error.what());
    }
    std::fflush(stdout);
}

void Console::Shutdown()
{
    if (!plugin_.IsLoaded()) {
        return;
    }
    BeginCommand();
    try {
        // The server is going down: the note about the log formatter would only repeat the README.
        plugin_.Unload();
    } catch (const ConsoleError& error) {
        ReportError(error.what());
    }
    std::fflush(stdout);
}

// The host finds a plugin by its folder's name. The server holds one plugin at a time, so a name
// other than the loaded plugin's is only ever not loaded.
std::string Console::LoadNamedPlugin(const std::string& name)
{
    if (plugin_.IsLoaded()) {
        return ascii::Lower(name) == ascii::Lower(plugin_.LoadedName())
                   ? "Plugin " + name + " was already loaded"
                   : "the simulated server holds one plugin at a time, and " + plugin_.LoadedName() + " is loaded";
    }
    const std::string path = PluginSession::InstalledLibrary(name);
    std::error_code ignored;
    if (!std::filesystem::is_regular_file(std::filesystem::u8path(path), ignored)) {
        return "Plugin " + name + " does not exist (no " + path + ")";
    }
    try {
        plugin_.LoadFrom(path);
    } catch (const std::exception& error) {
        return error.what();
    }
    return "";
}

std::string Console::UnloadNamedPlugin(const std::string& name)
{
    if (!plugin_.IsLoaded() || ascii::Lower(name) != ascii::Lower(plugin_.LoadedName())) {
        return "Plugin " + name + " is not loaded";
    }
    try {
        const std::string note = plugin_.Unload();
        if (!note.empty()) {
            Print(note);
        }
    } catch (const std::exception& error) {
        // Something the plugin left with the host is its fault, not the admin's: a failed run.
        ReportError(error.what());
        return error.what();
    }
    return "";
}

void Console::PrintSummary()
{
    if (narrate_ && checksPassed_ + checksFailed_ > 0) {
        if (!lastPrintedBlank_) {
            Emit("", false);
        }
        Emit(checksFailed_ == 0
                 ? fmt::format("Every result above was checked as it ran: all {} checks passed.", checksPassed_)
                 : fmt::format("{} of {} checks FAILED: see the 'expect failed' lines above.", checksFailed_,
                               checksPassed_ + checksFailed_),
             false);
    } else if (checksPassed_ + checksFailed_ > 0) {
        Emit(fmt::format("{} passed, {} failed", checksPassed_, checksFailed_), false);
    }
    std::fflush(stdout);
}

void Console::Print(const std::string& line)
{
    Emit(line, true);
}

void Console::ReportUnknownCommand(const std::string& name)
{
    std::string message = "unknown console command '" + name + "'";
    if (const std::string close = ClosestCommand(commands_, name); !close.empty()) {
        message += "; did you mean '" + close + "'?";
    }
    ReportError(message);
    Print("type 'help' for the list of commands");
}

void Console::Notice(const std::string& line)
{
    Emit(line, false);
    std::fflush(stdout);
}

void Console::ReportError(const std::string& message)
{
    Print("error: " + message);
    ++errors_;
    lastError_ = message;
    lastErrorCounted_ = true;
}

bool Console::ExcusePreviousError()
{
    if (!lastError_) {
        return false;
    }
    if (lastErrorCounted_) {
        --errors_;
        lastErrorCounted_ = false;
    }
    return true;
}

void Console::RecordCheck(bool passed, const std::string& text)
{
    if (passed) {
        ++checksPassed_;
        return;
    }
    ++checksFailed_;
    // Not kept as output: a second check on the same command must see what the command printed.
    Emit(fmt::format("expect failed (line {}): {}", currentLine_, text), false);
    std::fflush(stdout);
    std::fprintf(stderr, "line %d: the previous command printed %zu line(s):\n", currentLine_, output_.size());
    for (const std::string& line : output_) {
        std::fprintf(stderr, "  | %s\n", line.c_str());
    }
}

void Console::Emit(const std::string& line, bool keep)
{
    if (outputListener_) {
        outputListener_();
    }
    // A narrated script sets what commands print apart from the narration.
    if (narrate_ && keep) {
        std::fputs("    ", stdout);
    }
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    lastPrintedBlank_ = line.empty();
    if (keep) {
        output_.push_back(line);
    }
}

}  // namespace console
