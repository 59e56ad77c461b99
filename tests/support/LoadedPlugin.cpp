#include "support/LoadedPlugin.h"

#include "frame/Plugin.h"

namespace testing_support {

LoadedPlugin::LoadedPlugin(const std::string& config) : log_(RecordHostLog())
{
    sim::World::Get();
    server_.WriteConfig(config);
    OnEntryPointNotification(ProcessAttach);
}

LoadedPlugin::~LoadedPlugin()
{
    OnEntryPointNotification(ProcessDetach);
}

std::string PathOfReference(const std::string& reference)
{
    return "Blueprint'" + reference.substr(0, reference.size() < 2 ? 0 : reference.size() - 2) + "'";
}

}  // namespace testing_support
