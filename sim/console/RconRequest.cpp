#include "RconRequest.h"

#include "standin/SimHost.h"
#include "world/World.h"

namespace console {

namespace {

// Source RCON packet types: a command request, and the answer to one.
constexpr std::int32_t kExecCommand = 2;
constexpr std::int32_t kResponseValue = 0;
// The game's answer to a command that gave it nothing to say, with its line feed and space.
constexpr const char* kGameNoResponse = "Server received, But no response!! \n ";

// The size field of a packet: id, type, the body and its two terminating zero bytes.
std::int32_t PacketLength(const std::string& body)
{
    return static_cast<std::int32_t>(body.size()) + 10;
}

}  // namespace

void RunRconRequest(std::int32_t requestId, const std::string& body, const RconReply& reply)
{
    RCONPacket packet;
    packet.Length = PacketLength(body);
    packet.Id = requestId;
    packet.Type = kExecCommand;
    packet.Body = FString(body);
    sim::World& world = sim::World::Get();
    RCONClientConnection* connection = world.NewRconConnection(reply);
    try {
        sim::ExecuteRconCommand(connection, &packet, ArkApi::GetApiUtils().GetWorld());
    } catch (...) {
        world.CloseRconConnection(connection);
        throw;
    }
    // The host runs the game's own handler after its own and the plugins' commands, whichever of
    // them answered. The simulated game has no RCON command of its own, so it answers every
    // request as one it does not know, after their reply.
    reply(requestId, kResponseValue, kGameNoResponse);
    world.CloseRconConnection(connection);
}

std::string CommandName(const std::string& line)
{
    const auto start = line.find_first_not_of(' ');
    if (start == std::string::npos) {
        return {};
    }
    return line.substr(start, line.find(' ', start) - start);
}

}  // namespace console
