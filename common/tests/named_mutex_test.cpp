#include "common/sync/named_mutex.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <sys/mman.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

// A name of its own per test and process, removed afterwards (programs never remove theirs).
class NamedMutexTest : public ::testing::Test {
protected:
    std::string name = "KwTest-" + std::to_string(getpid()) + "-" +
                       ::testing::UnitTest::GetInstance()->current_test_info()->name();
    void TearDown() override { shm_unlink(("/kontrollwerk." + name).c_str()); }
};

// Runs fn in a child process and returns its exit code (or 100 + signal).
template <typename F> int inChild(F fn) {
    const pid_t pid = fork();
    if (pid == 0) {
        _exit(fn());
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
}

} // namespace

TEST_F(NamedMutexTest, IsReentrantForItsOwnerAndExcludesOtherThreads) {
    kw::NamedMutex mutex(name);
    ASSERT_TRUE(mutex.isValid());
    ASSERT_EQ(kw::WaitResult::Acquired, mutex.lock());
    ASSERT_EQ(kw::WaitResult::Acquired, mutex.lock(0ms)); // same thread again

    std::atomic<int> other{-1};
    auto tryFromOtherThread = [&](std::chrono::milliseconds wait) {
        std::thread([&] {
            other = static_cast<int>(mutex.lock(wait));
            if (other == static_cast<int>(kw::WaitResult::Acquired)) {
                mutex.unlock();
            }
        }).join();
    };
    tryFromOtherThread(30ms);
    EXPECT_EQ(static_cast<int>(kw::WaitResult::Timeout), other);

    EXPECT_TRUE(mutex.unlock()); // one level left: still held
    tryFromOtherThread(0ms);
    EXPECT_EQ(static_cast<int>(kw::WaitResult::Timeout), other);

    EXPECT_TRUE(mutex.unlock());
    tryFromOtherThread(0ms);
    EXPECT_EQ(static_cast<int>(kw::WaitResult::Acquired), other);
    EXPECT_FALSE(mutex.unlock()); // not the owner any more
}

TEST_F(NamedMutexTest, TimedWaitEndsWhenTheOwnerReleases) {
    kw::NamedMutex mutex(name);
    ASSERT_EQ(kw::WaitResult::Acquired, mutex.lock());
    std::atomic<int> result{-1};
    std::thread waiter([&] {
        result = static_cast<int>(mutex.lock(5000ms));
        mutex.unlock();
    });
    std::this_thread::sleep_for(20ms);
    mutex.unlock();
    waiter.join();
    EXPECT_EQ(static_cast<int>(kw::WaitResult::Acquired), result);
}

TEST_F(NamedMutexTest, TwoObjectsOfOneNameAreOneMutexAcrossProcesses) {
    kw::NamedMutex mine(name);
    ASSERT_EQ(kw::WaitResult::Acquired, mine.lock());
    // Another process meets the same mutex and cannot take it while we hold it.
    EXPECT_EQ(0, inChild([&] {
                  kw::NamedMutex theirs(name);
                  return theirs.lock(20ms) == kw::WaitResult::Timeout ? 0 : 1;
              }));
    mine.unlock();
    EXPECT_EQ(0, inChild([&] {
                  kw::NamedMutex theirs(name);
                  return theirs.lock(1000ms) == kw::WaitResult::Acquired ? 0 : 1;
              }));
}

TEST_F(NamedMutexTest, AnOwnerThatDiesLeavesItAbandonedAndStillUsable) {
    kw::NamedMutex mutex(name);
    ASSERT_TRUE(mutex.isValid());
    ASSERT_EQ(0, inChild([&] {
                  kw::NamedMutex& inChildMutex = kw::NamedMutex::shared(name);
                  // Locked twice (re-entered) and never released: the process just ends.
                  inChildMutex.lock();
                  return inChildMutex.lock() == kw::WaitResult::Acquired ? 0 : 1;
              }));
    EXPECT_EQ(kw::WaitResult::Abandoned, mutex.lock(1000ms));
    EXPECT_TRUE(mutex.unlock());
    // It stays usable for everyone.
    EXPECT_EQ(kw::WaitResult::Acquired, mutex.lock(0ms));
    mutex.unlock();
    EXPECT_EQ(0, inChild([&] {
                  kw::NamedMutex again(name);
                  return again.lock(1000ms) == kw::WaitResult::Acquired ? 0 : 1;
              }));
}

TEST_F(NamedMutexTest, RootAndANormalUserShareIt) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "needs root to run a second process as another user";
    }
    const uid_t nobody = 65534;
    // Created by root, used by a normal user ...
    kw::NamedMutex rootFirst(name);
    ASSERT_TRUE(rootFirst.isValid());
    ASSERT_EQ(kw::WaitResult::Acquired, rootFirst.lock());
    EXPECT_EQ(0, inChild([&] {
                  if (setgid(nobody) != 0 || setuid(nobody) != 0) {
                      return 2;
                  }
                  kw::NamedMutex user(name);
                  return user.isValid() && user.lock(20ms) == kw::WaitResult::Timeout ? 0 : 1;
              }));
    rootFirst.unlock();

    // ... and created by a normal user, used by root.
    const std::string userName = name + "-user";
    EXPECT_EQ(0, inChild([&] {
                  if (setgid(nobody) != 0 || setuid(nobody) != 0) {
                      return 2;
                  }
                  kw::NamedMutex user(userName);
                  return user.isValid() && user.lock() == kw::WaitResult::Acquired && user.unlock()
                             ? 0
                             : 1;
              }));
    kw::NamedMutex rootSecond(userName);
    EXPECT_TRUE(rootSecond.isValid());
    EXPECT_EQ(kw::WaitResult::Acquired, rootSecond.lock(1000ms));
    rootSecond.unlock();
    shm_unlink(("/kontrollwerk." + userName).c_str());
}

TEST_F(NamedMutexTest, ABadNameGivesAMutexWhoseWaitsFail) {
    kw::NamedMutex bad("with/slash");
    EXPECT_FALSE(bad.isValid());
    EXPECT_EQ(kw::WaitResult::Failed, bad.lock());
    EXPECT_EQ(kw::WaitResult::Failed, bad.lock(10ms));
    EXPECT_FALSE(bad.unlock());
}

TEST_F(NamedMutexTest, SharedGivesOneObjectPerName) {
    EXPECT_EQ(&kw::NamedMutex::shared(name), &kw::NamedMutex::shared(name));
    kw::NamedMutexLock lock(kw::NamedMutex::shared(name));
    EXPECT_TRUE(lock.owns());
}

TEST_F(NamedMutexTest, ANamespaceKeepsMutexesOfOneNameApart) {
    kw::NamedMutex plain(name);
    ASSERT_EQ(kw::WaitResult::Acquired, plain.lock());
    // A program in another namespace has a mutex of its own under the same name ...
    EXPECT_EQ(0, inChild([&] {
                  setenv("KONTROLLWERK_MUTEX_NAMESPACE", "kw-test-space", 1);
                  kw::NamedMutex spaced(name);
                  const bool own = spaced.lock(0ms) == kw::WaitResult::Acquired;
                  shm_unlink(("/kontrollwerk.kw-test-space." + name).c_str());
                  return own ? 0 : 1;
              }));
    // ... while one without namespace meets ours.
    EXPECT_EQ(0, inChild([&] {
                  kw::NamedMutex same(name);
                  return same.lock(0ms) == kw::WaitResult::Timeout ? 0 : 1;
              }));
    plain.unlock();
}
