// The main of the GUI tests: a QApplication on the offscreen platform, and a watchdog that ends
// the run when one test takes longer than QTEST_FUNCTION_TIMEOUT milliseconds (a modal dialog
// nobody answers must fail the run, not hang it).

#include <QApplication>

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

namespace {

class Watchdog : public ::testing::EmptyTestEventListener {
public:
    explicit Watchdog(std::chrono::milliseconds limit) : m_limit(limit) {}
    ~Watchdog() override { disarm(); }

    void OnTestStart(const ::testing::TestInfo& test) override {
        disarm();
        m_name = std::string(test.test_suite_name()) + "." + test.name();
        m_done = false;
        m_thread = std::thread([this] {
            std::unique_lock lock(m_mutex);
            if (!m_finished.wait_for(lock, m_limit, [this] { return m_done; })) {
                std::fprintf(stderr, "\n%s: no end after %lld ms (an unanswered dialog?)\n",
                             m_name.c_str(), static_cast<long long>(m_limit.count()));
                std::fflush(stderr);
                std::_Exit(3);
            }
        });
    }
    void OnTestEnd(const ::testing::TestInfo&) override { disarm(); }

private:
    void disarm() {
        {
            std::lock_guard lock(m_mutex);
            m_done = true;
        }
        m_finished.notify_all();
        if (m_thread.joinable()) {
            m_thread.join();
        }
    }

    std::chrono::milliseconds m_limit;
    std::string m_name;
    std::mutex m_mutex;
    std::condition_variable m_finished;
    bool m_done = true;
    std::thread m_thread;
};

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    const int limit = qEnvironmentVariableIntValue("QTEST_FUNCTION_TIMEOUT");
    ::testing::UnitTest::GetInstance()->listeners().Append(
        new Watchdog(std::chrono::milliseconds(limit > 0 ? limit : 60000)));
    return RUN_ALL_TESTS();
}
