#include "rcon/RconPacket.h"

namespace sim::rcon {
namespace {

// Little endian whatever the machine's byte order.
void AppendInt32(std::string& out, std::int32_t value)
{
    const auto bits = static_cast<std::uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<char>((bits >> shift) & 0xFFu));
}

std::int32_t ReadInt32(std::string_view data, std::size_t offset)
{
    std::uint32_t bits = 0;
    for (int index = 3; index >= 0; --index)
        bits = (bits << 8) | static_cast<unsigned char>(data[offset + static_cast<std::size_t>(index)]);
    return static_cast<std::int32_t>(bits);
}

}  // namespace

void AppendPacket(std::string& out, std::int32_t id, std::int32_t type, std::string_view body)
{
    AppendInt32(out, static_cast<std::int32_t>(body.size()) + kMinPacketSize);
    AppendInt32(out, id);
    AppendInt32(out, type);
    out.append(body);
    out.push_back('\0');
    out.push_back('\0');
}

DecodeStatus DecodePacket(std::string_view data, Packet& packet, std::size_t& consumed, std::string& problem)
{
    if (data.size() < kSizeFieldBytes)
        return DecodeStatus::NeedMore;
    // The size is judged as soon as it is known, so a hostile size never makes us wait for (or
    // buffer) bytes that no valid packet would have.
    const std::int32_t size = ReadInt32(data, 0);
    if (size < kMinPacketSize || size > kMaxPacketSize) {
        problem = "packet size " + std::to_string(size) + " outside " + std::to_string(kMinPacketSize) + ".." +
                  std::to_string(kMaxPacketSize);
        return DecodeStatus::Malformed;
    }
    const std::size_t total = kSizeFieldBytes + static_cast<std::size_t>(size);
    if (data.size() < total)
        return DecodeStatus::NeedMore;
    const std::size_t bodyStart = kSizeFieldBytes + 8;
    const std::size_t bodyLength = total - 2 - bodyStart;
    const std::string_view body = data.substr(bodyStart, bodyLength);
    if (data[total - 2] != '\0') {
        problem = "body without its terminating zero";
        return DecodeStatus::Malformed;
    }
    if (data[total - 1] != '\0') {
        problem = "pad byte not zero";
        return DecodeStatus::Malformed;
    }
    // A zero inside the body would cut the command short wherever it is read as a C string.
    if (body.find('\0') != std::string_view::npos) {
        problem = "zero byte inside the body";
        return DecodeStatus::Malformed;
    }
    packet.id = ReadInt32(data, kSizeFieldBytes);
    packet.type = ReadInt32(data, kSizeFieldBytes + 4);
    packet.body.assign(body);
    consumed = total;
    return DecodeStatus::Complete;
}

}  // namespace sim::rcon
