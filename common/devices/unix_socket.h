#pragma once

// Unix seqpacket sockets by file path, for the simulator's devices: one message per frame.
// Paths longer than a socket address can hold are reached through /proc/self/fd of their
// directory, so a deep device directory works as well as a short one.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kw::unixsocket {

// A connect waits at most this long for the listener to take it (ETIMEDOUT after).
inline constexpr int kConnectTimeoutMs = 1000;

// Connects to the socket at path. Returns the descriptor, or -1 with *error set (ENOENT when
// nobody listens there, ETIMEDOUT when the listener never takes the connection). Receives and
// sends on it time out after `receiveTimeoutMs` (0 = never).
int connectTo(const std::string& path, int receiveTimeoutMs, int* error);

// Sets the receive and send time-outs of a connected socket (0 = never).
void setTimeouts(int fd, int milliseconds);

// Binds a listening, non-blocking socket at path, which must not exist. -1 with *error set.
int listenAt(const std::string& path, int* error);

// Sends one frame; false with *error set when it cannot be sent.
bool sendFrame(int fd, std::span<const std::uint8_t> frame, int* error);

// Receives one frame into buffer and returns its length. nullopt with *error set on failure:
// ENODEV when the other side closed the connection, ETIMEDOUT when the receive timeout ran
// out (or, on a non-blocking socket, nothing is waiting), EMSGSIZE for a frame longer than
// the buffer (it is dropped).
std::optional<std::size_t> receiveFrame(int fd, std::span<std::uint8_t> buffer, int* error);

} // namespace kw::unixsocket
