#include "support/RecordingSink.h"

#include <spdlog/logger.h>

#include "host/HostApi.h"
#include "standin/SimHost.h"

namespace testing_support {

std::shared_ptr<RecordingSink> RecordHostLog()
{
    auto sink = std::make_shared<RecordingSink>();
    GetLogSinks().push_back(sink);
    // Keep test output quiet: the console sink's lines are dropped.
    sim::SetLogOutput([](const std::string&) {});
    return sink;
}

std::shared_ptr<RecordedLog> RecordHostLines()
{
    return RecordHostLog();
}

void LogAsTheHost(const std::string& message)
{
    spdlog::logger host("host", GetLogSinks().begin(), GetLogSinks().end());
    host.info(message);
}

}  // namespace testing_support
