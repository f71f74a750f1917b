// Generation runs that meet faults: failing file calls (through the file layer's fault hook,
// and in the real program under strace), kills at chosen calls and at random moments, and two
// runs on one name at once. After each of them every Testmappe under its final name is
// byte for byte the output of a complete run (SET2.SET's date and time aside), or missing,
// and success is only reported when all of them are complete.

#include "support/generation_fixture.h"

#include "common/files/file_lock.h"
#include "common/files/file_ops.h"
#include "common/text/line_file.h"
#include "sim/testing/sim_process.h"
#include "tarvik/generation/generation_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <map>
#include <optional>
#include <random>
#include <regex>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace tarvik;

extern char** environ;

namespace fs = std::filesystem;

namespace {

// Relative path → content ("" for a folder); a whole Testmappe.
using Tree = std::map<std::string, std::string>;
// Final name → its Testmappe.
using Testmappen = std::map<std::string, Tree>;

std::string withoutStamp(const std::string& text) {
    static const std::regex date(R"(\d\d\.\d\d\.\d{4})"), time(R"(\d\d:\d\d)");
    return std::regex_replace(std::regex_replace(text, date, "TT.MM.JJJJ"), time, "hh:mm");
}

Tree readTree(const fs::path& folder) {
    Tree tree;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        const std::string name = fs::relative(entry.path(), folder).generic_string();
        std::string content;
        if (!entry.is_directory()) {
            content = kw::readFileBytes(entry.path()).value_or("<nicht lesbar>");
        }
        tree[name] = name == "SET2.SET" ? withoutStamp(content) : content;
    }
    return tree;
}

// The names in a folder that begin with a dot (hidden) or those that do not.
std::vector<std::string> namesIn(const fs::path& folder, bool hidden) {
    std::vector<std::string> names = GenerationFixture::entries(folder);
    const auto other = [hidden](const std::string& n) { return (n.front() == '.') != hidden; };
    names.erase(std::remove_if(names.begin(), names.end(), other), names.end());
    return names;
}

std::vector<std::string> visibleNames(const fs::path& folder) { return namesIn(folder, false); }
std::vector<std::string> hiddenNames(const fs::path& folder) { return namesIn(folder, true); }

Testmappen readTestmappen(const fs::path& folder) {
    Testmappen result;
    for (const std::string& name : visibleNames(folder)) {
        result[name] = readTree(folder / name);
    }
    return result;
}

// Every Testmappe in the folder is one of the complete ones given for its name; with
// succeeded, all of the expected ones are there as they should be.
void expectOnlyComplete(const fs::path& folder, const std::vector<const Testmappen*>& complete,
                        bool succeeded, const Testmappen& expected, const std::string& context) {
    const Testmappen found = readTestmappen(folder);
    for (const auto& [name, tree] : found) {
        const bool known = std::any_of(complete.begin(), complete.end(), [&](const Testmappen* c) {
            return c->count(name) != 0 && c->at(name) == tree;
        });
        EXPECT_TRUE(known) << context << ": " << name << " is not a complete Testmappe";
    }
    if (succeeded) {
        EXPECT_EQ(expected, found) << context << ": success reported for incomplete output";
    }
}

// Makes the n-th file-layer call of one kind fail for as long as it lives.
class InjectedFault {
public:
    InjectedFault(kw::FileOp op, int nth, int fault) {
        kw::setFileFaultHook([this, op, nth, fault](kw::FileOp called, const fs::path&) {
            return called == op && ++m_calls == nth ? fault : 0;
        });
    }
    ~InjectedFault() { kw::setFileFaultHook(nullptr); }

private:
    int m_calls = 0;
};

// Records every file-layer call of a run.
class CallLog {
public:
    std::vector<std::pair<kw::FileOp, fs::path>> calls;

    CallLog() {
        kw::setFileFaultHook([this](kw::FileOp op, const fs::path& path) {
            calls.emplace_back(op, path);
            return 0;
        });
    }
    ~CallLog() { kw::setFileFaultHook(nullptr); }

    int count(kw::FileOp op) const {
        return static_cast<int>(std::count_if(calls.begin(), calls.end(),
                                              [op](const auto& c) { return c.first == op; }));
    }
    // Position of the first call of a kind on a path; -1 when none.
    long find(kw::FileOp op, const fs::path& path, long from = 0) const {
        for (long i = from; i < static_cast<long>(calls.size()); ++i) {
            if (calls[i].first == op && calls[i].second == path) {
                return i;
            }
        }
        return -1;
    }
};

