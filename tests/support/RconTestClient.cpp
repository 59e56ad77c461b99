#include "RconTestClient.h"

#include <chrono>
#include <utility>
#include <vector>

#include "os/Polling.h"

namespace testing_support {
namespace {

using Clock = std::chrono::steady_clock;

void PutInt32(std::string& out, std::int32_t value)
{
    const auto bits = static_cast<std::uint32_t>(value);
    out.push_back(static_cast<char>(bits & 0xFF));
    out.push_back(static_cast<char>((bits >> 8) & 0xFF));
    out.push_back(static_cast<char>((bits >> 16) & 0xFF));
    out.push_back(static_cast<char>((bits >> 24) & 0xFF));
}

std::int32_t GetInt32(const std::string& data, std::size_t offset)
{
    const auto byte = [&](std::size_t index) { return static_cast<std::uint32_t>(static_cast<unsigned char>(data[offset + index])); };
    return static_cast<std::int32_t>(byte(0) | (byte(1) << 8) | (byte(2) << 16) | (byte(3) << 24));
}

}  // namespace

RconTestClient::RconTestClient(std::uint16_t port)
{
    std::string error;
    socket_ = sim::os::ConnectToLoopback(port, error);
}

RconTestClient::~RconTestClient() { sim::os::CloseSocket(socket_); }

std::string RconTestClient::Encode(std::int32_t id, std::int32_t type, std::string_view body)
{
    std::string out;
    PutInt32(out, static_cast<std::int32_t>(body.size() + 10));
    PutInt32(out, id);
    PutInt32(out, type);
    out.append(body);
    out.append(2, '\0');
    return out;
}

bool RconTestClient::SendRaw(std::string_view bytes)
{
    while (Connected() && !bytes.empty()) {
        std::size_t moved = 0;
        if (sim::os::SendSome(socket_, bytes.data(), bytes.size(), moved) != sim::os::IoStatus::Done)
            return false;
        bytes.remove_prefix(moved);
    }
    return bytes.empty();
}

bool RconTestClient::SendPacket(std::int32_t id, std::int32_t type, std::string_view body)
{
    return SendRaw(Encode(id, type, body));
}

void RconTestClient::ShutdownSending() { sim::os::ShutdownSending(socket_); }

bool RconTestClient::ReadAtLeast(std::size_t size, int timeoutMs)
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (Connected() && buffer_.size() < size) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            return false;
        std::vector<sim::os::WatchedSocket> watched{{socket_, true, false}};
        sim::os::WaitForActivity(watched, -1, static_cast<int>(left));
        if (!watched[0].readable)
            continue;
        char chunk[8192];
        std::size_t moved = 0;
        const sim::os::IoStatus status = sim::os::ReceiveSome(socket_, chunk, sizeof(chunk), moved);
        if (status == sim::os::IoStatus::Done)
            buffer_.append(chunk, moved);
        else if (status != sim::os::IoStatus::WouldBlock) {
            closedByServer_ = true;
            return false;
        }
    }
    return buffer_.size() >= size;
}

std::string RconTestClient::ReadOnce(int timeoutMs)
{
    if (buffer_.empty())
        ReadAtLeast(1, timeoutMs);
    return std::exchange(buffer_, std::string());
}

std::optional<RconReply> RconTestClient::ReadPacket(int timeoutMs)
{
    if (!ReadAtLeast(4, timeoutMs))
        return std::nullopt;
    const std::int32_t size = GetInt32(buffer_, 0);
    if (size < 10)
        return std::nullopt;
    const std::size_t total = 4 + static_cast<std::size_t>(size);
    if (!ReadAtLeast(total, timeoutMs))
        return std::nullopt;
    if (buffer_[total - 2] != '\0' || buffer_[total - 1] != '\0')
        return std::nullopt;
    RconReply reply;
    reply.id = GetInt32(buffer_, 4);
    reply.type = GetInt32(buffer_, 8);
    reply.body = buffer_.substr(12, total - 14);
    buffer_.erase(0, total);
    return reply;
}

bool RconTestClient::Authenticate(std::string_view password, std::int32_t id)
{
    if (!SendPacket(id, 3, password))
        return false;
    const auto verdict = ReadPacket();
    return verdict && verdict->type == 2 && verdict->id == id;
}

bool RconTestClient::WaitForClose(int timeoutMs)
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!closedByServer_) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            return false;
        buffer_.clear();
        ReadAtLeast(1, static_cast<int>(left));
    }
    return true;
}

}  // namespace testing_support
