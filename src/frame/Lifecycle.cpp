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

namespace {

// Detach must run to its end whatever one step throws: a hook or command left behind would
// point into a library that is about to be unmapped.
template <typename Step>
void Guarded(Step step)
{
    try {
        step();
    } catch (const std::exception& error) {
        if (const auto& logger = GetLogger()) {
            logger->error(error.what());
        }
    } catch (...) {
        if (const auto& logger = GetLogger()) {
            logger->error("Detach step failed with an unknown error");
        }
    }
}

}  // namespace

void DetachProcess()
{
    if (std::vector<Hook*>* hooks = ArkPluginInstance->HookList) {
        while (!hooks->empty()) {
            Hook* container = hooks->front();
            bool tornDown = false;
            Guarded([&] { container->OnUnload(); });
            Guarded([&] {
                TearDownHookContainer(*hooks, container);
                tornDown = true;
            });
            if (!tornDown) {
                hooks->erase(hooks->begin());  // its teardown threw before taking it off the list
            }
        }
    }
    if (CommandManager* commands = ArkPluginInstance->Commands) {
        for (std::int32_t i = 0; i < commands->Count(); ++i) {
            Guarded([&] { commands->unregisterCommand(commands->Elements()[i]); });
        }
    }
    ArkPluginInstance->Unload();
}