// The faults tried at the picked calls: EIO, and for reads also an early end of the file.
std::vector<std::pair<int, int>> faultsAt(const std::vector<int>& picks, int count, bool read) {
    std::vector<std::pair<int, int>> faults;
    for (const int nth : picks) {
        if (nth >= 1 && nth <= count) {
            faults.emplace_back(nth, EIO);
            if (read) {
                faults.emplace_back(nth, kw::kEndOfData);
            }
        }
    }
    return faults;
}

class FaultedGeneration : public GenerationFixture {
protected:
    FaultedGeneration() {
        m_system.slots[1] = {CardType::Kvr860, 0, 2};
        m_system.slots[14] = {CardType::Zupa, 1, 0};
    }

    // The target directory emptied, or holding an earlier generation's Testmappen.
    void resetTarget(bool withOld) {
        kw::removeTree(m_root / "ziel");
        fs::create_directories(m_root / "ziel");
        for (const std::string& name : withOld ? kNames : std::vector<std::string>{}) {
            fs::create_directories(target(name) / "alt");
            ASSERT_TRUE(kw::writeLineFile(target(name) / "alt.fct", {"alt"}));
        }
    }

    bool run() {
        m_ui = ScriptedUi();
        m_ui.answers = {true, true};
        return generate();
    }

    const std::vector<std::string> kNames = {"TM_ABC", "TM_ABC_IST"};
};

} // namespace

TEST_F(FaultedGeneration, EveryFailingFileCallLeavesOnlyCompleteTestmappen) {
    resetTarget(true);
    const Testmappen old = readTestmappen(m_root / "ziel");
    std::map<kw::FileOp, int> calls;
    Testmappen complete;
    {
        CallLog log;
        ASSERT_TRUE(run()) << lastMessage();
        complete = readTestmappen(m_root / "ziel");
        for (const kw::FileOp op : {kw::FileOp::Open, kw::FileOp::Read, kw::FileOp::Write,
                                    kw::FileOp::List, kw::FileOp::MakeFolder, kw::FileOp::Rename,
                                    kw::FileOp::Remove, kw::FileOp::Sync}) {
            calls[op] = log.count(op);
        }
        // Every Testmappe is on the disk before the first gets its name (one sync serves
        // them all), and each name is on the disk after it was given.
        const long firstPublished = log.find(kw::FileOp::Rename, target(kNames.front()));
        for (const std::string& name : kNames) {
            const fs::path staging = m_root / "ziel" / ("." + name + ".tarvik-staging");
            const long synced = log.find(kw::FileOp::Sync, staging);
            const long published = log.find(kw::FileOp::Rename, target(name));
            ASSERT_GE(synced, 0) << name;
            EXPECT_LT(synced, firstPublished) << name;
            const long namesSynced = log.find(kw::FileOp::Sync, m_root / "ziel", published);
            EXPECT_GT(namesSynced, published) << name;
            // The old Testmappe, swapped under the staging name, goes only after that.
            EXPECT_GT(log.find(kw::FileOp::Remove, staging, namesSynced), namesSynced) << name;
        }
    }
    ASSERT_EQ(kNames, visibleNames(m_root / "ziel"));
    ASSERT_NE(old, complete);

    for (const bool replacing : {false, true}) {
        for (const auto& [op, count] : calls) {
            // The first, some in between and the last call of each kind. A file's first read
            // (an odd call) carries its contents, the second finds its end: reads fail or end
            // early at odd calls.
            const bool read = op == kw::FileOp::Read;
            std::vector<int> picks = {1, 1 + count / 3, 1 + 2 * count / 3, count};
            for (int& pick : picks) {
                pick |= read ? 1 : 0;
            }
            picks.erase(std::unique(picks.begin(), picks.end()), picks.end());
            for (const auto& [nth, fault] : faultsAt(picks, count, read)) {
                const std::string context = "call " + std::to_string(static_cast<int>(op)) +
                                            " #" + std::to_string(nth) + " fault " +
                                            std::to_string(fault) +
                                            (replacing ? " replacing" : " fresh");
                resetTarget(replacing);
                bool succeeded;
                {
                    InjectedFault injected(op, nth, fault);
                    succeeded = run();
                }
                expectOnlyComplete(m_root / "ziel", {&old, &complete}, succeeded, complete,
                                   context);
                // The next run finds what is left and completes.
                if (!succeeded) {
                    ASSERT_TRUE(run()) << context << ": " << lastMessage();
                    EXPECT_EQ(complete, readTestmappen(m_root / "ziel")) << context;
                    EXPECT_TRUE(hiddenNames(m_root / "ziel").empty()) << context;
                }
            }
        }
    }
}

