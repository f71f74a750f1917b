// The controls of the main dialog and where they stand, in dialog units (dialog 221 × 286).

#include "korvane/tool/gui/korvane_dlg.h"

#include "korvane/tool/gui/action_list_ctrl.h"
#include "korvane/tool/gui/dialog_units.h"
#include "korvane/tool/gui/up_down_control.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

namespace korvane {

namespace {

struct Place {
    int x, y, width, height;
};

constexpr int kDialogWidth = 221;
constexpr int kDialogHeight = 286;

constexpr Place kInterfaceGroup{7, 4, 207, 30};
constexpr Place kInterfaceBox{14, 15, 150, 13};
constexpr Place kTest{170, 14, 37, 14};

constexpr Place kSettingsGroup{7, 38, 207, 80};
constexpr int kLabelX = 14, kLabelWidth = 62;
constexpr int kEditX = 78, kEditWidth = 28, kUpDownWidth = 9;
constexpr int kRightLabelX = 122, kRightLabelWidth = 28, kRightEditX = 152;
constexpr int kRowY[] = {50, 66, 82, 98};

constexpr Place kActionGroup{7, 122, 207, 56};
constexpr Place kAlternate{14, 135, 60, 10};
constexpr Place kRepeat{14, 150, 60, 10};
constexpr Place kReceivedLabel{80, 133, 50, 8};
constexpr Place kReceived{80, 143, 40, 12};
constexpr Place kSendA{138, 132, 68, 13};
constexpr Place kSendB{138, 146, 68, 13};
constexpr Place kReceive{138, 160, 68, 13};

constexpr Place kSequenceGroup{7, 182, 207, 97};
constexpr Place kNewSend{14, 194, 60, 14};
constexpr Place kNewReceive{77, 194, 62, 14};
constexpr Place kExecute{142, 194, 65, 14};
constexpr Place kList{14, 212, 193, 44};
constexpr Place kLoad{14, 260, 60, 14};
constexpr Place kSave{77, 260, 62, 14};

template <typename Widget, typename... Args>
Widget* place(QWidget* parent, const DialogUnits& units, const Place& where, Args&&... args) {
    auto* widget = new Widget(std::forward<Args>(args)..., parent);
    widget->setGeometry(units.rect(where.x, where.y, where.width, where.height));
    return widget;
}

QPushButton* button(QWidget* parent, const DialogUnits& units, const Place& where,
                    const QString& text, bool toggle = false) {
    auto* created = place<QPushButton>(parent, units, where, text);
    // Enter never presses a button of the dialog.
    created->setAutoDefault(false);
    created->setCheckable(toggle);
    return created;
}

} // namespace

void CKorvaneDlg::buildControls() {
    const DialogUnits u(font());
    resize(u.x(kDialogWidth), u.y(kDialogHeight));

    place<QGroupBox>(this, u, kInterfaceGroup, "Schnittstelle");
    m_interfaceBox = place<QComboBox>(this, u, kInterfaceBox);
    m_test = button(this, u, kTest, "Test");

    m_settingsGroup = place<QGroupBox>(this, u, kSettingsGroup, "Einstellungen");
    const auto* digitsOnly = new QRegularExpressionValidator(QRegularExpression("[0-9]*"), this);
    const auto edit = [&](DialogField field, int x, int y, int width) {
        QLineEdit* line = place<QLineEdit>(this, u, Place{x, y, width, 12});
        m_fields[static_cast<int>(field)] = line;
        return line;
    };
    const auto label = [&](const QString& text, int x, int y, int width, QLineEdit* buddy) {
        place<QLabel>(this, u, Place{x, y + 2, width, 8}, text)->setBuddy(buddy);
    };
    const auto numberWithUpDown = [&](DialogField field, const QString& text, int labelX,
                                      int labelWidth, int editX, int y) {
        QLineEdit* line = edit(field, editX, y, kEditWidth);
        line->setValidator(digitsOnly);
        label(text, labelX, y, labelWidth, line);
        auto* upDown = new UpDownControl(*line, this);
        upDown->setGeometry(u.rect(editX + kEditWidth, y, kUpDownWidth, 12));
        m_upDowns[static_cast<int>(field)] = upDown;
    };
    numberWithUpDown(DialogField::SystemAddress, "&Systemadresse:", kLabelX, kLabelWidth, kEditX,
                     kRowY[0]);
    numberWithUpDown(DialogField::CardAddress, "&Kartenadresse:", kLabelX, kLabelWidth, kEditX,
                     kRowY[1]);
    QLineEdit* delay = edit(DialogField::Delay, kRightEditX, kRowY[1], 40);
    label("&Delay:", kRightLabelX, kRowY[1], kRightLabelWidth, delay);
    numberWithUpDown(DialogField::FunctionAddress, "&Funktionsadresse:", kLabelX, kLabelWidth,
                     kEditX, kRowY[2]);
    numberWithUpDown(DialogField::DataA, "Data &A:", kLabelX, kLabelWidth, kEditX, kRowY[3]);
    numberWithUpDown(DialogField::DataB, "Data &B:", kRightLabelX, kRightLabelWidth, kRightEditX,
                     kRowY[3]);

    place<QGroupBox>(this, u, kActionGroup, "Aktion");
    m_alternate = place<QCheckBox>(this, u, kAlternate, "wechselnd");
    m_repeat = place<QCheckBox>(this, u, kRepeat, "dauernd");
    place<QLabel>(this, u, kReceivedLabel, "Rückgabe:");
    QLineEdit* received =
        edit(DialogField::ReceivedValue, kReceived.x, kReceived.y, kReceived.width);
    received->setReadOnly(true);
    m_sendA = button(this, u, kSendA, "&Senden A", true);
    m_sendB = button(this, u, kSendB, "Se&nden B", true);
    m_receive = button(this, u, kReceive, "&Empfangen", true);

    m_sequenceGroup = place<QGroupBox>(this, u, kSequenceGroup, "Ablauf");
    m_newSend = button(this, u, kNewSend, "Neu Senden A");
    m_newReceive = button(this, u, kNewReceive, "Neu Empfangen");
    m_execute = button(this, u, kExecute, "Ausführen");
    m_list = place<CActionListCtrl>(this, u, kList);
    m_load = button(this, u, kLoad, "Laden...");
    m_save = button(this, u, kSave, "Speichern...");
}

UpDownControl* CKorvaneDlg::upDown(DialogField field) const {
    const int index = static_cast<int>(field);
    return index < static_cast<int>(m_upDowns.size()) ? m_upDowns[index] : nullptr;
}

void CKorvaneDlg::takeLayoutValues() {
    m_initialWidth = width();
    m_initialHeight = height();
    m_listBottomGap = m_initialHeight - m_list->geometry().bottom();
    m_groupBottomGap = m_initialHeight - m_sequenceGroup->geometry().bottom();
    m_buttonTopGap = m_initialHeight - m_load->geometry().top();
    setFixedWidth(m_initialWidth);
    setMinimumHeight(m_initialHeight);
}

void CKorvaneDlg::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    if (m_initialHeight == 0) {
        return;
    }
    const int bottom = height();
    QRect list = m_list->geometry();
    list.setBottom(bottom - m_listBottomGap);
    m_list->setGeometry(list);
    QRect group = m_sequenceGroup->geometry();
    group.setBottom(bottom - m_groupBottomGap);
    m_sequenceGroup->setGeometry(group);
    for (QPushButton* moving : {m_load, m_save}) {
        moving->move(moving->x(), bottom - m_buttonTopGap);
    }
}

} // namespace korvane
