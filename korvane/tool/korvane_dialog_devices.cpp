// The interfaces of the main dialog: applying the selected one, its self-test, executing the
// sequence on it, and following USB860 adapters being plugged in and out.

#include "korvane/tool/korvane_dialog_model.h"

#include <algorithm>
#include <cctype>

namespace korvane {

namespace {

// Shows the wait cursor for the lifetime of the object.
class WaitCursor {
public:
    explicit WaitCursor(KorvaneDialogView& view) : m_view(view) { m_view.setWaitCursor(true); }
    ~WaitCursor() { m_view.setWaitCursor(false); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    KorvaneDialogView& m_view;
};

} // namespace

bool sameDevicePath(const std::string& a, const std::string& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

KorvaneDialogModel::BusCall::~BusCall() {
    if (--m_model.m_busCalls == 0) {
        m_model.handleDeferredNotices();
    }
}

// Notices are handled one after the other in the order they came. Handling one can let
// further ones in (a message box, an adapter's own message): they wait in the queue, so that
// a removal that comes while its adapter's arrival is being handled is not lost.
void KorvaneDialogModel::handleDeferredNotices() {
    if (m_busCalls > 0 || m_handlingNotices) {
        return;
    }
    m_handlingNotices = true;
    while (!m_deferredNotices.empty() && m_busCalls == 0) {
        const DeviceNotice notice = m_deferredNotices.front();
        m_deferredNotices.erase(m_deferredNotices.begin());
        if (notice.arrival) {
            handleArrival(notice.path);
        } else {
            handleRemoval(notice.path);
        }
    }
    m_handlingNotices = false;
}

void KorvaneDialogModel::applyInterface(CInterface* bus) {
    m_current = bus;
    if (bus != nullptr) {
        m_ranges = InterfaceRanges::of(*bus);
        m_dataUpDownsShown = bus->maxData() <= kLargestUpDownValue;
        m_testEnabled = bus->canSelfTest();
    }
    view().interfacesChanged();
}

void KorvaneDialogModel::onInterfaceSelected(int index) {
    m_box.select(index);
    applyInterface(m_box.selectedInterface());
}

void KorvaneDialogModel::onExecute() {
    WaitCursor wait(view());
    BusCall call(*this);
    m_actions.executeAll(m_current);
}

void KorvaneDialogModel::onTest() {
    // The INT41 test lets input in between its items; a second click on "Test" then must not
    // start a test inside the running one (the next run of "Dauer" comes as a posted request).
    if (m_selfTestRunning || m_current == nullptr || !m_current->canSelfTest()) {
        return;
    }
    WaitCursor wait(view());
    m_selfTestRunning = true;
    {
        BusCall call(*this);
        m_current->runSelfTest();
        m_selfTestRunning = false;
    }
}

void KorvaneDialogModel::onCtrlK() {
    if (m_current == nullptr) {
        return;
    }
    m_current->enableSelfTest();
    m_testEnabled = m_current->canSelfTest();
    view().interfacesChanged();
}

void KorvaneDialogModel::onDeviceArrival(const std::string& path) {
    m_deferredNotices.push_back(DeviceNotice{true, path});
    handleDeferredNotices();
}

void KorvaneDialogModel::onDeviceRemoval(const std::string& path) {
    m_deferredNotices.push_back(DeviceNotice{false, path});
    handleDeferredNotices();
}

void KorvaneDialogModel::handleArrival(const std::string& path) {
    WaitCursor wait(view());
    if (auto adapter = searchArrivedAdapter(path)) {
        takeUpArrivedAdapter(std::move(adapter), path);
    }
}

// The adapter's device may appear a little after the notice: it is looked for repeatedly for
// up to a second.
std::unique_ptr<CInterface> KorvaneDialogModel::searchArrivedAdapter(const std::string& path) {
    if (m_finder == nullptr) {
        return nullptr;
    }
    const std::int64_t start = m_finder->nowMs();
    while (m_finder->nowMs() - start < kArrivalSearchMs) {
        auto found = m_finder->findAdapter(path);
        m_finder->sleepMs(kArrivalPauseMs);
        if (found) {
            return found;
        }
    }
    return nullptr;
}

void KorvaneDialogModel::takeUpArrivedAdapter(std::unique_ptr<CInterface> adapter,
                                              const std::string& path) {
    if (!adapter->isUsable() || (!adapter->isListed() && !m_ctrlAtStart)) {
        return;
    }
    std::unique_ptr<CInterface> twin = m_finder->makeDecoderTwin(*adapter);
    CInterface* const twinInterface = twin.get();
    const int index = m_box.append(std::move(adapter));
    if (twin) {
        m_box.append(std::move(twin));
    }
    // The device the user lost comes back as the current interface, in the mode it had.
    if (m_current == nullptr || sameDevicePath(path, m_removedDeviceName)) {
        if (m_removedWasDecoder) {
            m_box.select(index + 1);
            applyInterface(twinInterface);
        } else {
            m_box.select(index);
            applyInterface(m_box.selectedInterface());
        }
        return;
    }
    view().interfacesChanged();
}

void KorvaneDialogModel::handleRemoval(const std::string& path) {
    const bool currentRemoved =
        m_current != nullptr && sameDevicePath(m_current->deviceName(), path);
    if (currentRemoved) {
        onEscape();
        if (m_removedDeviceName.empty() && m_current != nullptr) {
            m_removedDeviceName = path;
            m_removedWasDecoder = m_current->isDecoder();
        }
        m_current = nullptr;
    }
    for (int i = m_box.count() - 1; i >= 0; --i) {
        if (sameDevicePath(m_box.interface(i).deviceName(), path)) {
            m_box.remove(i);
        }
    }
    if (!currentRemoved) {
        view().interfacesChanged();
        return;
    }
    m_box.select(m_box.count() > 0 ? 0 : -1);
    applyInterface(m_box.selectedInterface());
    view().showWarning(kInterfaceRemovedText);
}

} // namespace korvane
