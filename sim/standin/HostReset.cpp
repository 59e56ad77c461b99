#include "standin/HostReset.h"

#include "standin/SimHost.h"

namespace sim {

void ResetHost()
{
    detail::ResetNames();
    detail::ResetHooks();
    detail::ResetCommands();
    detail::ResetLogSinks();
    detail::ResetPlugins();
    detail::ResetServer();
}

}  // namespace sim
