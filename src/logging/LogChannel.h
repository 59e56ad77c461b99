#pragma once
// The one road from the plugin to the host's log sinks. It carries finished text only: the host
// hands its sinks to plugins, so the spdlog that writes to them must be the one the host was built
// with (LogChannel.cpp is the only file that includes it), while the plugin formats its own lines
// with the fmt it ships with (Logger.h). The two never meet in one file.

#include <memory>
#include <string>

enum class LogLevel { Debug, Info, Warning, Error };

class LogChannel {
public:
    // A logger named `name` over a copy of the host's sink list, writing "%D %R [%n][%l] %v" in
    // local time at info and above, and flushing every line it writes.
    explicit LogChannel(const std::string& name);
    ~LogChannel();
    LogChannel(const LogChannel&) = delete;
    LogChannel& operator=(const LogChannel&) = delete;

    // True when a line at `level` is written; below info, nothing is.
    bool Enabled(LogLevel level) const;
    // Writes `message` to every sink as one line at `level`, exactly as given.
    void Write(LogLevel level, const std::string& message) const;

private:
    struct HostLogger;
    std::unique_ptr<HostLogger> logger_;
};
