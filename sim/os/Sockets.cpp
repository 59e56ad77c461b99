#include "os/Sockets.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <winsock2.h>
#include <ws2tcpip.h>
#include <mutex>
#else
#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include "os/Polling.h"

namespace sim::os {
namespace {

#ifdef _WIN32

using NativeSocket = SOCKET;

NativeSocket Native(SocketHandle socket) { return static_cast<NativeSocket>(socket); }

int LastError() { return WSAGetLastError(); }

std::string ErrorText(int code)
{
    char text[256] = {};
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   static_cast<DWORD>(code), 0, text, sizeof(text), nullptr);
    std::string message(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' '))
        message.pop_back();
    return message.empty() ? "socket error " + std::to_string(code) : message;
}

bool IsWouldBlock(int code) { return code == WSAEWOULDBLOCK; }
bool IsInterrupted(int code) { return code == WSAEINTR; }

bool MakeNonBlocking(NativeSocket socket)
{
    u_long nonBlocking = 1;
    return ioctlsocket(socket, FIONBIO, &nonBlocking) == 0;
}

// Windows lets SO_REUSEADDR steal a port another process listens on; exclusive use is the safe
// choice, and Windows has no TIME_WAIT bind problem that SO_REUSEADDR would be needed for.
void PrepareListener(NativeSocket socket)
{
    BOOL exclusive = TRUE;
    setsockopt(socket, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&exclusive), sizeof(exclusive));
}

// Winsock raises no SIGPIPE; nothing to do for a new connection besides turning off Nagle.
void PrepareConnection(NativeSocket socket)
{
    BOOL noDelay = TRUE;
    setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay), sizeof(noDelay));
}

void CloseNative(NativeSocket socket) { closesocket(socket); }

int ClampLength(std::size_t size) { return static_cast<int>(std::min<std::size_t>(size, INT_MAX)); }

int ReceiveNative(NativeSocket socket, char* buffer, std::size_t capacity)
{
    return recv(socket, buffer, ClampLength(capacity), 0);
}

int SendNative(NativeSocket socket, const char* data, std::size_t size)
{
    return send(socket, data, ClampLength(size), 0);
}

constexpr int kShutdownSend = SD_SEND;

#else  // POSIX

using NativeSocket = int;
constexpr NativeSocket INVALID_SOCKET = -1;
constexpr int SOCKET_ERROR = -1;

NativeSocket Native(SocketHandle socket) { return socket; }

int LastError() { return errno; }

std::string ErrorText(int code) { return std::strerror(code); }

bool IsWouldBlock(int code) { return code == EAGAIN || code == EWOULDBLOCK; }
bool IsInterrupted(int code) { return code == EINTR; }

bool MakeNonBlocking(NativeSocket socket)
{
    const int flags = fcntl(socket, F_GETFL, 0);
    return flags != -1 && fcntl(socket, F_SETFL, flags | O_NONBLOCK) == 0;
}

// Sockets must not leak into processes the server starts (a plugin may run one).
void KeepFromChildren(NativeSocket socket)
{
    const int flags = fcntl(socket, F_GETFD, 0);
    if (flags != -1)
        fcntl(socket, F_SETFD, flags | FD_CLOEXEC);
}

// SO_REUSEADDR lets a restarted server bind its port again while old connections sit in TIME_WAIT.
void PrepareListener(NativeSocket socket)
{
    KeepFromChildren(socket);
    int reuse = 1;
    setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof(reuse));
}

// A client that vanishes must not kill the server with SIGPIPE: MSG_NOSIGNAL covers every send
// where it exists, SO_NOSIGPIPE covers the systems (macOS, BSD) that have the option instead.
// RCON answers are small: Nagle's algorithm would only delay them.
void PrepareConnection(NativeSocket socket)
{
    KeepFromChildren(socket);
#ifdef SO_NOSIGPIPE
    int noSignal = 1;
    setsockopt(socket, SOL_SOCKET, SO_NOSIGPIPE, &noSignal, sizeof(noSignal));
#endif
    int noDelay = 1;
    setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof(noDelay));
}

void CloseNative(NativeSocket socket) { close(socket); }

#ifdef MSG_NOSIGNAL
constexpr int kSendFlags = MSG_NOSIGNAL;
#else
constexpr int kSendFlags = 0;
#endif

ssize_t ReceiveNative(NativeSocket socket, char* buffer, std::size_t capacity)
{
    return recv(socket, buffer, capacity, 0);
}

ssize_t SendNative(NativeSocket socket, const char* data, std::size_t size)
{
    return send(socket, data, size, kSendFlags);
}

constexpr int kShutdownSend = SHUT_WR;

#endif

