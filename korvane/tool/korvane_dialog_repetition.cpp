// The three toggles of the main dialog and the repetition they start: a repeated receive, or
// a repeated send of Data A, Data B or both in turn, paced by the repetition timer.

#include "korvane/tool/korvane_dialog_model.h"

#include <algorithm>

namespace korvane {

bool KorvaneDialogModel::startRepetition(TickKind kind) {
    return m_timer.start(std::max<unsigned>(m_fields.delay, m_timerMinPeriod), kind);
}

void KorvaneDialogModel::stopRepetition() {
    m_timer.stop();
}

void KorvaneDialogModel::forgetRemovedDevice() {
    m_removedDeviceName.clear();
    m_removedWasDecoder = false;
}

void KorvaneDialogModel::onReceiveClicked() {
    const bool exchanged = exchange(Direction::Save);
    if (isRepeating()) {
        stopRepetition();
        m_fields.sendAOn = false;
        m_fields.sendBOn = false;
    }
    if (m_fields.receiveOn && exchanged && m_current != nullptr) {
        {
            BusCall call(*this);
            m_fields.receivedValue = m_current->busRead(
                m_fields.systemAddress, m_fields.cardAddress, m_fields.functionAddress);
        }
        if (m_fields.repeat) {
            startRepetition(TickKind::Receive);
        }
    }
    if (!isRepeating()) {
        m_fields.receiveOn = false;
    }
    exchange(Direction::Load);
    forgetRemovedDevice();
}

void KorvaneDialogModel::onSendClicked(bool dataA) {
    if (!exchange(Direction::Save)) {
        return;
    }
    bool& thisOn = dataA ? m_fields.sendAOn : m_fields.sendBOn;
    bool& otherOn = dataA ? m_fields.sendBOn : m_fields.sendAOn;
    if (isRepeating()) {
        stopRepetition();
        otherOn = false;
        m_fields.receiveOn = false;
    }
    if (thisOn) {
        if (m_current != nullptr) {
            BusCall call(*this);
            m_current->busWrite(m_fields.systemAddress, m_fields.cardAddress,
                                m_fields.functionAddress, dataA ? m_fields.dataA : m_fields.dataB);
        }
        if (m_fields.repeat) {
            // Without "wechselnd" the same word goes out on every tick; with it the other word
            // comes first.
            m_nextIsA = dataA ? !m_fields.alternate : m_fields.alternate;
            startRepetition(TickKind::Send);
        }
    }
    if (!isRepeating()) {
        thisOn = false;
    }
    exchange(Direction::Load);
    forgetRemovedDevice();
}

void KorvaneDialogModel::onEscape() {
    if (m_controls.receiveOn) {
        m_controls.receiveOn = false;
        onReceiveClicked();
    }
    if (m_controls.sendAOn) {
        m_controls.sendAOn = false;
        onSendClicked(true);
    }
    if (m_controls.sendBOn) {
        m_controls.sendBOn = false;
        onSendClicked(false);
    }
    // A send toggle does nothing while an entry is refused, so its click alone cannot end the
    // repetition then; stopping must work all the same.
    if (isRepeating()) {
        stopRepetition();
        m_fields.receiveOn = m_fields.sendAOn = m_fields.sendBOn = false;
        m_controls.receiveOn = m_controls.sendAOn = m_controls.sendBOn = false;
        view().controlsChanged();
    }
}

void KorvaneDialogModel::onTick(TickKind kind) {
    // A tick that was under way when its repetition ended belongs to nobody.
    if (m_exchanging || m_busCalls > 0 || !isRepeating()) {
        return;
    }
    if (kind == TickKind::Receive) {
        onReceiveTick();
    } else {
        onSendTick();
    }
}

void KorvaneDialogModel::onReceiveTick() {
    if (exchange(Direction::Save) && m_current != nullptr) {
        BusCall call(*this);
        m_fields.receivedValue = m_current->busRead(m_fields.systemAddress, m_fields.cardAddress,
                                                    m_fields.functionAddress);
    }
    exchange(Direction::Load);
}

void KorvaneDialogModel::onSendTick() {
    if (exchange(Direction::Save)) {
        const std::int32_t word = m_nextIsA ? m_fields.dataA : m_fields.dataB;
        if (m_fields.repeat && m_fields.alternate) {
            m_nextIsA = !m_nextIsA;
        }
        if (m_current != nullptr) {
            BusCall call(*this);
            m_current->busWrite(m_fields.systemAddress, m_fields.cardAddress,
                                m_fields.functionAddress, word);
        }
    }
    exchange(Direction::Load);
}

} // namespace korvane
