#pragma once

// Serves a simulator's adapters as Unix sockets in a device directory, so that programs find
// them through the socket backend exactly as they would find real adapters.
//
// Each plugged adapter is one listening socket named after its device path. It is bound under
// a hidden name and renamed into place, so it is announced (inotify) only once it accepts
// connections; unplugging removes it and closes every connection to it. A control socket
// ".testsystem-sim-<pid>.control" in the same directory takes "plug NAME" and "unplug NAME"
// (answered "ok" or "unbekannt"), so that a second process can plug adapters in and out.
// Control sockets that nobody serves any more (their simulator was killed) are removed when
// a simulator starts.
//
// One thread serves everything, one request at a time, in the order the requests arrive.
// Its descriptors stay registered with one epoll set, so that waiting for the next request
// costs one system call that wakes on that request alone; the clock is read only while a
// delayed reply is owed.

#include "sim/simulator.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <sys/epoll.h>
#include <vector>

namespace kw::sim {

class SocketServer {
public:
    // chosenDirectory: the directory was named by the user (--dir, KONTROLLWERK_DEVICE_DIR)
    // rather than being the default; it may then also belong to root (device_directory.h).
    SocketServer(Simulator& simulator, std::filesystem::path directory,
                 bool chosenDirectory = true);
    ~SocketServer(); // removes its sockets
    SocketServer(const SocketServer&) = delete;
    SocketServer& operator=(const SocketServer&) = delete;

    // Publishes every adapter and the control socket. False with a German message when the
    // directory is unusable or a device name is already served by someone else.
    bool start(std::string* error);

    // The device path of an adapter in this server's directory.
    std::string devicePath(std::size_t index) const;

    // Serves until stopFd polls readable (a signalfd or eventfd of the caller).
    void run(int stopFd);

    // Serves what is waiting, waiting at most timeoutMs (-1: no limit) for something to
    // happen. Returns false when stopFd (if not -1) became readable instead.
    bool serveOnce(int timeoutMs, int stopFd = -1);

    // What one simulator answered a control command: its control socket's name and "ok",
    // "unbekannt", or empty when it gave no answer.
    struct ControlAnswer {
        std::string simulator;
        std::string answer;
    };

    // Sends a control command to every simulator serving `directory` ("plug NAME",
    // "unplug NAME") and returns their answers.
    static std::vector<ControlAnswer> askSimulators(const std::filesystem::path& directory,
                                                    const std::string& command);
    // True when one of the simulators knew the adapter.
    static bool sendControl(const std::filesystem::path& directory, const std::string& command);

private:
    struct Connection {
        int fd = -1;
        std::size_t adapter = 0;
        std::shared_ptr<DeviceSession> session; // null until the hello
        std::vector<std::uint8_t> delayedReply;
        std::chrono::steady_clock::time_point replyDue;
        bool replyWaiting = false;
        bool closing = false;
        bool isControl = false; // a connection to the control socket
    };

    bool publish(std::size_t index, std::string* error);
    void withdraw(std::size_t index);
    void onPlug(Adapter& adapter, bool plugged);
    void accept(int listenFd, std::size_t adapter, bool isControl);
    void receive(Connection& connection);
    void greet(Connection& connection, std::span<const std::uint8_t> frame);
    void serveRequest(Connection& connection, std::span<const std::uint8_t> frame);
    void control(Connection& connection, std::span<const std::uint8_t> frame);
    void sendDue();
    void dropClosed();
    int pollTimeout(int timeoutMs) const;
    void watchFd(int fd, std::uint32_t events);
    void rewatchFd(int fd, std::uint32_t events);
    void serveEvent(const ::epoll_event& event);
    Connection* connectionOf(int fd);

    Simulator& m_simulator;
    std::filesystem::path m_directory;
    bool m_chosenDirectory;
    std::vector<int> m_listeners; // per adapter; -1 while unplugged
    int m_controlFd = -1;
    std::filesystem::path m_controlPath;
    std::vector<Connection> m_connections;
    std::vector<std::uint8_t> m_buffer;
    int m_epollFd = -1;
    int m_watchedStopFd = -1;
    int m_delayedReplies = 0; // connections owing a delayed reply
    bool m_closing = false;   // some connection waits to be dropped
};

} // namespace kw::sim
