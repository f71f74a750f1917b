#pragma once

// The logic of korvane's main dialog (CKorvaneDlg) without any widget: the dialog's values and
// what its controls show, the field exchange between the two with its refusals and range
// rules, the three toggles and the repetition ticks, the interface box, the action list
// ("Ablauf") with its selection exchange, and the following of USB860 adapters being plugged
// in and out. The Qt dialog shows this model and forwards the user's actions to it; the tests
// drive it directly.
//
// Everything runs on the user-interface thread. The only other thread is the repetition
// timer's, which reaches the model through posted tick requests (onTick).

#include "korvane/interfaces/interface_list.h"
#include "korvane/tool/action_list_model.h"
#include "korvane/tool/field_exchange.h"
#include "korvane/tool/interface_box.h"
#include "korvane/tool/repetition_timer.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace korvane {

// What the model asks of the dialog window.
class KorvaneDialogView {
public:
    virtual ~KorvaneDialogView() = default;
    // The controls should show controls(), "wechselnd" alternateEnabled() and the settings
    // group settingsTitle().
    virtual void controlsChanged() = 0;
    // The interface box, its selection, the up-down ranges and "Test" changed.
    virtual void interfacesChanged() = 0;
    virtual void sequenceTitleChanged() = 0;
    // An entry was refused: a modal message, then the focus goes to the field's control.
    virtual void refuseEntry(DialogField field, const std::string& message) = 0;
    // A modal warning box with an OK button.
    virtual void showWarning(const std::string& text) = 0;
    virtual void setWaitCursor(bool on) = 0;
};

// Finding a USB860 adapter that has just been plugged in.
class UsbAdapterFinder {
public:
    virtual ~UsbAdapterFinder() = default;
    // One enumeration of the USB860 adapters, keeping the one whose deviceName equals the path
    // without regard to case; none when it is not among them (yet).
    virtual std::unique_ptr<CInterface> findAdapter(const std::string& path) = 0;
    // The 16-bit twin built on an adapter in ULM860 mode; none for any other interface.
    virtual std::unique_ptr<CInterface> makeDecoderTwin(CInterface& adapter) = 0;
    virtual void sleepMs(int ms) = 0;
    // A monotonic clock in milliseconds.
    virtual std::int64_t nowMs() = 0;
};

class KorvaneDialogModel : private ActionSelectionListener {
public:
    enum class Direction { Save, Load };

    static constexpr const char* kNoInterfaceText = "Kein Testsystem-Interface vorhanden!";
    static constexpr const char* kInterfaceRemovedText =
        "Die aktuelle Schnittstelle wurde entfernt!";
    // How long an arriving adapter is looked for, and the pause between two looks.
    static constexpr int kArrivalSearchMs = 1000;
    static constexpr int kArrivalPauseMs = 50;

    // interfaces: the shown list and the current interface chosen at start. finder may be
    // none (then arriving adapters are not taken up).
    KorvaneDialogModel(InterfaceList interfaces, RepetitionTimer& timer, UsbAdapterFinder* finder,
                       bool ctrlAtStart);
    ~KorvaneDialogModel() override;
    KorvaneDialogModel(const KorvaneDialogModel&) = delete;
    KorvaneDialogModel& operator=(const KorvaneDialogModel&) = delete;

    void setView(KorvaneDialogView* view) { m_view = view; }

    // The dialog's start: shows the values, loads the "-load" file, checks that there is an
    // interface (nothing: the warning, then the end code -1 is returned), fills the interface
    // box and applies the current interface. Nothing returned: the dialog opens.
    std::optional<int> initialise(const std::string& loadFile);

    // --- what the view shows
    DialogFields& fields() { return m_fields; }
    const DialogFields& fields() const { return m_fields; }
    DialogControls& controls() { return m_controls; }
    bool alternateEnabled() const { return m_fields.repeat; }
    const std::string& settingsTitle() const { return m_settingsTitle; }
    const std::string& sequenceTitle() const { return m_sequenceTitle; }
    std::string windowTitle() const;

    const InterfaceBox& interfaces() const { return m_box; }
    CInterface* currentInterface() const { return m_current; }
    // Ranges of the up-down controls (those of the current interface).
    const InterfaceRanges& ranges() const { return m_ranges; }
    bool dataUpDownsShown() const { return m_dataUpDownsShown; }
    bool testEnabled() const { return m_testEnabled; }

