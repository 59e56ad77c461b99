#include "HostReset.h"

#include "SimHost.h"

namespace sim {

void ResetHost()
{
    detail::ResetHooks();
    detail::ResetCommands();
    detail::ResetLogSinks();
    detail::ResetServer();
}

}  // namespace sim
