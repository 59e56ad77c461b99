#include "frame/CommandManager.h"

#include <limits>

#include "commands/BaseCommand.h"
#include "host/GameMemory.h"
#include "logging/Logger.h"

std::int32_t CommandManager::GrownCapacity(std::int32_t capacity, std::int32_t newCount)
{
    if (capacity == 0 && newCount <= 4) {
        return 4;
    }
    const std::int64_t grown = std::int64_t{newCount} + (std::int64_t{3} * newCount) / 8 + 16;
    if (newCount > grown || grown > std::numeric_limits<std::int32_t>::max()) {
        return std::numeric_limits<std::int32_t>::max();
    }
    return static_cast<std::int32_t>(grown);
}

bool CommandManager::Append(BaseCommand* command)
{
    const std::int32_t newCount = count_ + 1;
    if (newCount > capacity_) {
        const std::int32_t capacity = GrownCapacity(capacity_, newCount);
        const std::size_t bytes = sizeof(BaseCommand*) * static_cast<std::size_t>(capacity);
        void* storage = elements_ == nullptr ? game::Malloc(bytes) : game::Realloc(elements_, bytes);
        if (storage == nullptr) {
            return false;
        }
        elements_ = static_cast<BaseCommand**>(storage);
        capacity_ = capacity;
    }
    elements_[count_] = command;
    count_ = newCount;
    return true;
}

void CommandManager::registerCommand(BaseCommand* command)
{
    if (auto* chat = dynamic_cast<BasePlayerCommand*>(command)) {
        ArkApi::ChatCommandCallback callback = [chat](AShooterPlayerController* player, FString* message, EChatSendMode::Type mode) {
            chat->execute(player, message, mode);
        };
        const FString name = chat->Name;
        ArkApi::GetCommands().AddChatCommand(name, callback);
    } else if (auto* console = dynamic_cast<BaseConsoleCommand*>(command)) {
        ArkApi::ConsoleCommandCallback callback = [console](APlayerController* player, FString* line, bool flag) {
            console->execute(player, line, flag);
        };
        const FString name = console->Name;
        ArkApi::GetCommands().AddConsoleCommand(name, callback);
    } else if (auto* rcon = dynamic_cast<BaseRConCommand*>(command)) {
        ArkApi::RconCommandCallback callback = [rcon](RCONClientConnection* connection, RCONPacket* packet, UWorld* world) {
            rcon->execute(connection, packet, world);
        };
        const FString name = rcon->Name;
        ArkApi::GetCommands().AddRconCommand(name, callback);
    } else {
        GetLogger()->warn("Attemped to register an unvalid command!");
        return;
    }
    if (!Append(command)) {
        // Unlisted, detach could not withdraw it: the host would keep a callback into an
        // unloaded library. Withdraw it now instead.
        unregisterCommand(command);
    }
}

void CommandManager::unregisterCommand(BaseCommand* command)
{
    if (auto* chat = dynamic_cast<BasePlayerCommand*>(command)) {
        const FString name = chat->Name;
        ArkApi::GetCommands().RemoveChatCommand(name);
    } else if (auto* console = dynamic_cast<BaseConsoleCommand*>(command)) {
        const FString name = console->Name;
        ArkApi::GetCommands().RemoveConsoleCommand(name);
    } else if (auto* rcon = dynamic_cast<BaseRConCommand*>(command)) {
        const FString name = rcon->Name;
        ArkApi::GetCommands().RemoveRconCommand(name);
    } else {
        GetLogger()->warn("Attemped to unregister an unvalid command!");
    }
}
