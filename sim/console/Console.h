#pragma once
// The server console: runs console lines one at a time, prints their results and the host's
// log lines in the order they happen, keeps what the last command printed for `expect`, and
// counts errors and checks for the exit status.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "Arguments.h"
#include "PluginSession.h"

namespace console {

class Console;

using CommandHandler = void (*)(Console&, Arguments&);

struct CommandEntry {
    CommandHandler Run = nullptr;
    bool IsCheck = false;       // checks look at the previous command's output instead of starting their own
    const char* Group = "";     // the heading `help` lists it under
    const char* Usage = "";     // "hit ID AMOUNT [by CAUSER]": shown by `help` and after every error
    const char* Summary = "";   // one line: what it does
    const char* Details = "";   // more lines for `help COMMAND` (what it prints, notes); may be empty
};

using CommandTable = std::map<std::string, CommandEntry>;

// The headings of `help`, in the order it shows them.
inline constexpr const char* kServerGroup = "Server and plugin";
inline constexpr const char* kWorldGroup = "World";
inline constexpr const char* kPlayerGroup = "Players and commands";
inline constexpr const char* kCheckGroup = "Checks inside a script";
inline constexpr const char* kHelpGroup = "Help";

// Each adds its commands to the table.
void AddServerCommands(CommandTable& table);
void AddWorldCommands(CommandTable& table);
void AddPlayerCommands(CommandTable& table);
void AddCheckCommands(CommandTable& table);
void AddHelpCommands(CommandTable& table);

class Console {
public:
    // Routes the host's log lines and the game's chat lines through this console, and takes the
    // server's part of the host's plugins.load and plugins.unload. `pluginPath` and
    // `preferInstalled` are the plugin's, as PluginSession takes them.
    Console(std::string pluginPath, bool preferInstalled);
    // Unloads a plugin still loaded, then gives the host's output back to standard output.
    ~Console();
    Console(const Console&) = delete;
    Console& operator=(const Console&) = delete;

    // Runs one console line; `lineNumber` names it in check reports. Errors are printed, counted
    // and never thrown.
    void RunLine(const std::string& line, int lineNumber);
    // Runs the lines of the file until its end or `quit`; returns false when it cannot be read.
    bool RunScript(const std::string& path);
    // Narrated scripts (a walk-through to read): comments print as narration, each command after
    // "> ", its output indented, checks only when they fail, and the summary in words.
    void SetNarrate(bool narrate) { narrate_ = narrate; }
    // Called before each line the console prints (the line editor clears its prompt); may be null.
    void SetOutputListener(std::function<void()> listener) { outputListener_ = std::move(listener); }
    // Starts a new command's output without a console line (an RCON request from the network).
    void BeginCommand();

    // Loads the plugin as `load` does (used at start-up).
    void LoadPlugin();
    // Unloads a loaded plugin, printing its detach log lines and any error.
    void Shutdown();
    // Prints the check summary when any check ran.
    void PrintSummary();
    // 0, or 1 when an error or a failed check happened.
    int ExitStatus() const { return errors_ > 0 || checksFailed_ > 0 ? 1 : 0; }

    bool QuitRequested() const { return quit_; }
    void RequestQuit() { quit_ = true; }

    // ---- for the commands ----
    // Prints one result line and keeps it as output of the current command.
    void Print(const std::string& line);
    // Prints a line about something that happened between commands (an RCON login): not kept
    // as any command's output, so checks never see it.
    void Notice(const std::string& line);
    // Prints "error: <message>" and counts it.
    void ReportError(const std::string& message);
    PluginSession& Plugin() { return plugin_; }
    // Every command the console knows.
    const CommandTable& Commands() const { return commands_; }
    // Line number of the line running now (0 outside a script or console line).
    int CurrentLine() const { return currentLine_; }
    // What the previous command printed, log lines included.
    const std::vector<std::string>& PreviousOutput() const { return output_; }
    // The error that ended the previous command, if any.
    const std::optional<std::string>& PreviousError() const { return lastError_; }
    // Marks the previous command's error as expected: it no longer counts for the exit status.
    // Returns false when the previous command ended without an error.
    bool ExcusePreviousError();
    // Counts a check; a failure prints "expect failed (line <n>): <text>".
    void RecordCheck(bool passed, const std::string& text);
    // The live game allocations recorded by `memory-mark`, if any.
    std::optional<std::size_t> MemoryMark() const { return memoryMark_; }
    void SetMemoryMark(std::size_t live) { memoryMark_ = live; }
    // Request ids of the console's own RCON client, counting from 1.
    std::int32_t NextRconRequestId() { return nextRconRequestId_++; }

private:
    void Emit(const std::string& line, bool keep);
    // Prints what a narrated script shows for `line` before it runs.
    void Narrate(const std::string& line);
    // Reports a line whose first word names no command, with the nearest command name.
    void ReportUnknownCommand(const std::string& name);
    // The server's part of the host's plugins.load and plugins.unload: "" or why not.
    std::string LoadNamedPlugin(const std::string& name);
    std::string UnloadNamedPlugin(const std::string& name);

    CommandTable commands_;
    PluginSession plugin_;
    std::vector<std::string> output_;
    std::optional<std::string> lastError_;
    bool lastErrorCounted_ = false;
    int currentLine_ = 0;
    int errors_ = 0;
    int checksPassed_ = 0;
    int checksFailed_ = 0;
    bool quit_ = false;
    std::int32_t nextRconRequestId_ = 1;
    std::optional<std::size_t> memoryMark_;
    bool narrate_ = false;
    std::function<void()> outputListener_;
    bool lastPrintedBlank_ = true;  // narration: no blank line at the top or twice in a row
};

}  // namespace console
