#pragma once

// The main dialog of korvane as a Qt window. It shows KorvaneDialogModel, which holds all of
// its logic, and forwards the user's actions to it: the interface box with "Test", the
// settings (addresses, data words and delay with their up-down controls), the toggles of the
// "Aktion" group and the sequence ("Ablauf") with its action list. Repetition ticks come from
// the timer thread as posted events; USB860 arrival and removal notices from a watched file
// descriptor.

#include "korvane/tool/gui/repetition_ticker.h"
#include "korvane/tool/korvane_dialog_model.h"

#include <QDialog>

#include <array>
#include <functional>
#include <memory>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QSocketNotifier;

namespace korvane {

class CActionListCtrl;
class QtInterfaceServices;
class UpDownControl;
class UsbDeviceNotices;

class CKorvaneDlg : public QDialog, private KorvaneDialogView {
    Q_OBJECT
public:
    // finder and notices may be none (no following of USB860 adapters then).
    CKorvaneDlg(InterfaceList interfaces, QtInterfaceServices& services, bool ctrlAtStart,
                UsbAdapterFinder* finder = nullptr, UsbDeviceNotices* notices = nullptr);
    ~CKorvaneDlg() override;

    // Initialises the dialog and runs it modally; returns its end code (-1 when there is no
    // interface, 0 when the window was closed).
    int run(const std::string& loadFile);
    // The initialisation alone: nothing when the dialog is ready to be shown, else its end code.
    std::optional<int> initialise(const std::string& loadFile);

    KorvaneDialogModel& model() { return *m_model; }

    // The controls, for tests and screenshots.
    QLineEdit* field(DialogField field) const { return m_fields[static_cast<int>(field)]; }
    UpDownControl* upDown(DialogField field) const;
    QComboBox* interfaceBox() const { return m_interfaceBox; }
    QPushButton* testButton() const { return m_test; }
    QCheckBox* repeatBox() const { return m_repeat; }
    QCheckBox* alternateBox() const { return m_alternate; }
    QPushButton* receiveButton() const { return m_receive; }
    QPushButton* sendAButton() const { return m_sendA; }
    QPushButton* newSendButton() const { return m_newSend; }
    QPushButton* newReceiveButton() const { return m_newReceive; }
    QPushButton* executeButton() const { return m_execute; }
    QPushButton* loadButton() const { return m_load; }
    QPushButton* saveButton() const { return m_save; }
    QGroupBox* settingsGroup() const { return m_settingsGroup; }
    QGroupBox* sequenceGroup() const { return m_sequenceGroup; }
    CActionListCtrl* actionList() const { return m_list; }
    RepetitionTicker& ticker() { return m_ticker; }

    // Called with the due time of every repetition tick the dialog handles, before it handles
    // it (the timer benchmark measures lateness with it).
    void setTickProbe(std::function<void(std::int64_t dueNs)> probe) {
        m_tickProbe = std::move(probe);
    }

public slots:
    void onTest();
    void showAbout();

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void reject() override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void controlsChanged() override;
    void interfacesChanged() override;
    void sequenceTitleChanged() override;
    void refuseEntry(DialogField field, const std::string& message) override;
    void showWarning(const std::string& text) override;
    void setWaitCursor(bool on) override;

    void buildControls();
    void connectControls();
    void takeLayoutValues();
    void watchDevices();
    void takeDeviceNotices();
    void chooseFileToLoad();
    void chooseFileToSave();
    bool isField(QObject* object) const;

    QtInterfaceServices& m_services;
    UsbAdapterFinder* m_finder;
    UsbDeviceNotices* m_notices;
    RepetitionTicker m_ticker;
    std::unique_ptr<KorvaneDialogModel> m_model;
    std::function<void(std::int64_t)> m_tickProbe;
    QSocketNotifier* m_noticeWatch = nullptr;
    bool m_inMessageBox = false;
    bool m_dropPress = false;

    std::array<QLineEdit*, kDialogFieldCount> m_fields{};
    std::array<UpDownControl*, 5> m_upDowns{};
    QComboBox* m_interfaceBox = nullptr;
    QPushButton* m_test = nullptr;
    QGroupBox* m_settingsGroup = nullptr;
    QCheckBox* m_alternate = nullptr;
    QCheckBox* m_repeat = nullptr;
    QPushButton* m_sendA = nullptr;
    QPushButton* m_sendB = nullptr;
    QPushButton* m_receive = nullptr;
    QGroupBox* m_sequenceGroup = nullptr;
    QPushButton* m_newSend = nullptr;
    QPushButton* m_newReceive = nullptr;
    QPushButton* m_execute = nullptr;
    CActionListCtrl* m_list = nullptr;
    QPushButton* m_load = nullptr;
    QPushButton* m_save = nullptr;

    // Taken at initialisation: the bottom widgets keep their distance to the bottom edge.
    int m_initialWidth = 0;
    int m_initialHeight = 0;
    int m_listBottomGap = 0;
    int m_groupBottomGap = 0;
    int m_buttonTopGap = 0;
};

} // namespace korvane
