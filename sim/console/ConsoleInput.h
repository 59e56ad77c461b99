#pragma once
// Where the live console's lines come from: standard input read as it arrives (pipes, files, and
// terminals where no line editor is built in), or a line editor with a prompt, editing and
// history when a person types at a terminal.

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace console {

class ConsoleInput {
public:
    // Takes one complete line; returns false when no more lines should run now (quit).
    using LineRunner = std::function<bool(const std::string& line)>;

    virtual ~ConsoleInput() = default;
    // Reads what standard input holds now (call when it is readable) and hands each complete line
    // to `run`. Returns false once the input has ended; a last line without a line end still runs.
    virtual bool ReadAvailable(const LineRunner& run) = 0;
    // Output is about to be printed while a line may be half typed: take it off the screen.
    virtual void BeforeOutput() {}
    // Puts the prompt and the half-typed line back after such output.
    virtual void AfterOutput() {}
};

// The line editor when standard input and output are terminals and this build has one (Tab
// completes `commandNames`); the plain reader otherwise.
std::unique_ptr<ConsoleInput> OpenConsoleInput(const std::vector<std::string>& commandNames);

// The plain reader of standard input.
std::unique_ptr<ConsoleInput> MakePlainInput();

#if defined(DINOTUNER_HAVE_LIBEDIT)
// The line editor on the terminal (libedit); restores the terminal when destroyed.
std::unique_ptr<ConsoleInput> MakeLineEditor(const std::vector<std::string>& commandNames);
#endif

}  // namespace console