    ActionListModel& actions() { return m_actions; }

    // --- user actions and events
    // Returns whether the exchange ran to its end (a save can be refused).
    bool exchange(Direction direction);
    void onInterfaceSelected(int index);
    // An address or data field lost the focus, or "dauernd" was clicked.
    void onFieldLeft() { exchange(Direction::Save); }
    // The toggles: the view has put the button's new check state into controls() first.
    void onReceiveClicked();
    void onSendAClicked() { onSendClicked(true); }
    void onSendBClicked() { onSendClicked(false); }
    void onNewSendA();
    void onNewReceive();
    void onExecute();
    void onLoad(const std::string& path);
    void onSave(const std::string& path);
    void onTest();
    // Ctrl+K: unlocks the self-test of the current interface where it has one.
    void onCtrlK();
    // Escape: ends a running repetition.
    void onEscape();
    void onTick(TickKind kind);
    void onDeviceArrival(const std::string& path);
    void onDeviceRemoval(const std::string& path);

    // --- state for the tests and the view
    bool isRepeating() const { return m_timer.isRunning(); }
    bool isExchanging() const { return m_exchanging; }
    const std::string& removedDeviceName() const { return m_removedDeviceName; }
    bool removedWasDecoder() const { return m_removedWasDecoder; }

private:
    void selectionChanging() override;
    void selectionChanged(int index) override;
    void selectionRemoved() override;
    void takeSettingsTitle();

    // A value the exchange checks against the current interface's range.
    struct CheckedValue {
        DialogField field;
        std::int32_t* value;
        ValueRange range;
    };
    std::array<CheckedValue, 5> checkedValues(const CInterface& bus);

    bool saveFields();
    void loadFields();
    bool readTexts();
    bool checkRanges();
    void showValues();
    void clampRanges();
    void takeIntoSelectedAction();

    void onSendClicked(bool dataA);
    bool startRepetition(TickKind kind);
    void stopRepetition();
    void forgetRemovedDevice();
    void onReceiveTick();
    void onSendTick();

    void applyInterface(CInterface* bus);
    void handleArrival(const std::string& path);
    void handleRemoval(const std::string& path);
    std::unique_ptr<CInterface> searchArrivedAdapter(const std::string& path);
    void takeUpArrivedAdapter(std::unique_ptr<CInterface> adapter, const std::string& path);

    // Marks a call into an interface. An interface may show a modal message box and so let
    // further requests in while its call is still running: device notices that come in then
    // wait until the call has returned (an unplugged adapter must not be destroyed under its
    // own transfer), and repetition ticks are dropped (bus words do not nest).
    class BusCall {
    public:
        explicit BusCall(KorvaneDialogModel& model) : m_model(model) { ++m_model.m_busCalls; }
        ~BusCall();
        BusCall(const BusCall&) = delete;
        BusCall& operator=(const BusCall&) = delete;

    private:
        KorvaneDialogModel& m_model;
    };
    struct DeviceNotice {
        bool arrival;
        std::string path;
    };
    void handleDeferredNotices();

    KorvaneDialogView& view();

    InterfaceList m_startList;
    RepetitionTimer& m_timer;
    UsbAdapterFinder* m_finder;
    KorvaneDialogView* m_view = nullptr;

    DialogFields m_fields;
    DialogControls m_controls;
    std::string m_settingsTitle = "Einstellungen";
    std::string m_sequenceTitle = "Ablauf";
    bool m_nextIsA = false;
    unsigned m_timerMinPeriod = 0;
    const bool m_ctrlAtStart;
    CInterface* m_current = nullptr;
    std::string m_removedDeviceName;
    bool m_removedWasDecoder = false;
    bool m_exchanging = false;
    int m_busCalls = 0;
    bool m_selfTestRunning = false;
    bool m_handlingNotices = false;
    std::vector<DeviceNotice> m_deferredNotices;

    InterfaceBox m_box;
    InterfaceRanges m_ranges;
    bool m_dataUpDownsShown = true;
    bool m_testEnabled = false;
    ActionListModel m_actions;
};

// The title of the "Ablauf" group after a sequence file was loaded or saved: the name part of
// the path (after the last separator, unless that separator is the path's first character,
// in which case the whole path).
std::string sequenceGroupTitle(const std::string& path);

// Device paths in notices and enumerations are compared without regard to case.
bool sameDevicePath(const std::string& a, const std::string& b);

} // namespace korvane