TEST_F(FaultedGeneration, WithoutASwapTheOldTestmappeStepsAside) {
    resetTarget(true);
    const Testmappen old = readTestmappen(m_root / "ziel");
    ASSERT_TRUE(run()) << lastMessage();
    const Testmappen complete = readTestmappen(m_root / "ziel");
    // The file system cannot swap (EINVAL at the first rename onto each final name); in the
    // second row the new Testmappe then cannot take the name either, and the old one returns.
    for (const int second : {0, EIO}) {
        resetTarget(true);
        std::map<fs::path, int> seen;
        kw::setFileFaultHook([&](kw::FileOp op, const fs::path& path) {
            if (op != kw::FileOp::Rename || path.filename().string().front() == '.') {
                return 0;
            }
            const int nth = ++seen[path];
            return nth == 1 ? EINVAL : nth == 2 ? second : 0;
        });
        const bool succeeded = run();
        kw::setFileFaultHook(nullptr);
        EXPECT_EQ(second == 0, succeeded) << lastMessage();
        EXPECT_EQ(second == 0 ? complete : old, readTestmappen(m_root / "ziel")) << second;
        EXPECT_TRUE(hiddenNames(m_root / "ziel").empty()) << second;
    }
}

TEST_F(FaultedGeneration, LeftoversOfDeadRunsGoThoseOfLiveRunsStay) {
    resetTarget(false);
    const fs::path ziel = m_root / "ziel";
    for (const char* leftover : {".TM_X.tarvik-staging", ".TM_X_IST.tarvik-replaced",
                                 ".TM_ABC.tarvik-staging", ".TM_LEBT.tarvik-staging"}) {
        fs::create_directories(ziel / leftover / "halb");
    }
    ASSERT_TRUE(kw::writeLineFile(ziel / ".TM_Y.tarvik-lock", {}));
    // Another run is building TM_LEBT.
    kw::FileLock alive;
    ASSERT_EQ(kw::FileLock::Outcome::Taken,
              kw::FileLock::tryTake(ziel / ".TM_LEBT.tarvik-lock", alive));
    ASSERT_TRUE(run()) << lastMessage();
    EXPECT_EQ((std::vector<std::string>{".TM_LEBT.tarvik-lock", ".TM_LEBT.tarvik-staging"}),
              hiddenNames(ziel));

    // A run on a name another run holds ends at once and writes nothing.
    m_inputs.projectName = "LEBT";
    EXPECT_FALSE(run());
    EXPECT_EQ((std::vector<std::string>{"W: Die Testmappe \"" + target("TM_LEBT").string() +
                                        "\" wird gerade von einer anderen Generierung "
                                        "erstellt!\nDie Generierung wird abgebrochen!"}),
              m_ui.messages);
    EXPECT_EQ(kNames, visibleNames(ziel));
}

namespace {

// The real program, as a user calls it, into a private target directory.
class GenerationProgram : public ::testing::Test {
protected:
    struct Outcome {
        int exitCode; // 128 + signal when killed
        std::string err;
    };

    // A running tarvik --batch; its standard error goes to a file.
    struct Started {
        pid_t pid = -1;
        fs::path errFile;
    };

    fs::path ziel() const { return m_temp.path() / "ziel"; }

    std::vector<std::string> arguments(bool otherRack) const {
        std::vector<std::string> args = {KW_TARVIK_PROGRAM, "-i", "--batch", "--yes", "--cal",
                                         "--templates", KW_TEMPLATES_DIR, "--target",
                                         ziel().string(), "--name", "ABC"};
        if (otherRack) {
            args.insert(args.end(), {"--card", "1=KVR860 (NG++)"});
        }
        return args;
    }

