// The hook service. Each game function's entry runs the newest detour; installing writes the
// entry below it into the plugin's slot, and removing a detour relinks the chain around it, so
// detours of several plugins can come and go in any order.

#include <algorithm>
#include <utility>
#include <vector>

#include "standin/GameRegistry.h"
#include "standin/HostRequests.h"
#include "standin/HostReset.h"
#include "standin/SimHost.h"

namespace sim::detail {

namespace {

std::vector<HostRequest>& RequestLog()
{
    static std::vector<HostRequest> requests;
    return requests;
}

std::function<void(const HostRequest&)>& RequestListener()
{
    static std::function<void(const HostRequest&)> listener;
    return listener;
}

class HookService final : public ArkApi::IHooks {
public:
    bool DisableHook(const std::string& functionName, void* detour) override
    {
        Record("DisableHook", functionName, detour);
        // A name forgotten after its hook was installed still lets the hook go: names only change
        // between two runs of a server, and the simulated one should not keep a detour into an
        // unloaded plugin because a script forgot a name late.
        const auto found = GetRegistry().Functions.find(functionName);
        if (found == GetRegistry().Functions.end()) {
            return false;
        }
        FunctionRecord* function = &found->second;
        std::vector<ChainLink>& chain = function->Chain;
        // The newest installation of that detour goes first, as a stack of hooks unwinds.
        auto link = std::find_if(chain.rbegin(), chain.rend(), [&](const ChainLink& l) { return l.Detour == detour; });
        if (link == chain.rend()) {
            return false;
        }
        chain.erase(std::next(link).base());
        Relink(*function);
        return true;
    }

private:
    bool SetHookInternal(const std::string& functionName, void* detour, void** original) override
    {
        Record("SetHook", functionName, detour);
        // A name the host does not know cannot be hooked (the real host would patch the module's base).
        FunctionRecord* function = KnownFunction(functionName);
        if (function == nullptr || detour == nullptr || original == nullptr) {
            return false;
        }
        function->Chain.push_back(ChainLink{detour, original});
        Relink(*function);
        return true;
    }
};

}  // namespace

void Record(const std::string& operation, const std::string& name, void* detour)
{
    RequestLog().push_back(HostRequest{operation, name, detour});
    if (RequestListener()) {
        RequestListener()(RequestLog().back());
    }
}

void ResetHooks()
{
    for (auto& [name, function] : GetRegistry().Functions) {
        function.Chain.clear();
        Relink(function);
    }
    RequestLog().clear();
}

}  // namespace sim::detail

namespace sim {

const std::vector<HostRequest>& Requests()
{
    return detail::RequestLog();
}

void ClearRequests()
{
    detail::RequestLog().clear();
}

void SetRequestListener(std::function<void(const HostRequest&)> listener)
{
    detail::RequestListener() = std::move(listener);
}

std::size_t HookCount(const std::string& name)
{
    auto found = detail::GetRegistry().Functions.find(name);
    return found == detail::GetRegistry().Functions.end() ? 0 : found->second.Chain.size();
}

}  // namespace sim

namespace ArkApi {

IHooks& GetHooks()
{
    static sim::detail::HookService service;
    return service;
}

}  // namespace ArkApi
