// The GUI tests run the real dialogs in one QApplication on the offscreen platform. A
// watchdog ends the process when one test takes far too long (a window nobody answers), so
// that a fault never hangs the test run.

#include <QApplication>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

namespace {

constexpr auto kTestLimit = std::chrono::seconds(60);

class Watchdog : public testing::EmptyTestEventListener {
public:
    Watchdog() : m_thread([this] { watch(); }) {}
    ~Watchdog() override {
        m_stop = true;
        m_thread.join();
    }

    void OnTestStart(const testing::TestInfo& info) override {
        {
            const std::lock_guard lock(m_mutex);
            m_name = std::string(info.test_suite_name()) + "." + info.name();
        }
        m_started = std::chrono::steady_clock::now().time_since_epoch().count();
    }
    void OnTestEnd(const testing::TestInfo&) override { m_started = 0; }

private:
    void watch() {
        while (!m_stop) {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            const auto started = m_started.load();
            const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
            if (started != 0 && std::chrono::steady_clock::duration(now - started) > kTestLimit) {
                const std::lock_guard lock(m_mutex);
                std::fprintf(stderr, "GUI test %s hangs; giving up\n", m_name.c_str());
                std::_Exit(3);
            }
        }
    }

    std::atomic<bool> m_stop{false};
    std::atomic<std::chrono::steady_clock::rep> m_started{0};
    std::mutex m_mutex;
    std::string m_name;
    std::thread m_thread;
};

// The offscreen platform reports every window feature it lacks; that is not news here.
void quietHandler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message.startsWith("This plugin does not support")) {
        return;
    }
    std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

} // namespace

int main(int argc, char** argv) {
    // Also when started by hand or for test discovery: no display needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    qInstallMessageHandler(quietHandler);
    QApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    auto* watchdog = new Watchdog; // owned by the listener list
    testing::UnitTest::GetInstance()->listeners().Append(watchdog);
    return RUN_ALL_TESTS();
}