    Started start(std::vector<std::string> command) {
        Started started;
        started.errFile = m_temp.path() / ("err" + std::to_string(m_started++));
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, started.errFile.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        std::vector<char*> argv;
        for (std::string& a : command) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        if (posix_spawn(&started.pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
            started.pid = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        return started;
    }

    Outcome finish(const Started& started) {
        int status = 0;
        if (started.pid < 0 || waitpid(started.pid, &status, 0) != started.pid) {
            return {-1, "nicht gestartet"};
        }
        const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return {code, kw::readFileBytes(started.errFile).value_or("")};
    }

    Outcome runTarvik(const std::vector<std::string>& prefix, bool otherRack) {
        std::vector<std::string> command = prefix;
        const auto args = arguments(otherRack);
        command.insert(command.end(), args.begin(), args.end());
        return finish(start(command));
    }

    // The complete output of both racks, made once for the test.
    void makeReferences() {
        for (const bool other : {false, true}) {
            kw::removeTree(ziel());
            const Outcome made = runTarvik({}, other);
            ASSERT_EQ(0, made.exitCode) << made.err;
            (other ? m_other : m_complete) = readTestmappen(ziel());
        }
        ASSERT_EQ(4u, m_complete.size());
        ASSERT_NE(m_complete, m_other);
    }

    void expectClean(const std::string& context) {
        EXPECT_TRUE(hiddenNames(ziel()).empty()) << context;
    }

    kw::sim::testkit::TempDirectory m_temp;
    Testmappen m_complete, m_other;
    int m_started = 0;
};

bool straceWorks() {
    std::string out;
    return kw::sim::testkit::runProgram({"/usr/bin/strace", "-o", "/dev/null", "/bin/true"},
                                        10000, &out) == 0;
}

struct KernelFault {
    const char* inject; // strace -e inject=...
    bool replacing;     // over the Testmappen of another rack
    int exitCode;       // 137: killed
};

} // namespace

TEST_F(GenerationProgram, KernelFaultsAndKillsAtChosenCalls) {
    if (!fs::exists("/usr/bin/strace") || !straceWorks()) {
        GTEST_SKIP() << "strace is missing or cannot trace here";
    }
    makeReferences();
    const KernelFault rows[] = {
        {"copy_file_range:error=ENOSPC:when=3", false, 1}, // a module copied short
        {"copy_file_range:error=EIO:when=20", true, 1},
        {"getdents64:error=EIO:when=3", false, 1},         // the template listed in part
        {"syncfs:error=EIO", true, 1},                     // not on the disk
        {"renameat2:error=EIO:when=2", true, 1},
        {"renameat2:signal=KILL:when=3", true, 137},        // at the swap of the third
        {"unlinkat:signal=KILL:when=4", true, 137},         // deleting the old Testmappe
        {"openat:signal=KILL:when=120", false, 137},        // rewriting the modules
    };
    for (const KernelFault& row : rows) {
        kw::removeTree(ziel());
        if (row.replacing) {
            ASSERT_EQ(0, runTarvik({}, true).exitCode);
        }
        const Outcome faulted = runTarvik(
            {"/usr/bin/strace", "-f", "-o", "/dev/null", "-e", std::string("inject=") + row.inject},
            false);
        EXPECT_EQ(row.exitCode, faulted.exitCode) << row.inject << "\n" << faulted.err;
        expectOnlyComplete(ziel(), {&m_complete, &m_other}, faulted.exitCode == 0, m_complete,
                           row.inject);
        if (faulted.exitCode == 1) {
            expectClean(row.inject); // a failed run takes its hidden folders with it
        }
        const Outcome again = runTarvik({}, false);
        ASSERT_EQ(0, again.exitCode) << row.inject << "\n" << again.err;
        EXPECT_EQ(m_complete, readTestmappen(ziel())) << row.inject;
        expectClean(row.inject);
    }
}

TEST_F(GenerationProgram, KilledAtRandomMoments) {
    makeReferences();
    // How long a whole run takes here, to kill the runs anywhere in it.
    const auto begin = std::chrono::steady_clock::now();
    ASSERT_EQ(0, runTarvik({}, false).exitCode);
    const auto length = std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::steady_clock::now() - begin);
    std::mt19937 random(14);
    std::uniform_int_distribution<long> moment(0, length.count() * 6 / 5);
    for (int round = 0; round < 30; ++round) {
        // Fresh, or over the other rack's Testmappen (complete or as the last kill left them).
        if (round % 3 == 0) {
            kw::removeTree(ziel());
        }
        const bool other = round % 2 == 1;
        const Started started = start(arguments(other));
        std::this_thread::sleep_for(std::chrono::microseconds(moment(random)));
        kill(started.pid, SIGKILL);
        const Outcome outcome = finish(started);
        expectOnlyComplete(ziel(), {&m_complete, &m_other}, outcome.exitCode == 0,
                           other ? m_other : m_complete, "round " + std::to_string(round));
    }
    ASSERT_EQ(0, runTarvik({}, false).exitCode);
    EXPECT_EQ(m_complete, readTestmappen(ziel()));
    expectClean("after the kills");
}

TEST_F(GenerationProgram, TwoRunsOnOneNameAtOnce) {
    makeReferences();
    for (int round = 0; round < 4; ++round) {
        const Started first = start(arguments(false));
        const Started second = start(arguments(false));
        const Outcome a = finish(first), b = finish(second);
        EXPECT_TRUE(a.exitCode == 0 || b.exitCode == 0) << a.err << b.err;
        for (const Outcome& outcome : {a, b}) {
            if (outcome.exitCode != 0) {
                EXPECT_EQ(1, outcome.exitCode);
                EXPECT_NE(std::string::npos,
                          outcome.err.find("wird gerade von einer anderen Generierung erstellt"))
                    << outcome.err;
            }
        }
        EXPECT_EQ(m_complete, readTestmappen(ziel())) << "round " << round;
        expectClean("round " + std::to_string(round));
    }
}
