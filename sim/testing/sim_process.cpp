#include "sim/testing/sim_process.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace kw::sim::testkit {

namespace {

using Clock = std::chrono::steady_clock;

int millisecondsLeft(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// Starts a program with its stdout and stderr on two pipes; returns the pid.
int spawn(const std::vector<std::string>& command, int* out, int* err) {
    int outPipe[2];
    int errPipe[2];
    if (pipe2(outPipe, O_CLOEXEC) != 0 || pipe2(errPipe, O_CLOEXEC) != 0) {
        return -1;
    }
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(outPipe[1], 1);
        dup2(errPipe[1], 2);
        std::vector<char*> argv;
        for (const std::string& word : command) {
            argv.push_back(const_cast<char*>(word.c_str()));
        }
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(outPipe[1]);
    close(errPipe[1]);
    *out = outPipe[0];
    *err = errPipe[0];
    return pid;
}

// Reads what is there from fd into text; false at its end.
bool drain(int fd, std::string& text) {
    char buffer[4096];
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got > 0) {
        text.append(buffer, static_cast<std::size_t>(got));
        return true;
    }
    return got < 0 && errno == EINTR;
}

int waitExit(int pid, int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (Clock::now() >= deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

TempDirectory::TempDirectory() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kw-test-XXXXXX").string();
    if (mkdtemp(pattern.data())) {
        m_path = pattern;
    }
}

TempDirectory::~TempDirectory() {
    std::error_code ignored;
    if (!m_path.empty()) {
        std::filesystem::remove_all(m_path, ignored);
    }
}

ScopedEnvironment::ScopedEnvironment(std::string name, const std::string& value)
    : m_name(std::move(name)) {
    if (const char* previous = std::getenv(m_name.c_str())) {
        m_hadValue = true;
        m_previous = previous;
    }
    setenv(m_name.c_str(), value.c_str(), 1);
}

ScopedEnvironment::~ScopedEnvironment() {
    if (m_hadValue) {
        setenv(m_name.c_str(), m_previous.c_str(), 1);
    } else {
        unsetenv(m_name.c_str());
    }
}

namespace {
std::string freshNamespace() {
    static int counter = 0;
    return "kwtest-" + std::to_string(getpid()) + "-" + std::to_string(++counter);
}
} // namespace

PrivateMutexNamespace::PrivateMutexNamespace()
    : m_name(freshNamespace()), m_environment("KONTROLLWERK_MUTEX_NAMESPACE", m_name) {}

PrivateMutexNamespace::~PrivateMutexNamespace() {
    for (const char* mutex : {"Int41SynchronizerMutex", "USB860SynchronizerMutex"}) {
        shm_unlink(("/kontrollwerk." + m_name + "." + mutex).c_str());
    }
}

std::filesystem::path writeRackFile(const std::filesystem::path& directory, const std::string& name,
                                    const std::vector<std::string>& lines) {
    const auto path = directory / name;
    std::ofstream file(path);
    for (const std::string& line : lines) {
        file << line << '\n';
    }
    return path;
}

std::filesystem::path simulatorProgram() {
    return KW_TESTSYSTEM_SIM;
}

SimulatorProcess::SimulatorProcess(const std::filesystem::path& directory,
                                   const std::vector<std::string>& arguments) {
    std::vector<std::string> command{simulatorProgram().string(), "--dir", directory.string()};
    command.insert(command.end(), arguments.begin(), arguments.end());
    int out = -1;
    int err = -1;
    m_pid = spawn(command, &out, &err);
    if (m_pid < 0) {
        return;
    }
    // Read its announcements until "bereit", its end, or the time limit.
    std::string text;
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    bool open = true;
    while (open && text.find("bereit\n") == std::string::npos && millisecondsLeft(deadline)) {
        pollfd fds{out, POLLIN, 0};
        if (poll(&fds, 1, millisecondsLeft(deadline)) > 0) {
            open = drain(out, text);
        }
    }
    m_ready = text.find("bereit\n") != std::string::npos;
    for (std::size_t begin = 0, end; (end = text.find('\n', begin)) != std::string::npos;
         begin = end + 1) {
        const std::string line = text.substr(begin, end - begin);
        if (line != "bereit") {
            m_devicePaths.push_back(line);
        }
    }
    if (!m_ready) {
        fcntl(err, F_SETFL, O_NONBLOCK);
        drain(err, m_errorText);
    }
    close(out);
    close(err);
}

SimulatorProcess::~SimulatorProcess() {
    stop();
}

int SimulatorProcess::stop() {
    if (m_pid > 0) {
        kill(m_pid, SIGTERM);
        m_exitCode = waitExit(m_pid, 5000);
        m_pid = -1;
    }
    return m_exitCode;
}

int runProgram(const std::vector<std::string>& command, int timeoutMs, std::string* outText,
               std::string* errText) {
    int out = -1;
    int err = -1;
    const int pid = spawn(command, &out, &err);
    if (pid < 0) {
        return -1;
    }
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::string outCollected;
    std::string errCollected;
    bool outOpen = true;
    bool errOpen = true;
    while ((outOpen || errOpen) && millisecondsLeft(deadline)) {
        pollfd fds[2] = {{outOpen ? out : -1, POLLIN, 0}, {errOpen ? err : -1, POLLIN, 0}};
        if (poll(fds, 2, millisecondsLeft(deadline)) <= 0) {
            continue;
        }
        if (fds[0].revents) {
            outOpen = drain(out, outCollected);
        }
        if (fds[1].revents) {
            errOpen = drain(err, errCollected);
        }
    }
    close(out);
    close(err);
    if (outText) {
        *outText = outCollected;
    }
    if (errText) {
        *errText = errCollected;
    }
    return waitExit(pid, millisecondsLeft(deadline) + 100);
}

} // namespace kw::sim::testkit
