#include "korvane/tool/action_drag.h"

#include "korvane/tool/action_list_model.h"

namespace korvane {

bool ActionDragTracker::begin(int row, bool dragImageCreated) {
    stop();
    if (!dragImageCreated) {
        return false;
    }
    m_dragging = true;
    m_startIndex = row;
    m_dropIndex = row;
    return true;
}

ActionDragTracker::TimerChange ActionDragTracker::move(int hitRow, bool aboveClient,
                                                       bool belowClient, int topVisibleRow) {
    if (!m_dragging) {
        return TimerChange::Keep;
    }
    if (hitRow >= 0 && hitRow != m_dropIndex) {
        m_dropIndex = hitRow;
    }
    if (aboveClient || m_dropIndex < topVisibleRow) {
        m_direction = AutoScroll::Up;
    } else if (belowClient) {
        m_direction = AutoScroll::Down;
    } else {
        m_direction = AutoScroll::None;
        if (m_timerRunning) {
            m_timerRunning = false;
            return TimerChange::Stop;
        }
        return TimerChange::Keep;
    }
    if (!m_timerRunning) {
        m_timerRunning = true;
        return TimerChange::Start;
    }
    return TimerChange::Keep;
}

void ActionDragTracker::release(ActionListModel& model) {
    if (!m_dragging) {
        return;
    }
    const int start = m_startIndex;
    const int drop = m_dropIndex;
    stop();
    if (drop != start) {
        model.moveAction(start, drop);
        model.select(drop);
    }
}

void ActionDragTracker::captureLost() {
    stop();
}

void ActionDragTracker::stop() {
    m_dragging = false;
    m_direction = AutoScroll::None;
    m_timerRunning = false;
}

} // namespace korvane
