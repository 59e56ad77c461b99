#include "Interactive.h"

#include <csignal>
#include <string>
#include <vector>

#include "Console.h"
#include "os/Polling.h"
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
constexpr int kStandardInput = 0;

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
        return rcon->Poll(kWaitMs, kStandardInput);
    }
    std::vector<sim::os::WatchedSocket> noSockets;
    return sim::os::WaitForActivity(noSockets, kStandardInput, kWaitMs);
}

// Runs each complete line of `pending`, keeping a partial last line for the next read.
void RunCompleteLines(Console& console, std::string& pending, int& lineNumber)
{
    std::string::size_type end;
    while (!console.QuitRequested() && (end = pending.find('\n')) != std::string::npos) {
        std::string line = pending.substr(0, end);
        pending.erase(0, end + 1);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        console.RunLine(line, ++lineNumber);
    }
}

}  // namespace

void RunInteractive(Console& console, sim::RconServer* rcon)
{
    InstallStopHandlers();
    // Standard input is read raw, not through a buffered stream: lines sitting in a stream's
    // buffer would go unseen by the wait, which only watches the descriptor.
    std::string pending;
    int lineNumber = 0;
    bool inputOpen = true;
    while (inputOpen && !console.QuitRequested() && stopRequested == 0) {
        if (!WaitForInput(rcon)) {
            continue;
        }
        char buffer[4096];
        const long count = sim::os::ReadAvailable(kStandardInput, buffer, sizeof buffer);
        if (count < 0) {
            continue;
        }
        if (count == 0) {
            inputOpen = false;
            if (!pending.empty()) {
                pending += '\n';  // a last line without a line end still counts
            }
        } else {
            pending.append(buffer, static_cast<std::size_t>(count));
        }
        RunCompleteLines(console, pending, lineNumber);
    }
    // Answers still queued go out before the listener closes.
    if (rcon != nullptr) {
        for (int round = 0; round < 3; ++round) {
            rcon->Poll(0, -1);
        }
    }
}

}  // namespace console
