#include "sim/socket_server.h"

#include "common/devices/device_directory.h"
#include "common/devices/unix_socket.h"
#include "common/devices/wire_protocol.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace kw::sim {

namespace fs = std::filesystem;

namespace {

constexpr const char* kControlPrefix = ".testsystem-sim-";
constexpr const char* kControlSuffix = ".control";

std::string hiddenName(const std::string& name) {
    return "." + name + "." + std::to_string(getpid()) + ".tmp";
}

// Whether a simulator still serves the socket at path (a killed one leaves its file behind).
bool isServed(const fs::path& path) {
    int error = 0;
    const int fd = unixsocket::connectTo(path.string(), 0, &error);
    if (fd < 0) {
        return false;
    }
    close(fd);
    return true;
}

bool isControlSocketName(const std::string& name) {
    return name.rfind(kControlPrefix, 0) == 0 && name.ends_with(kControlSuffix);
}

// Control sockets of simulators that were killed (nobody takes a connection there).
void removeStaleControlSockets(const fs::path& directory) {
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator(directory, ignored)) {
        if (isControlSocketName(entry.path().filename().string()) && !isServed(entry.path())) {
            unlink(entry.path().c_str());
        }
    }
}

// Binds under a hidden name and moves the socket into place without replacing a live one.
int bindInPlace(const fs::path& directory, const std::string& name, std::string* error) {
    const fs::path target = directory / name;
    if (fs::exists(fs::symlink_status(target))) {
        if (isServed(target)) {
            *error = "Das Gerät " + target.string() +
                     " wird schon von einem anderen Simulator "
                     "angeboten";
            return -1;
        }
        unlink(target.c_str()); // left by a simulator that was killed
    }
    const fs::path hidden = directory / hiddenName(name);
    unlink(hidden.c_str());
    int code = 0;
    const int fd = unixsocket::listenAt(hidden.string(), &code);
    if (fd < 0) {
        *error =
            "Der Socket " + hidden.string() + " kann nicht angelegt werden: " + std::strerror(code);
        return -1;
    }
    if (renameat2(AT_FDCWD, hidden.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) != 0) {
        *error = "Der Socket " + target.string() +
                 " kann nicht angelegt werden: " + std::strerror(errno);
        unlink(hidden.c_str());
        close(fd);
        return -1;
    }
    return fd;
}

} // namespace

SocketServer::SocketServer(Simulator& simulator, fs::path directory, bool chosenDirectory)
    : m_simulator(simulator), m_directory(std::move(directory)), m_chosenDirectory(chosenDirectory),
      m_listeners(simulator.size(), -1), m_buffer(wire::kMaxFrame),
      m_epollFd(epoll_create1(EPOLL_CLOEXEC)) {}

SocketServer::~SocketServer() {
    for (std::size_t i = 0; i < m_listeners.size(); ++i) {
        m_simulator.adapter(i).setPlugListener(nullptr);
        withdraw(i);
    }
    for (const Connection& connection : m_connections) {
        close(connection.fd);
    }
    if (m_controlFd >= 0) {
        close(m_controlFd);
        unlink(m_controlPath.c_str());
    }
    if (m_epollFd >= 0) {
        close(m_epollFd);
    }
}

void SocketServer::watchFd(int fd, std::uint32_t events) {
    epoll_event event{};
    event.events = events;
    event.data.fd = fd;
    epoll_ctl(m_epollFd, EPOLL_CTL_ADD, fd, &event);
}

void SocketServer::rewatchFd(int fd, std::uint32_t events) {
    epoll_event event{};
    event.events = events;
    event.data.fd = fd;
    epoll_ctl(m_epollFd, EPOLL_CTL_MOD, fd, &event);
}

bool SocketServer::start(std::string* error) {
    if (m_directory.string().find('#') != std::string::npos) {
        *error = "Das Geräteverzeichnis " + m_directory.string() + " darf kein # enthalten";
        return false;
    }
    if (const std::string problem = ensureDeviceDirectory(m_directory, m_chosenDirectory);
        !problem.empty()) {
        *error = problem;
        return false;
    }
    removeStaleControlSockets(m_directory);
    const std::string controlName =
        std::string(kControlPrefix) + std::to_string(getpid()) + kControlSuffix;
    m_controlPath = m_directory / controlName;
    unlink(m_controlPath.c_str());
    int code = 0;
    if (m_epollFd < 0) {
        *error = std::string("Der Simulator kann nicht warten: ") + std::strerror(errno);
        return false;
    }
    m_controlFd = unixsocket::listenAt(m_controlPath.string(), &code);
    if (m_controlFd < 0) {
        *error = "Der Steuer-Socket " + m_controlPath.string() +
                 " kann nicht angelegt werden: " + std::strerror(code);
        return false;
    }
    watchFd(m_controlFd, EPOLLIN);
    for (std::size_t i = 0; i < m_simulator.size(); ++i) {
        if (!publish(i, error)) {
            return false;
        }
        m_simulator.adapter(i).setPlugListener(
            [this](Adapter& adapter, bool plugged) { onPlug(adapter, plugged); });
    }
    return true;
}

