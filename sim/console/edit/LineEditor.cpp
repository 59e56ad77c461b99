// The console's line editor on a terminal, built on Debian's libedit: a prompt, emacs-style
// editing keys, history kept between runs, and Tab completion of command names. libedit reads
// one key at a time here (its unbuffered mode), so the server goes on serving RCON clients while
// a line is being typed. Only builds that found libedit compile this file (never Windows).

#if defined(DINOTUNER_HAVE_LIBEDIT)

#include <histedit.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "console/ConsoleInput.h"

namespace console {

namespace {

constexpr const char* kPrompt = "sim> ";
constexpr int kHistorySize = 500;
// In unbuffered mode libedit hands Ctrl-D on an empty line over as this character.
constexpr char kEndOfInput = '\x04';
// Back to the start of the line, then clear it.
constexpr const char* kClearLine = "\r\x1b[K";

const char* Prompt(EditLine* /*editor*/)
{
    return kPrompt;
}

// History is kept between runs in the home directory, where there is one.
std::string HistoryFile()
{
    const char* home = std::getenv("HOME");
    return home != nullptr && *home != '\0' ? std::string(home) + "/.dinotuner-sim_history" : std::string();
}

class LineEditor final : public ConsoleInput {
public:
    explicit LineEditor(std::vector<std::string> commandNames)
        : commandNames_(std::move(commandNames)),
          historyFile_(HistoryFile()),
          history_(history_init()),
          editor_(el_init("dinotuner-sim", stdin, stdout, stderr))
    {
        HistEvent event;
        history(history_, &event, H_SETSIZE, kHistorySize);
        history(history_, &event, H_SETUNIQUE, 1);
        if (!historyFile_.empty()) {
            history(history_, &event, H_LOAD, historyFile_.c_str());
        }
        el_set(editor_, EL_CLIENTDATA, this);
        el_set(editor_, EL_PROMPT, &Prompt);
        el_set(editor_, EL_EDITOR, "emacs");
        el_set(editor_, EL_HIST, history, history_);
        // SIGINT and SIGTERM belong to the server, which stops on them.
        el_set(editor_, EL_SIGNAL, 0);
        el_set(editor_, EL_ADDFN, "dinotuner-complete", "complete a command name", &CompleteCommand);
        el_set(editor_, EL_BIND, "^I", "dinotuner-complete", nullptr);
        el_source(editor_, nullptr);  // the admin's own ~/.editrc, as every libedit program reads it
        StartLine();
    }

    ~LineEditor() override
    {
        if (editing_) {
            el_set(editor_, EL_UNBUFFERED, 0);  // the terminal as it was
            std::fputs(kClearLine, stdout);
        }
        if (!historyFile_.empty()) {
            HistEvent event;
            history(history_, &event, H_SAVE, historyFile_.c_str());
        }
        el_end(editor_);
        history_end(history_);
        std::fflush(stdout);
    }

    LineEditor(const LineEditor&) = delete;
    LineEditor& operator=(const LineEditor&) = delete;

    bool ReadAvailable(const LineRunner& run) override
    {
        int count = 0;
        const char* text = el_gets(editor_, &count);
        if (text == nullptr || (count == 1 && text[0] == kEndOfInput)) {
            FinishLine();
            std::fputs(kClearLine, stdout);  // the "^D" libedit drew
            return false;
        }
        if (count <= 0 || text[count - 1] != '\n') {
            return true;  // a key of a line still being typed
        }
        const std::string line(text, static_cast<std::size_t>(count - 1));
        // While the command runs and prints, the terminal behaves as without the editor.
        FinishLine();
        if (line.find_first_not_of(" \t") != std::string::npos) {
            HistEvent event;
            history(history_, &event, H_ENTER, line.c_str());
        }
        if (run(line)) {
            StartLine();
        }
        return true;
    }

    void BeforeOutput() override
    {
        if (promptShown_) {
            std::fputs(kClearLine, stdout);
            promptShown_ = false;
        }
    }

    void AfterOutput() override
    {
        if (editing_ && !promptShown_) {
            el_set(editor_, EL_REFRESH);  // the prompt and the half-typed line, drawn again
            promptShown_ = true;
        }
    }

private:
    // A fresh line: raw key-by-key reading, the prompt drawn.
    void StartLine()
    {
        el_set(editor_, EL_UNBUFFERED, 1);
        editing_ = true;
        promptShown_ = true;
    }

    void FinishLine()
    {
        el_set(editor_, EL_UNBUFFERED, 0);
        editing_ = false;
        promptShown_ = false;
    }

    // Tab on the first word: complete it as far as the command names agree, or list them.
    static unsigned char CompleteCommand(EditLine* editor, int /*key*/)
    {
        void* data = nullptr;
        el_get(editor, EL_CLIENTDATA, &data);
        const LineEditor& self = *static_cast<const LineEditor*>(data);
        const LineInfo* info = el_line(editor);
        const std::string typed(info->buffer, static_cast<std::size_t>(info->cursor - info->buffer));
        if (typed.find_first_of(" \t") != std::string::npos) {
            return CC_ERROR;
        }
        std::vector<std::string> matches;
        for (const std::string& name : self.commandNames_) {
            if (name.compare(0, typed.size(), typed) == 0) {
                matches.push_back(name);
            }
        }
        if (matches.empty()) {
            return CC_ERROR;
        }
        std::string common = matches.front();
        for (const std::string& match : matches) {
            common.resize(static_cast<std::size_t>(std::mismatch(common.begin(), common.end(), match.begin(), match.end()).first - common.begin()));
        }
        if (matches.size() == 1) {
            common += ' ';
        }
        if (common.size() > typed.size()) {
            el_insertstr(editor, common.substr(typed.size()).c_str());
            return CC_REFRESH;
        }
        std::string list = "\n";
        for (const std::string& match : matches) {
            list += match + "  ";
        }
        std::fputs((list + "\n").c_str(), stdout);
        return CC_REDISPLAY;
    }

    std::vector<std::string> commandNames_;
    std::string historyFile_;
    History* history_;
    EditLine* editor_;
    bool editing_ = false;      // a line is being typed (raw key-by-key mode)
    bool promptShown_ = false;  // the prompt and the line are on the screen as libedit drew them
};

}  // namespace

std::unique_ptr<ConsoleInput> MakeLineEditor(const std::vector<std::string>& commandNames)
{
    return std::make_unique<LineEditor>(commandNames);
}

}  // namespace console

#endif  // DINOTUNER_HAVE_LIBEDIT
