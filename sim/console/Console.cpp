#include "Console.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>

#include <fmt/format.h>

#include "ConsoleError.h"
#include "SimHost.h"
#include "world/World.h"

namespace console {

Console::Console(std::string pluginPath) : plugin_(std::move(pluginPath))
{
    AddServerCommands(commands_);
    AddWorldCommands(commands_);
    AddPlayerCommands(commands_);
    AddCheckCommands(commands_);
    sim::SetLogOutput([this](const std::string& line) { Print(line); });
    sim::World::Get().SetChatOutput([this](const std::string& player, const std::string& text, const FLinearColor& colour) {
        Print(fmt::format("chat to {}: {} ({}, {}, {}, {})", player, text, colour.R, colour.G, colour.B, colour.A));
    });
}

Console::~Console()
{
    Shutdown();
    std::fflush(stdout);
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
    try {
        const std::optional<std::string> name = reader.Next();
        const auto found = commands_.find(name.value_or(""));
        if (found == commands_.end() || !found->second.IsCheck) {
            BeginCommand();
        }
        if (found == commands_.end()) {
            throw ConsoleError("unknown console command '" + name.value_or("") + "'");
        }
        Arguments arguments(reader);
        found->second.Run(*this, arguments);
    } catch (const ConsoleError& error) {
        ReportError(error.what());
    } catch (const std::exception& error) {
        // The server stays up whatever one line did; the failure still counts.
        ReportError(error.what());
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
        RunLine(line, number);
    }
    return true;
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
        plugin_.Unload();
    } catch (const ConsoleError& error) {
        ReportError(error.what());
    }
    std::fflush(stdout);
}

void Console::PrintSummary()
{
    if (checksPassed_ + checksFailed_ > 0) {
        Emit(fmt::format("{} passed, {} failed", checksPassed_, checksFailed_), false);
    }
    std::fflush(stdout);
}

void Console::Print(const std::string& line)
{
    Emit(line, true);
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
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    if (keep) {
        output_.push_back(line);
    }
}

}  // namespace console
