// Players (their controllers), the chat lines the game shows them, and RCON connections.

#include <algorithm>

#include "world/WorldState.h"

namespace sim {

namespace {

using world::PlayerRecord;

bool TeamTaken(std::int32_t team)
{
    const auto& players = world::State().Players;
    return std::any_of(players.begin(), players.end(), [&](const auto& player) { return player->Body.TargetingTeam == team; });
}

// A team of the player's own: above 50000 and held by no other player.
std::int32_t NewPlayerTeam()
{
    std::int32_t& next = world::State().NextPlayerTeam;
    while (TeamTaken(next)) {
        ++next;
    }
    return next++;
}

}  // namespace

AShooterPlayerController* World::AddPlayer(const std::string& name, std::optional<int> team)
{
    world::WorldState& state = world::State();
    // A player who connects again keeps the controller (and, unless told otherwise, the team).
    if (AShooterPlayerController* known = FindPlayer(name)) {
        if (team) {
            world::PlayerByBody(known)->Body.TargetingTeam = *team;
        }
        return known;
    }
    auto player = std::make_unique<PlayerRecord>();
    player->Name = name;
    player->Body.Object.Class = reinterpret_cast<UClass*>(&state.PlayerClass->Body);
    player->Body.Object.Name = world::InternName(name);
    player->Body.TargetingTeam = team ? *team : NewPlayerTeam();
    auto* controller = reinterpret_cast<AShooterPlayerController*>(&player->Body);
    state.PlayersByBody.emplace(&player->Body, player.get());
    state.Players.push_back(std::move(player));
    return controller;
}

AShooterPlayerController* World::FindPlayer(const std::string& name) const
{
    for (const auto& player : world::State().Players) {
        if (player->Name == name) {
            return reinterpret_cast<AShooterPlayerController*>(&player->Body);
        }
    }
    return nullptr;
}

std::string World::PlayerName(const AShooterPlayerController* player) const
{
    const PlayerRecord* record = world::PlayerByBody(player);
    return record != nullptr ? record->Name : std::string();
}

void World::SetChatOutput(std::function<void(const std::string&, const std::string&, const FLinearColor&)> output)
{
    world::State().ChatOutput = std::move(output);
}

RCONClientConnection* World::NewRconConnection(std::function<void(std::int32_t id, std::int32_t type, const std::string& text)> reply)
{
    world::WorldState& state = world::State();
    auto connection = std::make_unique<world::ConnectionRecord>();
    connection->Body.Class = reinterpret_cast<UClass*>(&state.ConnectionClass->Body);
    connection->Body.Name = world::InternName("RCONClientConnection");
    connection->Reply = std::move(reply);
    auto* handle = reinterpret_cast<RCONClientConnection*>(&connection->Body);
    state.Connections.emplace(handle, std::move(connection));
    return handle;
}

void World::CloseRconConnection(RCONClientConnection* connection)
{
    world::State().Connections.erase(connection);
}

}  // namespace sim