sockaddr_in LoopbackAddress(std::uint16_t port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

std::string Describe(const char* what, int code) { return std::string(what) + ": " + ErrorText(code); }

// A connect interrupted by a signal goes on in the background; calling connect again would only
// say it is under way. Waits until it ends and returns its outcome: 0, or the error code.
int FinishInterruptedConnect(NativeSocket client)
{
    std::vector<WatchedSocket> watched{{static_cast<SocketHandle>(client), false, true}};
    while (!watched[0].writable && !watched[0].readable)
        WaitForActivity(watched, -1, -1);  // a further signal ends the wait early: wait again
    int code = 0;
    socklen_t length = sizeof(code);
    if (getsockopt(client, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&code), &length) == SOCKET_ERROR)
        return LastError();
    return code;
}

}  // namespace

bool StartSockets(std::string& error)
{
#ifdef _WIN32
    static std::once_flag once;
    static int startResult = 0;
    std::call_once(once, [] {
        WSADATA data;
        startResult = WSAStartup(MAKEWORD(2, 2), &data);
    });
    if (startResult != 0) {
        error = Describe("WSAStartup", startResult);
        return false;
    }
#else
    (void)error;
#endif
    return true;
}

SocketHandle ListenOnLoopback(std::uint16_t port, std::string& error)
{
    if (!StartSockets(error))
        return kNoSocket;
    const NativeSocket listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (listener == INVALID_SOCKET) {
        error = Describe("socket", LastError());
        return kNoSocket;
    }
    PrepareListener(listener);
    const sockaddr_in address = LoopbackAddress(port);
    const char* failedStep = nullptr;
    if (bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == SOCKET_ERROR)
        failedStep = "bind 127.0.0.1";
    else if (listen(listener, SOMAXCONN) == SOCKET_ERROR)
        failedStep = "listen";
    else if (!MakeNonBlocking(listener))
        failedStep = "non-blocking mode";
    if (failedStep != nullptr) {
        error = Describe(failedStep, LastError());
        CloseNative(listener);
        return kNoSocket;
    }
    return static_cast<SocketHandle>(listener);
}

std::uint16_t LocalPort(SocketHandle socket)
{
    sockaddr_in address{};
    socklen_t length = sizeof(address);
    if (getsockname(Native(socket), reinterpret_cast<sockaddr*>(&address), &length) == SOCKET_ERROR)
        return 0;
    return ntohs(address.sin_port);
}

SocketHandle AcceptConnection(SocketHandle listener, std::uint32_t& peerAddress)
{
    peerAddress = 0;
    for (;;) {
        sockaddr_in peer{};
        socklen_t peerLength = sizeof(peer);
        const NativeSocket client = accept(Native(listener), reinterpret_cast<sockaddr*>(&peer), &peerLength);
        if (client == INVALID_SOCKET) {
            if (IsInterrupted(LastError()))
                continue;
            return kNoSocket;
        }
        if (peer.sin_family == AF_INET)
            peerAddress = ntohl(peer.sin_addr.s_addr);
        PrepareConnection(client);
        if (!MakeNonBlocking(client)) {
            CloseNative(client);
            return kNoSocket;
        }
        return static_cast<SocketHandle>(client);
    }
}

SocketHandle ConnectToLoopback(std::uint16_t port, std::string& error)
{
    if (!StartSockets(error))
        return kNoSocket;
    const NativeSocket client = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (client == INVALID_SOCKET) {
        error = Describe("socket", LastError());
        return kNoSocket;
    }
    PrepareConnection(client);
    const sockaddr_in address = LoopbackAddress(port);
    if (connect(client, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == SOCKET_ERROR) {
        int code = LastError();
        if (IsInterrupted(code))
            code = FinishInterruptedConnect(client);
        if (code != 0) {
            error = Describe("connect 127.0.0.1", code);
            CloseNative(client);
            return kNoSocket;
        }
    }
    return static_cast<SocketHandle>(client);
}

IoStatus ReceiveSome(SocketHandle socket, char* buffer, std::size_t capacity, std::size_t& moved)
{
    moved = 0;
    for (;;) {
        const auto received = ReceiveNative(Native(socket), buffer, capacity);
        if (received > 0) {
            moved = static_cast<std::size_t>(received);
            return IoStatus::Done;
        }
        if (received == 0)
            return IoStatus::Closed;
        const int code = LastError();
        if (IsInterrupted(code))
            continue;
        return IsWouldBlock(code) ? IoStatus::WouldBlock : IoStatus::Failed;
    }
}

IoStatus SendSome(SocketHandle socket, const char* data, std::size_t size, std::size_t& moved)
{
    moved = 0;
    for (;;) {
        const auto sent = SendNative(Native(socket), data, size);
        if (sent >= 0) {
            moved = static_cast<std::size_t>(sent);
            return IoStatus::Done;
        }
        const int code = LastError();
        if (IsInterrupted(code))
            continue;
        return IsWouldBlock(code) ? IoStatus::WouldBlock : IoStatus::Failed;
    }
}

void ShutdownSending(SocketHandle socket)
{
    if (socket != kNoSocket)
        shutdown(Native(socket), kShutdownSend);
}

void CloseSocket(SocketHandle socket)
{
    if (socket != kNoSocket)
        CloseNative(Native(socket));
}

}  // namespace sim::os
