#include "Interactive.h"

#include <csignal>
#include <memory>
#include <string>
#include <vector>

#include "Console.h"
#include "ConsoleInput.h"
#include "os/Polling.h"
#include "os/StandardInput.h"
#include "rcon/RconServer.h"

namespace console {

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void RequestStop(int /*signal*/)
{
    stopRequested = 1;
}

// How long one wait may last: the loop notices a stop signal at least this often.
constexpr int kWaitMs = 200;

void InstallStopHandlers()
{
#if defined(_WIN32)
    std::signal(SIGINT, &RequestStop);
    std::signal(SIGTERM, &RequestStop);
#else
    // Without SA_RESTART a signal interrupts the wait, so the server stops at once.
    struct sigaction action {};
    action.sa_handler = &RequestStop;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
#endif
}

bool WaitForInput(sim::RconServer* rcon)
{
    if (rcon != nullptr) {
        return rcon->Poll(kWaitMs, sim::os::kStandardInput);
    }
    std::vector<sim::os::WatchedSocket> noSockets;
    return sim::os::WaitForActivity(noSockets, sim::os::kStandardInput, kWaitMs);
}

std::vector<std::string> CommandNames(const Console& console)
{
    std::vector<std::string> names;
    for (const auto& entry : console.Commands()) {
        names.push_back(entry.first);
    }
    return names;
}

}  // namespace

void RunInteractive(Console& console, sim::RconServer* rcon)
{
    InstallStopHandlers();
    if (sim::os::StandardStreamsAreTerminals()) {
        console.Notice("Type 'help' for the commands, 'quit' to stop.");
    }
    std::unique_ptr<ConsoleInput> input = OpenConsoleInput(CommandNames(console));
    // Output between typed lines (an RCON client's request) must not land inside the prompt.
    console.SetOutputListener([&input] { input->BeforeOutput(); });
    int lineNumber = 0;
    bool inputOpen = true;
    while (inputOpen && !console.QuitRequested() && stopRequested == 0) {
        if (WaitForInput(rcon)) {
            inputOpen = input->ReadAvailable([&](const std::string& line) {
                console.RunLine(line, ++lineNumber);
                return !console.QuitRequested();
            });
        }
        input->AfterOutput();
    }
    console.SetOutputListener(nullptr);
    input.reset();  // the terminal as it was before the server ends
    // Answers still queued go out before the listener closes.
    if (rcon != nullptr) {
        for (int round = 0; round < 3; ++round) {
            rcon->Poll(0, -1);
        }
    }
}

}  // namespace console
