#pragma once
// Command classes: a name, and one execute per category with the arguments the host passes.
// CommandManager registers a command with the host under the category it derives from.

#include "host/HostApi.h"

class BaseCommand {
public:
    // Copies `name` (narrow; bytes above 0x7F become '?') into the command's own text.
    explicit BaseCommand(const char* name) : Name(name) {}
    virtual ~BaseCommand() = default;

    FString Name;
};

// A chat command.
class BasePlayerCommand : public BaseCommand {
public:
    using BaseCommand::BaseCommand;
    virtual void execute(AShooterPlayerController* player, FString* message, EChatSendMode::Type mode) = 0;
};

// A console command.
class BaseConsoleCommand : public BaseCommand {
public:
    using BaseCommand::BaseCommand;
    virtual void execute(APlayerController* player, FString* line, bool flag) = 0;
};

// An RCON command.
class BaseRConCommand : public BaseCommand {
public:
    using BaseCommand::BaseCommand;
    virtual void execute(RCONClientConnection* connection, RCONPacket* packet, UWorld* world) = 0;
};
