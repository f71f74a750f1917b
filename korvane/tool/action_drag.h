#pragma once

namespace korvane {

// Reordering the action list by dragging a row: the start and drop indexes, the auto-scroll
// direction and whether its timer runs. The view feeds it the mouse events with its hit-test
// results and carries out what it answers (drag image, timer, scrolling); the move itself
// happens on the model.

class ActionListModel;

enum class AutoScroll { None, Up, Down };

class ActionDragTracker {
public:
    // Auto-scroll timer: identifier and period of the view's timer.
    static constexpr int kTimerId = 1;
    static constexpr int kTimerPeriodMs = 100;

    // A drag starts on a row. Without a drag image no drag takes place. True when dragging.
    bool begin(int row, bool dragImageCreated);

    // What the view must do with its auto-scroll timer after a mouse move.
    enum class TimerChange { Keep, Start, Stop };

    // The cursor moved while dragging. hitRow: the row under the cursor, or -1 outside all
    // rows; aboveClient/belowClient: the hit test puts the cursor above or below the client
    // area; topVisibleRow: the topmost row shown.
    TimerChange move(int hitRow, bool aboveClient, bool belowClient, int topVisibleRow);

    // The left button was released while dragging: the row moves when it was dropped elsewhere
    // and the row now standing at the drop index is selected. Stops the drag.
    void release(ActionListModel& model);

    // Another window took the mouse: the drag ends without moving anything.
    void captureLost();

    bool isDragging() const { return m_dragging; }
    AutoScroll direction() const { return m_direction; }
    bool timerRunning() const { return m_timerRunning; }

private:
    void stop();

    bool m_dragging = false;
    int m_startIndex = -1;
    int m_dropIndex = -1;
    AutoScroll m_direction = AutoScroll::None;
    bool m_timerRunning = false;
};

} // namespace korvane
