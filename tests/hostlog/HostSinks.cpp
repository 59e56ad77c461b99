// The host's side of logging, built with the host's own spdlog (0.16, its fmt bundled): the sink
// list it hands to plugins, a sink that records, and a logger of the host's own.

#include "HostSinks.h"

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <spdlog/logger.h>
#include <spdlog/sinks/base_sink.h>

#include "host/HostApi.h"
#include "support/RecordedLog.h"

namespace {

// The pattern is the logger's in this spdlog: a sink gets each line formatted already.
class RecordingSink final : public spdlog::sinks::base_sink<std::mutex>, public testing_support::RecordedLog {
protected:
    void _sink_it(const spdlog::details::log_msg& message) override { Keep(message.formatted.str()); }
    void _flush() override { KeepFlush(); }
};

std::vector<spdlog::sink_ptr>& Sinks()
{
    static std::vector<spdlog::sink_ptr> sinks;
    return sinks;
}

}  // namespace

std::vector<std::shared_ptr<spdlog::sinks::sink>>& GetLogSinks()
{
    return Sinks();
}

namespace testing_support {

std::shared_ptr<RecordedLog> RecordHostLines()
{
    auto sink = std::make_shared<RecordingSink>();
    Sinks().push_back(sink);
    return sink;
}

void LogAsTheHost(const std::string& message)
{
    spdlog::logger host("host", Sinks().begin(), Sinks().end());
    host.info(message);
}

void ResetHostSinks()
{
    Sinks().clear();
}

}  // namespace testing_support
