#include "frame/Lifecycle.h"

#include <exception>
#include <vector>

#include "frame/CommandManager.h"
#include "frame/Hook.h"
#include "frame/Plugin.h"
#include "logging/Logger.h"

int OnEntryPointNotification(unsigned long reason)
{
    if (reason == ProcessAttach) {
        AttachProcess();
    } else if (reason == ProcessDetach) {
        DetachProcess();
    }
    return 1;
}

void AttachProcess()
{
    ArkPluginInstance->HookList = new std::vector<Hook*>();
    ArkPluginInstance->Commands = new CommandManager();
    try {
        ArkPluginInstance->Load();
    } catch (const std::exception& error) {
        // A plugin that cannot start must not take the server down: report it and stay inert.
        if (const auto& logger = GetLogger()) {
            logger->error(error.what());
        }
    } catch (...) {
        if (const auto& logger = GetLogger()) {
            logger->error("Load failed with an unknown error");
        }
    }
}

void DetachProcess()
{
    if (std::vector<Hook*>* hooks = ArkPluginInstance->HookList) {
        while (!hooks->empty()) {
            Hook* container = hooks->front();
            container->OnUnload();
            TearDownHookContainer(*hooks, container);
        }
    }
    if (CommandManager* commands = ArkPluginInstance->Commands) {
        for (std::int32_t i = 0; i < commands->Count(); ++i) {
            commands->unregisterCommand(commands->Elements()[i]);
        }
    }
    ArkPluginInstance->Unload();
}
