#pragma once
// The Source RCON packet on the wire: int32 size (little endian, counting the bytes after it),
// int32 id, int32 type, the body, a terminating zero and a pad zero.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace sim::rcon {

// Packet types; a command and the answer to an authentication share the value 2.
inline constexpr std::int32_t kTypeResponseValue = 0;
inline constexpr std::int32_t kTypeExecCommand = 2;
inline constexpr std::int32_t kTypeAuthResponse = 2;
inline constexpr std::int32_t kTypeAuth = 3;

// The size field of an empty packet (id, type, two zeros) and the largest size accepted.
inline constexpr std::int32_t kMinPacketSize = 10;
inline constexpr std::int32_t kMaxPacketSize = 4096;
// Bytes of the size field itself.
inline constexpr std::size_t kSizeFieldBytes = 4;
// The longest body that fits one packet.
inline constexpr std::size_t kMaxBodyBytes = kMaxPacketSize - kMinPacketSize;

struct Packet {
    std::int32_t id = 0;
    std::int32_t type = 0;
    std::string body;
};

enum class DecodeStatus {
    Complete,  // `packet` holds the first packet, `consumed` its bytes
    NeedMore,  // the data holds only the start of a packet
    Malformed, // the data can never make a valid packet: `problem` says why
};

// Appends one packet to `out`; the body must not exceed kMaxBodyBytes.
void AppendPacket(std::string& out, std::int32_t id, std::int32_t type, std::string_view body);

// Decodes the packet at the front of `data`. Returns Complete, NeedMore or Malformed (a size out of
// range, a body without its terminating zero or with a zero inside, a pad byte that is not zero).
DecodeStatus DecodePacket(std::string_view data, Packet& packet, std::size_t& consumed, std::string& problem);

}  // namespace sim::rcon