std::string SocketServer::devicePath(std::size_t index) const {
    return (m_directory / m_simulator.sharedAdapter(index)->fileName()).string();
}

bool SocketServer::publish(std::size_t index, std::string* error) {
    const int fd = bindInPlace(m_directory, m_simulator.adapter(index).fileName(), error);
    m_listeners[index] = fd;
    if (fd >= 0) {
        watchFd(fd, EPOLLIN);
    }
    return fd >= 0;
}

void SocketServer::withdraw(std::size_t index) {
    if (m_listeners[index] < 0) {
        return;
    }
    close(m_listeners[index]); // which also takes it out of the epoll set
    m_listeners[index] = -1;
    unlink(devicePath(index).c_str());
    for (Connection& connection : m_connections) {
        if (!connection.isControl && connection.adapter == index) {
            connection.closing = true; // after a reply still owed, the line goes dead
            m_closing = true;
        }
    }
}

void SocketServer::onPlug(Adapter& adapter, bool plugged) {
    for (std::size_t i = 0; i < m_simulator.size(); ++i) {
        if (&m_simulator.adapter(i) != &adapter) {
            continue;
        }
        if (!plugged) {
            withdraw(i);
            continue;
        }
        std::string error;
        if (!publish(i, &error)) {
            std::fprintf(stderr, "testsystem-sim: %s\n", error.c_str());
        }
    }
}

void SocketServer::run(int stopFd) {
    while (serveOnce(-1, stopFd)) {
    }
}

// The wait of one round: up to the next delayed reply that falls due.
int SocketServer::pollTimeout(int timeoutMs) const {
    if (m_delayedReplies == 0) {
        return timeoutMs;
    }
    const auto now = std::chrono::steady_clock::now();
    int timeout = timeoutMs;
    for (const Connection& connection : m_connections) {
        if (connection.replyWaiting) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(connection.replyDue - now)
                    .count();
            const int due = static_cast<int>(std::max<long>(0, left + 1));
            timeout = timeout < 0 ? due : std::min(timeout, due);
        }
    }
    return timeout;
}

SocketServer::Connection* SocketServer::connectionOf(int fd) {
    for (Connection& connection : m_connections) {
        if (connection.fd == fd) {
            return &connection;
        }
    }
    return nullptr;
}

bool SocketServer::serveOnce(int timeoutMs, int stopFd) {
    if (stopFd != m_watchedStopFd) {
        if (m_watchedStopFd >= 0) {
            epoll_ctl(m_epollFd, EPOLL_CTL_DEL, m_watchedStopFd, nullptr);
        }
        if (stopFd >= 0) {
            watchFd(stopFd, EPOLLIN);
        }
        m_watchedStopFd = stopFd;
    }
    epoll_event events[16];
    const int count = epoll_wait(m_epollFd, events, 16, pollTimeout(timeoutMs));
    for (int k = 0; k < count; ++k) {
        if (events[k].data.fd == stopFd) {
            return false;
        }
    }
    // Requests first, then new connections, as they came in one round.
    for (int k = 0; k < count; ++k) {
        serveEvent(events[k]);
    }
    if (m_delayedReplies > 0) {
        sendDue();
    }
    if (m_closing) {
        dropClosed();
    }
    return true;
}

void SocketServer::serveEvent(const epoll_event& event) {
    const int fd = event.data.fd;
    if (fd == m_controlFd) {
        accept(m_controlFd, 0, true);
        return;
    }
    for (std::size_t i = 0; i < m_listeners.size(); ++i) {
        if (m_listeners[i] == fd) {
            accept(fd, i, false);
            return;
        }
    }
    if (Connection* connection = connectionOf(fd)) {
        receive(*connection);
    }
}

void SocketServer::accept(int listenFd, std::size_t adapter, bool isControl) {
    for (;;) {
        const int fd = accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) {
            return;
        }
        Connection connection;
        connection.fd = fd;
        connection.adapter = adapter;
        connection.isControl = isControl;
        m_connections.push_back(std::move(connection));
        watchFd(fd, EPOLLIN);
    }
}

void SocketServer::receive(Connection& connection) {
    if (connection.closing) {
        return;
    }
    int error = 0;
    const auto length = unixsocket::receiveFrame(connection.fd, m_buffer, &error);
    if (!length) {
        if (error != ETIMEDOUT) {
            connection.closing = true; // the program closed the handle
            m_closing = true;
            // Level-triggered: a closed line would wake every round until it is dropped.
            rewatchFd(connection.fd, 0);
        }
        return;
    }
    const std::span<const std::uint8_t> frame(m_buffer.data(), *length);
    if (connection.isControl) {
        control(connection, frame);
    } else if (!connection.session) {
        greet(connection, frame);
    } else {
        serveRequest(connection, frame);
    }
}

