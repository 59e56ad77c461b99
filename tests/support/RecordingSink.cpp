#include "support/RecordingSink.h"

#include "host/HostApi.h"
#include "standin/SimHost.h"

namespace testing_support {

std::shared_ptr<RecordingSink> RecordHostLog()
{
    auto sink = std::make_shared<RecordingSink>();
    ArkApi::GetLogSinks().push_back(sink);
    // Keep test output quiet: the console sink's lines are dropped.
    sim::SetLogOutput([](const std::string&) {});
    return sink;
}

}  // namespace testing_support
