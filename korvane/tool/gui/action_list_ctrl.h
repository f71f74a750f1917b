#pragma once

// The action list of the main dialog: a Qt view over the sequence (ActionListModel) with the
// columns "Text" and "Ergebnis", the send and receive images, in-place label editing (F2,
// Enter confirms, Escape cancels), Delete, and reordering by dragging a row with auto-scroll.
// The view only shows the model and forwards the user's edits; the rules of dragging live in
// ActionDragTracker.

#include "korvane/tool/action_drag.h"
#include "korvane/tool/action_list_model.h"

#include <QBasicTimer>
#include <QPointer>
#include <QTreeWidget>

class QLabel;

namespace korvane {

class CActionListCtrl : public QTreeWidget, private ActionListObserver {
    Q_OBJECT
public:
    static constexpr int kResultColumnWidth = 60;

    explicit CActionListCtrl(QWidget* parent = nullptr);
    ~CActionListCtrl() override;

    // Shows the model from now on (its present rows included).
    void attach(ActionListModel& model);
    // Stops showing the model (before the model goes away).
    void detach();
    // The column headers and widths; done once while the dialog initialises.
    void setUpColumns();

    bool isDragging() const { return m_drag.isDragging(); }
    // The rectangle of a row in the list's viewport (for tests that drag rows).
    QRect rowRect(int row) const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    void rowInserted(int index) override;
    void rowRemoved(int index) override;
    void rowsCleared() override;
    void rowChanged(int index) override;
    void resultShown(int index) override;
    void selectionChanged(int index) override;
    void labelEditRequested(int index) override;

    void showRow(QTreeWidgetItem& item, int index);
    void userSelectionChanged();
    void labelEdited(QTreeWidgetItem* item, int column);
    void fitColumns();

    void beginDrag(const QPoint& position);
    void followDrag(const QPoint& position);
    void endDrag(bool drop);
    void discardDragImage();

    ActionListModel* m_model = nullptr;
    bool m_syncing = false;

    ActionDragTracker m_drag;
    QBasicTimer m_scrollTimer;
    QPointer<QLabel> m_dragImage;
    QPoint m_hotSpot;
    QPoint m_pressPosition;
    int m_pressRow = -1;
};

} // namespace korvane
