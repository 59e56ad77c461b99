#include "ConsoleInput.h"

#include "os/StandardInput.h"

namespace console {

namespace {

// Standard input read raw, not through a buffered stream: lines sitting in a stream's buffer
// would go unseen by the wait, which only watches the descriptor.
class PlainInput final : public ConsoleInput {
public:
    bool ReadAvailable(const LineRunner& run) override
    {
        char buffer[4096];
        const long count = sim::os::ReadStandardInput(buffer, sizeof buffer);
        if (count < 0) {
            return true;
        }
        const bool ended = count == 0;
        if (ended && !pending_.empty()) {
            pending_ += '\n';  // a last line without a line end still counts
        } else {
            pending_.append(buffer, static_cast<std::size_t>(count));
        }
        RunCompleteLines(run);
        return !ended;
    }

private:
    // Runs each complete line of `pending_`, keeping a partial last line for the next read.
    void RunCompleteLines(const LineRunner& run)
    {
        std::string::size_type end;
        while ((end = pending_.find('\n')) != std::string::npos) {
            std::string line = pending_.substr(0, end);
            pending_.erase(0, end + 1);
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            if (!run(line)) {
                return;
            }
        }
    }

    std::string pending_;
};

}  // namespace

std::unique_ptr<ConsoleInput> MakePlainInput()
{
    return std::make_unique<PlainInput>();
}

std::unique_ptr<ConsoleInput> OpenConsoleInput(const std::vector<std::string>& commandNames)
{
#if defined(DINOTUNER_HAVE_LIBEDIT)
    if (sim::os::StandardStreamsAreTerminals()) {
        return MakeLineEditor(commandNames);
    }
#else
    (void)commandNames;
#endif
    return MakePlainInput();
}

}  // namespace console
