// Built against the spdlog the host was built with: the host's own (0.16, with its fmt bundled)
// for a real server, Debian's 1.x against the stand-in host. Both take the same calls here.

#include "logging/LogChannel.h"

#include <vector>

#include <spdlog/logger.h>

#include "host/HostApi.h"
#include "logging/LogLine.h"

namespace {

spdlog::level::level_enum SpdlogLevel(LogLevel level)
{
    switch (level) {
    case LogLevel::Debug:
        return spdlog::level::debug;
    case LogLevel::Info:
        return spdlog::level::info;
    case LogLevel::Warning:
        return spdlog::level::warn;
    case LogLevel::Error:
        break;
    }
    return spdlog::level::err;
}

}  // namespace

struct LogChannel::HostLogger {
    std::shared_ptr<spdlog::logger> Logger;
};

LogChannel::LogChannel(const std::string& name) : logger_(std::make_unique<HostLogger>())
{
    const std::vector<spdlog::sink_ptr>& sinks = GetLogSinks();
    logger_->Logger = std::make_shared<spdlog::logger>(name, sinks.begin(), sinks.end());
    // With spdlog 1.x this gives each sink a formatter of the plugin's making (the pattern is the
    // sink's there); with the host's spdlog the pattern stays the logger's. See the README.
    logger_->Logger->set_pattern(kLogPattern, spdlog::pattern_time_type::local);
    logger_->Logger->flush_on(spdlog::level::info);
}

LogChannel::~LogChannel() = default;

bool LogChannel::Enabled(LogLevel level) const
{
    return logger_->Logger->should_log(SpdlogLevel(level));
}

void LogChannel::Write(LogLevel level, const std::string& message) const
{
    // A string argument is written as it is by either spdlog: no placeholder in it is read.
    logger_->Logger->log(SpdlogLevel(level), message);
}
