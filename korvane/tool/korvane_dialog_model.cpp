#include "korvane/tool/korvane_dialog_model.h"

#include <algorithm>

namespace korvane {

namespace {

// A view that shows nothing, for a model without a window.
class NoView : public KorvaneDialogView {
public:
    void controlsChanged() override {}
    void interfacesChanged() override {}
    void sequenceTitleChanged() override {}
    void refuseEntry(DialogField, const std::string&) override {}
    void showWarning(const std::string&) override {}
    void setWaitCursor(bool) override {}
};

constexpr DialogField kSignedFields[] = {
    DialogField::SystemAddress, DialogField::CardAddress, DialogField::FunctionAddress,
    DialogField::DataA,         DialogField::DataB,       DialogField::ReceivedValue,
};

} // namespace

KorvaneDialogModel::KorvaneDialogModel(InterfaceList interfaces, RepetitionTimer& timer,
                                       UsbAdapterFinder* finder, bool ctrlAtStart)
    : m_startList(std::move(interfaces)), m_timer(timer), m_finder(finder),
      m_timerMinPeriod(timer.minPeriodMs()), m_ctrlAtStart(ctrlAtStart),
      m_current(m_startList.current) {
    m_actions.setSelectionListener(this);
}

KorvaneDialogModel::~KorvaneDialogModel() {
    m_timer.stop();
    m_actions.setSelectionListener(nullptr);
    m_box.clear();
}

KorvaneDialogView& KorvaneDialogModel::view() {
    static NoView none;
    return m_view ? *m_view : none;
}

std::string KorvaneDialogModel::windowTitle() const {
    return m_ctrlAtStart ? "Korvane(+++)" : "Korvane";
}

std::optional<int> KorvaneDialogModel::initialise(const std::string& loadFile) {
    exchange(Direction::Load);
    if (!loadFile.empty()) {
        m_actions.loadFromFile(loadFile);
    }
    if (m_startList.current == nullptr) {
        const std::string& hint = m_startList.hint;
        view().showWarning(hint.empty() ? kNoInterfaceText : kNoInterfaceText + ("\n\n" + hint));
        return -1;
    }
    // From here on the box owns the interfaces.
    for (auto& bus : m_startList.shown) {
        const bool current = bus.get() == m_startList.current;
        const int index = m_box.append(std::move(bus));
        if (current) {
            m_box.select(index);
        }
    }
    m_startList.shown.clear();
    applyInterface(m_startList.current);
    return std::nullopt;
}

// ---------------------------------------------------------------- field exchange

// A refused save ends the exchange where it stands: the fields already read keep their new
// values, and `exchanging` stays set until the next exchange runs to its end, so that the
// ticks of a running repetition pause while the user corrects the entry instead of refusing
// it again every period.
bool KorvaneDialogModel::exchange(Direction direction) {
    m_exchanging = true;
    if (direction == Direction::Save) {
        if (!saveFields()) {
            return false;
        }
    } else {
        loadFields();
    }
    takeSettingsTitle();
    if (direction == Direction::Save) {
        takeIntoSelectedAction();
    }
    m_exchanging = false;
    view().controlsChanged();
    return true;
}

bool KorvaneDialogModel::saveFields() {
    return readTexts() && checkRanges();
}

void KorvaneDialogModel::loadFields() {
    showValues();
    clampRanges();
}

bool KorvaneDialogModel::readTexts() {
    std::int32_t* const targets[] = {&m_fields.systemAddress,   &m_fields.cardAddress,
                                     &m_fields.functionAddress, &m_fields.dataA,
                                     &m_fields.dataB,           &m_fields.receivedValue};
    for (int i = 0; i < static_cast<int>(std::size(kSignedFields)); ++i) {
        const auto value = parseWholeNumber(m_controls.text(kSignedFields[i]));
        if (!value) {
            view().refuseEntry(kSignedFields[i], kEnterWholeNumberText);
            return false;
        }
        *targets[i] = *value;
    }
    m_fields.repeat = m_controls.repeat;
    m_fields.alternate = m_controls.alternate;
    m_fields.receiveOn = m_controls.receiveOn;
    const auto delay = parsePositiveNumber(m_controls.text(DialogField::Delay));
    if (!delay) {
        view().refuseEntry(DialogField::Delay, kEnterPositiveNumberText);
        return false;
    }
    m_fields.delay = *delay;
    m_fields.sendAOn = m_controls.sendAOn;
    m_fields.sendBOn = m_controls.sendBOn;
    return true;
}

std::array<KorvaneDialogModel::CheckedValue, 5>
KorvaneDialogModel::checkedValues(const CInterface& bus) {
    const InterfaceRanges ranges = InterfaceRanges::of(bus);
    return {{
        {DialogField::SystemAddress, &m_fields.systemAddress, ranges.systemAddress},
        {DialogField::CardAddress, &m_fields.cardAddress, ranges.cardAddress},
        {DialogField::FunctionAddress, &m_fields.functionAddress, ranges.functionAddress},
        {DialogField::DataA, &m_fields.dataA, ranges.data},
        {DialogField::DataB, &m_fields.dataB, ranges.data},
    }};
}

bool KorvaneDialogModel::checkRanges() {
    if (m_current == nullptr) {
        return true;
    }
    for (const CheckedValue& value : checkedValues(*m_current)) {
        if (!value.range.contains(*value.value)) {
            view().refuseEntry(value.field, rangeMessage(value.range));
            return false;
        }
    }
    return true;
}

void KorvaneDialogModel::showValues() {
    const std::int32_t values[] = {m_fields.systemAddress,   m_fields.cardAddress,
                                   m_fields.functionAddress, m_fields.dataA,
                                   m_fields.dataB,           m_fields.receivedValue};
    for (int i = 0; i < static_cast<int>(std::size(kSignedFields)); ++i) {
        m_controls.text(kSignedFields[i]) = std::to_string(values[i]);
    }
    m_controls.repeat = m_fields.repeat;
    m_controls.alternate = m_fields.alternate;
    m_controls.receiveOn = m_fields.receiveOn;
    m_controls.text(DialogField::Delay) = std::to_string(m_fields.delay);
    m_controls.sendAOn = m_fields.sendAOn;
    m_controls.sendBOn = m_fields.sendBOn;
}

void KorvaneDialogModel::clampRanges() {
    if (m_current == nullptr) {
        return;
    }
    for (const CheckedValue& value : checkedValues(*m_current)) {
        if (!value.range.contains(*value.value)) {
            *value.value = value.range.clamp(*value.value);
            m_controls.text(value.field) = std::to_string(*value.value);
        }
    }
}

void KorvaneDialogModel::takeIntoSelectedAction() {
    CAction* action = m_actions.selectedAction();
    if (action == nullptr) {
        return;
    }
    const int delay = static_cast<int>(m_fields.delay);
    if (action->isSend()) {
        action->setSend(m_fields.systemAddress, m_fields.cardAddress, m_fields.functionAddress,
                        m_fields.dataA, delay);
    } else {
        action->setReceive(m_fields.systemAddress, m_fields.cardAddress, m_fields.functionAddress,
                           delay);
    }
}

void KorvaneDialogModel::takeSettingsTitle() {
    m_settingsTitle = m_actions.selectedText().empty()
                          ? std::string("Einstellungen")
                          : "Einstellungen (" + m_actions.selectedText() + ")";
}

// ---------------------------------------------------------------- action list

void KorvaneDialogModel::selectionRemoved() {
    takeSettingsTitle();
    view().controlsChanged();
}

void KorvaneDialogModel::selectionChanging() {
    exchange(Direction::Save);
}

void KorvaneDialogModel::selectionChanged(int index) {
    if (index < 0) {
        exchange(Direction::Save);
        return;
    }
    const CAction& action = m_actions.action(index);
    m_fields.systemAddress = action.systemAddress();
    m_fields.cardAddress = action.cardAddress();
    m_fields.functionAddress = action.functionAddress();
    m_fields.delay = static_cast<std::uint32_t>(action.delay());
    if (action.isSend()) {
        m_fields.dataA = action.data();
    }
    exchange(Direction::Load);
}

void KorvaneDialogModel::onNewSendA() {
    exchange(Direction::Save);
    m_actions.newSendAction(m_fields.systemAddress, m_fields.cardAddress, m_fields.functionAddress,
                            m_fields.dataA, static_cast<int>(m_fields.delay));
}

void KorvaneDialogModel::onNewReceive() {
    exchange(Direction::Save);
    m_actions.newReceiveAction(m_fields.systemAddress, m_fields.cardAddress,
                               m_fields.functionAddress, static_cast<int>(m_fields.delay));
}

void KorvaneDialogModel::onLoad(const std::string& path) {
    m_actions.deleteAll();
    m_actions.loadFromFile(path);
    m_sequenceTitle = "Ablauf (" + sequenceGroupTitle(path) + ")";
    view().sequenceTitleChanged();
}

void KorvaneDialogModel::onSave(const std::string& path) {
    m_actions.saveToFile(path);
    m_sequenceTitle = "Ablauf (" + sequenceGroupTitle(path) + ")";
    view().sequenceTitleChanged();
}

std::string sequenceGroupTitle(const std::string& path) {
    const std::size_t separator = path.find_last_of("/\\");
    if (separator == std::string::npos || separator == 0) {
        return path;
    }
    return path.substr(separator + 1);
}

} // namespace korvane
