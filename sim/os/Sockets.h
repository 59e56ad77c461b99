#pragma once
// TCP sockets on the loopback interface: the only place that makes socket calls (BSD sockets on
// POSIX, Winsock on Windows). Everything above works with SocketHandle and the results below.

#include <cstddef>
#include <cstdint>
#include <string>

namespace sim::os {

#ifdef _WIN32
using SocketHandle = std::uintptr_t;  // Winsock's SOCKET
#else
using SocketHandle = int;
#endif

// The value of a handle that holds no socket.
inline constexpr SocketHandle kNoSocket = static_cast<SocketHandle>(-1);

// What a non-blocking receive or send came to.
enum class IoStatus {
    Done,        // some bytes moved (count in `moved`)
    WouldBlock,  // nothing to read / no room to write now
    Closed,      // the peer closed the connection in order (receive only)
    Failed,      // reset or another error: the socket is no use any more
};

// Prepares the socket layer once per process (Winsock start-up; on POSIX nothing, since every send
// suppresses SIGPIPE itself). Returns false with `error` filled when that fails.
bool StartSockets(std::string& error);

// Opens a non-blocking listening socket on 127.0.0.1:port (0: any free port). Returns kNoSocket
// with `error` filled when that fails.
SocketHandle ListenOnLoopback(std::uint16_t port, std::string& error);

// The local port a socket is bound to; 0 when it cannot be told.
std::uint16_t LocalPort(SocketHandle socket);

// Takes one pending connection off a listening socket, made non-blocking, and fills `peerAddress`
// with the client's IPv4 address (host byte order; 0 when unknown). Returns kNoSocket when none is
// waiting (or accepting it failed).
SocketHandle AcceptConnection(SocketHandle listener, std::uint32_t& peerAddress);

// Connects a blocking client socket to 127.0.0.1:port; a signal arriving meanwhile does not make it
// fail. Returns kNoSocket with `error` filled when that fails.
SocketHandle ConnectToLoopback(std::uint16_t port, std::string& error);

// Receives up to `capacity` bytes into `buffer`; `moved` holds the count when the status is Done.
IoStatus ReceiveSome(SocketHandle socket, char* buffer, std::size_t capacity, std::size_t& moved);

// Sends up to `size` bytes of `data`, never raising SIGPIPE; `moved` holds the count when Done.
IoStatus SendSome(SocketHandle socket, const char* data, std::size_t size, std::size_t& moved);

// Ends the sending direction (the peer reads end of stream once it has the data sent so far).
void ShutdownSending(SocketHandle socket);

// Closes the socket; kNoSocket is ignored.
void CloseSocket(SocketHandle socket);

}  // namespace sim::os