void SocketServer::greet(Connection& connection, std::span<const std::uint8_t> frame) {
    const auto hello = wire::decodeHello(frame);
    Adapter& adapter = m_simulator.adapter(connection.adapter);
    wire::Welcome welcome;
    if (!hello) {
        welcome.error = EPROTO;
    } else if (hello->op == wire::HelloOp::QuerySpeed) {
        welcome.value = adapter.usbSpeed();
    } else {
        connection.session =
            adapter.open(hello->pipe, hello->access, hello->sharing, &welcome.error);
    }
    int error = 0;
    unixsocket::sendFrame(connection.fd, wire::encodeWelcome(welcome), &error);
    if (!connection.session) {
        connection.closing = true;
        m_closing = true;
    }
}

void SocketServer::serveRequest(Connection& connection, std::span<const std::uint8_t> frame) {
    const auto request = wire::decodeRequest(frame);
    DeviceReply reply;
    if (request) {
        reply = connection.session->serve(*request);
    } else {
        reply.error = EPROTO;
    }
    auto encoded = wire::encodeReply(reply);
    if (reply.delayMs > 0) {
        connection.delayedReply = std::move(encoded);
        connection.replyDue =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(reply.delayMs);
        connection.replyWaiting = true;
        ++m_delayedReplies;
        // A connection owing a delayed reply takes no new request meanwhile.
        rewatchFd(connection.fd, 0);
        return;
    }
    int error = 0;
    if (!unixsocket::sendFrame(connection.fd, encoded, &error)) {
        connection.closing = true;
        m_closing = true;
    }
}

void SocketServer::control(Connection& connection, std::span<const std::uint8_t> frame) {
    const std::string command(frame.begin(), frame.end());
    const auto blank = command.find(' ');
    const std::string verb = command.substr(0, blank);
    Adapter* adapter =
        blank == std::string::npos ? nullptr : m_simulator.find(command.substr(blank + 1));
    std::string answer = "unbekannt";
    if (adapter && verb == "plug") {
        adapter->plug();
        answer = "ok";
    } else if (adapter && verb == "unplug") {
        adapter->unplug();
        answer = "ok";
    }
    int error = 0;
    unixsocket::sendFrame(
        connection.fd,
        std::span(reinterpret_cast<const std::uint8_t*>(answer.data()), answer.size()), &error);
    connection.closing = true;
    m_closing = true;
}

void SocketServer::sendDue() {
    const auto now = std::chrono::steady_clock::now();
    for (Connection& connection : m_connections) {
        if (connection.replyWaiting && connection.replyDue <= now) {
            int error = 0;
            if (!unixsocket::sendFrame(connection.fd, connection.delayedReply, &error)) {
                connection.closing = true;
                m_closing = true;
            }
            connection.replyWaiting = false;
            --m_delayedReplies;
            rewatchFd(connection.fd, connection.closing ? 0u : std::uint32_t{EPOLLIN});
        }
    }
}

void SocketServer::dropClosed() {
    m_closing = false;
    std::erase_if(m_connections, [this](const Connection& connection) {
        if (!connection.closing || connection.replyWaiting) {
            m_closing = m_closing || connection.closing;
            return false;
        }
        close(connection.fd);
        return true;
    });
}

std::vector<SocketServer::ControlAnswer> SocketServer::askSimulators(const fs::path& directory,
                                                                     const std::string& command) {
    std::vector<ControlAnswer> answers;
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator(directory, ignored)) {
        const std::string name = entry.path().filename().string();
        if (!isControlSocketName(name)) {
            continue;
        }
        int error = 0;
        const int fd = unixsocket::connectTo(entry.path().string(), 5000, &error);
        if (fd < 0) {
            continue; // left behind by a killed simulator
        }
        ControlAnswer answer{name.substr(1, name.size() - 1 - std::strlen(kControlSuffix)), {}};
        std::uint8_t bytes[32];
        const auto* text = reinterpret_cast<const std::uint8_t*>(command.data());
        if (unixsocket::sendFrame(fd, std::span(text, command.size()), &error)) {
            if (const auto length = unixsocket::receiveFrame(fd, bytes, &error)) {
                answer.answer.assign(bytes, bytes + *length);
            }
        }
        close(fd);
        answers.push_back(std::move(answer));
    }
    return answers;
}

bool SocketServer::sendControl(const fs::path& directory, const std::string& command) {
    const auto answers = askSimulators(directory, command);
    return std::any_of(answers.begin(), answers.end(),
                       [](const ControlAnswer& answer) { return answer.answer == "ok"; });
}

} // namespace kw::sim
