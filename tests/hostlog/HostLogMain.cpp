// GoogleTest's main for the logger's tests against the host's spdlog: the plugin's logger and the
// host's sinks start afresh before every test, so the binary passes whole, shuffled and repeated.

#include <gtest/gtest.h>

#include "HostSinks.h"
#include "logging/Logger.h"

namespace {

class FreshLogging : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo& /*test*/) override
    {
        GetLogger().reset();
        testing_support::ResetHostSinks();
    }
};

}  // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new FreshLogging);
    return RUN_ALL_TESTS();
}
