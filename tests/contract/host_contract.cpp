// Compiled for the host's target by check_host_contract.py, never linked: it calls each of the
// host's functions once, so that the object imports every one of them under the name this
// compiler decorates, and calls through the services' slots and measures the types the host
// passes, so that their layouts are dumped.

#include "host/HostApi.h"

// Unqualified calls: a function declared in another namespace than the host's still compiles, and
// the check names the decorated name that differs.
using namespace ArkApi;
using namespace ArkApi::Tools;

void CallEveryHostFunction(void* object, const std::string& name)
{
    (void)GetAddress(name);
    (void)GetAddress(static_cast<const void*>(object), name);
    (void)GetBitField(static_cast<const void*>(object), name);
    (void)GetBitField(object, name);
    (void)GetLogSinks();
    (void)GetHooks().SetHook(name, object, static_cast<void**>(nullptr));
    (void)GetCommands().RemoveOnChatMessageCallback(FString());
    (void)GetApiUtils().GetStatus();
    (void)GetCurrentDir();
}

void DestroyEveryService(ArkApi::IHooks* hooks, ArkApi::ICommands* commands, ArkApi::IApiUtils* utils)
{
    delete hooks;
    delete commands;
    delete utils;
}

unsigned long long HostTypeSizes[] = {sizeof(BitField), sizeof(FString), sizeof(RCONPacket)};
