#pragma once
// The plugin's named logger over the host's log sinks. Lines are formatted here, with fmt's
// placeholders ("Loaded {} dino balances!"), and reach the host as finished text (LogChannel.h).

#include <memory>
#include <string>
#include <utility>

#include <fmt/format.h>

#include "logging/LogChannel.h"

class Logger : public LogChannel {
public:
    using LogChannel::LogChannel;

    // Each writes one line at its level: the message as it is, or the format with its arguments.
    void debug(const std::string& message) const { Write(LogLevel::Debug, message); }
    void info(const std::string& message) const { Write(LogLevel::Info, message); }
    void warn(const std::string& message) const { Write(LogLevel::Warning, message); }
    void error(const std::string& message) const { Write(LogLevel::Error, message); }
    template <typename... Args>
    void debug(fmt::format_string<Args...> format, Args&&... args) const { Format(LogLevel::Debug, format, std::forward<Args>(args)...); }
    template <typename... Args>
    void info(fmt::format_string<Args...> format, Args&&... args) const { Format(LogLevel::Info, format, std::forward<Args>(args)...); }
    template <typename... Args>
    void warn(fmt::format_string<Args...> format, Args&&... args) const { Format(LogLevel::Warning, format, std::forward<Args>(args)...); }
    template <typename... Args>
    void error(fmt::format_string<Args...> format, Args&&... args) const { Format(LogLevel::Error, format, std::forward<Args>(args)...); }

private:
    template <typename... Args>
    void Format(LogLevel level, fmt::format_string<Args...> format, Args&&... args) const
    {
        if (Enabled(level)) {
            Write(level, fmt::format(format, std::forward<Args>(args)...));
        }
    }
};

// The process-wide logger holder; empty until InitLogger has run.
std::shared_ptr<Logger>& GetLogger();
// Creates logger `name` over the host's sinks and stores it in `holder`.
void InitLogger(std::shared_ptr<Logger>& holder, const std::string& name);
