#pragma once

// Test support: private device directories and testsystem-sim started as a process of its
// own, as a user starts it. Every test that starts a simulator uses its own directory, so
// tests may run in parallel, and every wait has a time limit, so a broken simulator fails a
// test instead of hanging it.

#include <filesystem>
#include <string>
#include <vector>

namespace kw::sim::testkit {

// A fresh directory under the system's temporary directory, removed with its contents.
class TempDirectory {
public:
    TempDirectory();
    ~TempDirectory();
    TempDirectory(const TempDirectory&) = delete;
    TempDirectory& operator=(const TempDirectory&) = delete;
    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

// Sets an environment variable for one scope and restores the previous value.
class ScopedEnvironment {
public:
    ScopedEnvironment(std::string name, const std::string& value);
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    std::string m_name;
    bool m_hadValue = false;
    std::string m_previous;
};

// A mutex namespace of its own (KONTROLLWERK_MUTEX_NAMESPACE) for one test: the adapters'
// mutexes of this test and the programs it starts are kept apart from other tests'. The
// shared-memory objects are removed at the end.
class PrivateMutexNamespace {
public:
    PrivateMutexNamespace();
    ~PrivateMutexNamespace();
    PrivateMutexNamespace(const PrivateMutexNamespace&) = delete;
    PrivateMutexNamespace& operator=(const PrivateMutexNamespace&) = delete;

private:
    std::string m_name;
    ScopedEnvironment m_environment;
};

// Writes a rack file into a directory and returns its path.
std::filesystem::path writeRackFile(const std::filesystem::path& directory, const std::string& name,
                                    const std::vector<std::string>& lines);

// The testsystem-sim program of this build.
std::filesystem::path simulatorProgram();

// testsystem-sim --dir DIRECTORY ARGUMENTS..., started at construction. ready() tells
// whether it announced "bereit" within 10 s; devicePaths() are the devices it printed.
class SimulatorProcess {
public:
    SimulatorProcess(const std::filesystem::path& directory,
                     const std::vector<std::string>& arguments);
    ~SimulatorProcess(); // stop()
    SimulatorProcess(const SimulatorProcess&) = delete;
    SimulatorProcess& operator=(const SimulatorProcess&) = delete;

    bool ready() const { return m_ready; }
    const std::vector<std::string>& devicePaths() const { return m_devicePaths; }
    const std::string& errorText() const { return m_errorText; }

    // Sends SIGTERM and waits up to 5 s (then SIGKILL). The exit code, or -1 when killed.
    int stop();

private:
    int m_pid = -1;
    bool m_ready = false;
    std::vector<std::string> m_devicePaths;
    std::string m_errorText;
    int m_exitCode = -1;
};

// Runs a program (command[0] a path) and waits at most timeoutMs. The exit code (-1 when it
// had to be killed); its standard output and error are collected when asked for.
int runProgram(const std::vector<std::string>& command, int timeoutMs, std::string* out,
               std::string* err = nullptr);

} // namespace kw::sim::testkit
