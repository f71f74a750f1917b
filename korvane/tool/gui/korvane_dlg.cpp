#include "korvane/tool/gui/korvane_dlg.h"

#include "korvane/tool/gui/about_dlg.h"
#include "korvane/tool/gui/action_list_ctrl.h"
#include "korvane/tool/gui/korvane_icons.h"
#include "korvane/tool/gui/qt_interface_services.h"
#include "korvane/tool/gui/up_down_control.h"
#include "korvane/tool/usb_device_notices.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFocusEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QMetaObject>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTimer>

namespace korvane {

namespace {

constexpr DialogField kLeftFields[] = {DialogField::SystemAddress, DialogField::CardAddress,
                                       DialogField::FunctionAddress, DialogField::DataA,
                                       DialogField::DataB};

QString fromUtf8(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

CKorvaneDlg::CKorvaneDlg(InterfaceList interfaces, QtInterfaceServices& services, bool ctrlAtStart,
                         UsbAdapterFinder* finder, UsbDeviceNotices* notices)
    : QDialog(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      m_services(services), m_finder(finder), m_notices(notices), m_ticker(*this),
      m_model(std::make_unique<KorvaneDialogModel>(std::move(interfaces), m_ticker, finder,
                                                   ctrlAtStart)) {
    setWindowTitle("Korvane");
    setWindowIcon(korvaneIcon());
    buildControls();
    connectControls();
    m_list->attach(m_model->actions());
    m_model->setView(this);
    m_services.setMainWindow(this, [this] {
        QMetaObject::invokeMethod(this, &CKorvaneDlg::onTest, Qt::QueuedConnection);
    });
    // One filter on the application sees every event of the dialog's widgets once (a second
    // filter on a field would see its focus changes twice and refuse an entry twice).
    qApp->installEventFilter(this);
}

CKorvaneDlg::~CKorvaneDlg() {
    qApp->removeEventFilter(this);
    m_services.setMainWindow(nullptr, nullptr);
    // The interfaces (and with them their result windows) go before the dialog's widgets.
    m_list->detach();
    m_model.reset();
}

void CKorvaneDlg::connectControls() {
    connect(m_interfaceBox, &QComboBox::activated, this,
            [this](int index) { m_model->onInterfaceSelected(index); });
    connect(m_test, &QPushButton::clicked, this, &CKorvaneDlg::onTest);
    for (int i = 0; i < kDialogFieldCount; ++i) {
        connect(m_fields[i], &QLineEdit::textChanged, this, [this, i](const QString& text) {
            m_model->controls().texts[i] = text.toStdString();
        });
    }
    connect(m_repeat, &QCheckBox::clicked, this, [this](bool checked) {
        m_model->controls().repeat = checked;
        m_model->onFieldLeft();
    });
    connect(m_alternate, &QCheckBox::clicked, this,
            [this](bool checked) { m_model->controls().alternate = checked; });
    connect(m_receive, &QPushButton::clicked, this, [this](bool checked) {
        m_model->controls().receiveOn = checked;
        m_model->onReceiveClicked();
    });
    connect(m_sendA, &QPushButton::clicked, this, [this](bool checked) {
        m_model->controls().sendAOn = checked;
        m_model->onSendAClicked();
    });
    connect(m_sendB, &QPushButton::clicked, this, [this](bool checked) {
        m_model->controls().sendBOn = checked;
        m_model->onSendBClicked();
    });
    connect(m_newSend, &QPushButton::clicked, this, [this] { m_model->onNewSendA(); });
    connect(m_newReceive, &QPushButton::clicked, this, [this] { m_model->onNewReceive(); });
    connect(m_execute, &QPushButton::clicked, this, [this] { m_model->onExecute(); });
    connect(m_load, &QPushButton::clicked, this, &CKorvaneDlg::chooseFileToLoad);
    connect(m_save, &QPushButton::clicked, this, &CKorvaneDlg::chooseFileToSave);
}

int CKorvaneDlg::run(const std::string& loadFile) {
    if (const auto end = initialise(loadFile)) {
        return *end;
    }
    return exec();
}

std::optional<int> CKorvaneDlg::initialise(const std::string& loadFile) {
    if (const auto end = m_model->initialise(loadFile)) {
        return end;
    }
    // The platform's system menu cannot take entries: the about box is offered in the
    // dialog's context menu instead.
    auto* about = new QAction("Inf&o über Korvane...", this);
    connect(about, &QAction::triggered, this, &CKorvaneDlg::showAbout);
    addAction(about);
    setContextMenuPolicy(Qt::ActionsContextMenu);
    m_list->setUpColumns();
    setWindowTitle(fromUtf8(m_model->windowTitle()));
    takeLayoutValues();
    watchDevices();
    return std::nullopt;
}

void CKorvaneDlg::watchDevices() {
    if (m_notices == nullptr || m_notices->fileDescriptor() < 0) {
        return;
    }
    m_noticeWatch = new QSocketNotifier(m_notices->fileDescriptor(), QSocketNotifier::Read, this);
    connect(m_noticeWatch, &QSocketNotifier::activated, this, &CKorvaneDlg::takeDeviceNotices);
}

void CKorvaneDlg::takeDeviceNotices() {
    for (const UsbDeviceNotice& notice : m_notices->takeNotices()) {
        if (notice.arrival) {
            m_model->onDeviceArrival(notice.path);
        } else {
            m_model->onDeviceRemoval(notice.path);
        }
    }
}

// ---------------------------------------------------------------- showing the model

void CKorvaneDlg::controlsChanged() {
    const DialogControls& controls = m_model->controls();
    for (int i = 0; i < kDialogFieldCount; ++i) {
        const QString text = fromUtf8(controls.texts[i]);
        if (m_fields[i]->text() != text) {
            m_fields[i]->setText(text);
        }
    }
    m_repeat->setChecked(controls.repeat);
    m_alternate->setChecked(controls.alternate);
    m_alternate->setEnabled(m_model->alternateEnabled());
    m_receive->setChecked(controls.receiveOn);
    m_sendA->setChecked(controls.sendAOn);
    m_sendB->setChecked(controls.sendBOn);
    const QString title = fromUtf8(m_model->settingsTitle());
    if (m_settingsGroup->title() != title) {
        m_settingsGroup->setTitle(title);
    }
}

void CKorvaneDlg::interfacesChanged() {
    const InterfaceBox& box = m_model->interfaces();
    bool same = m_interfaceBox->count() == box.count();
    for (int i = 0; same && i < box.count(); ++i) {
        same = m_interfaceBox->itemText(i) == fromUtf8(box.text(i));
    }
    if (!same) {
        m_interfaceBox->clear();
        for (int i = 0; i < box.count(); ++i) {
            m_interfaceBox->addItem(fromUtf8(box.text(i)));
        }
    }
    m_interfaceBox->setCurrentIndex(box.selected());

    const InterfaceRanges& ranges = m_model->ranges();
    m_upDowns[0]->setRange(ranges.systemAddress.min, ranges.systemAddress.max);
    m_upDowns[1]->setRange(ranges.cardAddress.min, ranges.cardAddress.max);
    m_upDowns[2]->setRange(ranges.functionAddress.min, ranges.functionAddress.max);
    for (int dataField : {3, 4}) {
        m_upDowns[dataField]->setRange(ranges.data.min, ranges.data.max);
        m_upDowns[dataField]->setVisible(m_model->dataUpDownsShown());
    }
    m_test->setEnabled(m_model->testEnabled());
}

void CKorvaneDlg::sequenceTitleChanged() {
    m_sequenceGroup->setTitle(fromUtf8(m_model->sequenceTitle()));
}

void CKorvaneDlg::refuseEntry(DialogField field, const std::string& message) {
    m_inMessageBox = true;
    QMessageBox::warning(this, kKorvaneTitle, fromUtf8(message));
    m_inMessageBox = false;
    // A click that moved the focus out of the field brought the message: the button press
    // behind it, delivered when the box has gone, would leave its button drawn pressed (its
    // release went to the box). It is dropped, and with it that click's action.
    m_dropPress = true;
    QTimer::singleShot(0, this, [this] { m_dropPress = false; });
    QLineEdit* line = m_fields[static_cast<int>(field)];
    line->setFocus(Qt::OtherFocusReason);
    line->selectAll();
}

void CKorvaneDlg::showWarning(const std::string& text) {
    m_inMessageBox = true;
    QMessageBox::warning(isVisible() ? this : nullptr, kKorvaneTitle, fromUtf8(text));
    m_inMessageBox = false;
}

void CKorvaneDlg::setWaitCursor(bool on) {
    if (on) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
        QApplication::restoreOverrideCursor();
    }
}

// ---------------------------------------------------------------- user actions

void CKorvaneDlg::onTest() {
    m_model->onTest();
}

void CKorvaneDlg::showAbout() {
    CAboutDlg(this).exec();
}

void CKorvaneDlg::chooseFileToLoad() {
    QFileDialog dialog(this);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
        m_model->onLoad(dialog.selectedFiles().front().toStdString());
    }
}

void CKorvaneDlg::chooseFileToSave() {
    QFileDialog dialog(this);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
        m_model->onSave(dialog.selectedFiles().front().toStdString());
    }
}

bool CKorvaneDlg::event(QEvent* event) {
    if (RepetitionTickEvent::isTick(*event)) {
        const auto& tick = static_cast<const RepetitionTickEvent&>(*event);
        if (m_ticker.accept(tick)) {
            if (m_tickProbe) {
                m_tickProbe(tick.dueNs());
            }
            m_model->onTick(tick.kind());
        }
        return true;
    }
    return QDialog::event(event);
}

bool CKorvaneDlg::isField(QObject* object) const {
    for (const DialogField field : kLeftFields) {
        if (object == m_fields[static_cast<int>(field)]) {
            return true;
        }
    }
    return false;
}

bool CKorvaneDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut && isField(watched) && !m_inMessageBox) {
        // Leaving a field for another window (a message box, another program) is no edit.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            m_model->onFieldLeft();
        }
    }
    if (event->type() == QEvent::MouseButtonPress && m_dropPress) {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget != nullptr && widget->window() == this) {
            m_dropPress = false;
            return true;
        }
    }
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        auto* widget = qobject_cast<QWidget*>(watched);
        // Ctrl+K anywhere in the dialog, seen once (at the widget it goes to first). It only
        // unlocks "Test": an edit field would take it for "delete to the end of the line".
        const QWidget* first = QApplication::focusWidget() ? QApplication::focusWidget() : this;
        if (key->key() == Qt::Key_K && (key->modifiers() & Qt::ControlModifier) &&
            widget == first && widget->window() == this) {
            m_model->onCtrlK();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void CKorvaneDlg::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Escape:
        m_model->onEscape();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

void CKorvaneDlg::reject() {
    // The window's close button: the dialog ends with 0.
    done(0);
}

} // namespace korvane
