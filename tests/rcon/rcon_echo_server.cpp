// A tiny RCON server for testing RCON clients against the listener: it answers each command with
// "echo: <body>". It prints "listening <port>" first (port 0 picks a free one) and stops at end of
// standard input or after the given number of seconds.
//
//   rcon_echo_server --password PW [--port N] [--seconds S]

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

#include "os/Polling.h"
#include "rcon/RconServer.h"

namespace {

struct Options {
    int port = 0;
    std::string password;
    bool hasPassword = false;
    int seconds = 60;
};

bool ParseNumber(const char* text, int low, int high, int& value)
{
    char* end = nullptr;
    const long parsed = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || parsed < low || parsed > high)
        return false;
    value = static_cast<int>(parsed);
    return true;
}

bool ParseOptions(int argc, char** argv, Options& options)
{
    for (int index = 1; index < argc; ++index) {
        const std::string name = argv[index];
        if (index + 1 >= argc)
            return false;
        const char* value = argv[++index];
        if (name == "--port") {
            if (!ParseNumber(value, 0, 65535, options.port))
                return false;
        } else if (name == "--seconds") {
            if (!ParseNumber(value, 1, 24 * 3600, options.seconds))
                return false;
        } else if (name == "--password") {
            options.password = value;
            options.hasPassword = true;
        } else {
            return false;
        }
    }
    return options.hasPassword;
}

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::cerr << "usage: rcon_echo_server --password PW [--port N] [--seconds S]\n";
        return 2;
    }
    sim::RconServer* serverForHandler = nullptr;
    sim::RconServer server(options.password, [&serverForHandler](int connection, std::int32_t id, const std::string& body) {
        serverForHandler->Send(connection, id, 0, "echo: " + body);
    });
    serverForHandler = &server;
    std::string error;
    if (!server.Listen(static_cast<std::uint16_t>(options.port), error)) {
        std::cerr << "rcon_echo_server: " << error << "\n";
        return 1;
    }
    std::cout << "listening " << server.Port() << std::endl;

    const auto stopAt = std::chrono::steady_clock::now() + std::chrono::seconds(options.seconds);
    while (std::chrono::steady_clock::now() < stopAt) {
        if (!server.Poll(100, 0))
            continue;
        char discard[256];
        if (sim::os::ReadAvailable(0, discard, sizeof(discard)) == 0)
            break;  // end of input: whoever started us is done
    }
    return 0;
}
