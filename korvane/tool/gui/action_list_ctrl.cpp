#include "korvane/tool/gui/action_list_ctrl.h"

#include "korvane/tool/gui/korvane_icons.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QScrollBar>

namespace korvane {

namespace {

// Sets a flag for the lifetime of the object, so that the view's own changes are not taken
// for the user's.
class Syncing {
public:
    explicit Syncing(bool& flag) : m_flag(flag), m_before(flag) { m_flag = true; }
    ~Syncing() { m_flag = m_before; }
    Syncing(const Syncing&) = delete;
    Syncing& operator=(const Syncing&) = delete;

private:
    bool& m_flag;
    bool m_before;
};

} // namespace

CActionListCtrl::CActionListCtrl(QWidget* parent) : QTreeWidget(parent) {
    setColumnCount(2);
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setDragEnabled(false);
    setSortingEnabled(false);
    header()->setSectionsClickable(false);
    header()->setSectionsMovable(false);
    header()->setStretchLastSection(false);
    setIconSize(QSize(16, 16));
    // The selected row stays visible when the list loses the focus.
    QPalette colours = palette();
    colours.setColor(QPalette::Inactive, QPalette::Highlight,
                     colours.color(QPalette::Active, QPalette::Highlight));
    colours.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     colours.color(QPalette::Active, QPalette::HighlightedText));
    setPalette(colours);
    connect(this, &QTreeWidget::itemSelectionChanged, this, &CActionListCtrl::userSelectionChanged);
    connect(this, &QTreeWidget::itemChanged, this, &CActionListCtrl::labelEdited);
}

CActionListCtrl::~CActionListCtrl() {
    m_scrollTimer.stop();
    discardDragImage();
    detach();
}

void CActionListCtrl::detach() {
    if (m_model) {
        m_model->setObserver(nullptr);
        m_model = nullptr;
    }
}

void CActionListCtrl::attach(ActionListModel& model) {
    m_model = &model;
    model.setObserver(this);
    rowsCleared();
    for (int i = 0; i < model.count(); ++i) {
        rowInserted(i);
    }
}

void CActionListCtrl::setUpColumns() {
    setHeaderLabels({"Text", "Ergebnis"});
    fitColumns();
}

void CActionListCtrl::fitColumns() {
    setColumnWidth(0, std::max(0, viewport()->width() - kResultColumnWidth));
    setColumnWidth(1, kResultColumnWidth);
}

QRect CActionListCtrl::rowRect(int row) const {
    const QTreeWidgetItem* row_item = topLevelItem(row);
    return row_item ? visualItemRect(row_item) : QRect();
}

// ---------------------------------------------------------------- following the model

void CActionListCtrl::showRow(QTreeWidgetItem& item, int index) {
    Syncing syncing(m_syncing);
    const CAction& action = m_model->action(index);
    item.setText(0, QString::fromStdString(action.text()));
    item.setIcon(0, action.isReceive() ? receiveActionIcon() : sendActionIcon());
    item.setText(1, QString::fromStdString(m_model->resultText(index)));
    item.setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    item.setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable);
}

void CActionListCtrl::rowInserted(int index) {
    Syncing syncing(m_syncing);
    auto* item = new QTreeWidgetItem();
    insertTopLevelItem(index, item);
    showRow(*item, index);
}

void CActionListCtrl::rowRemoved(int index) {
    Syncing syncing(m_syncing);
    delete takeTopLevelItem(index);
}

void CActionListCtrl::rowsCleared() {
    Syncing syncing(m_syncing);
    clear();
}

void CActionListCtrl::rowChanged(int index) {
    if (QTreeWidgetItem* item = topLevelItem(index)) {
        showRow(*item, index);
    }
}

void CActionListCtrl::resultShown(int index) {
    rowChanged(index);
}

void CActionListCtrl::selectionChanged(int index) {
    Syncing syncing(m_syncing);
    if (QTreeWidgetItem* item = topLevelItem(index)) {
        setCurrentItem(item);
        scrollToItem(item);
    } else {
        clearSelection();
    }
}

void CActionListCtrl::labelEditRequested(int index) {
    if (QTreeWidgetItem* item = topLevelItem(index)) {
        setFocus();
        scrollToItem(item);
        editItem(item, 0);
    }
}

// ---------------------------------------------------------------- the user's edits

void CActionListCtrl::userSelectionChanged() {
    if (m_syncing || m_model == nullptr) {
        return;
    }
    const QList<QTreeWidgetItem*> selected = selectedItems();
    m_model->select(selected.isEmpty() ? -1 : indexOfTopLevelItem(selected.front()));
}

void CActionListCtrl::labelEdited(QTreeWidgetItem* item, int column) {
    if (m_syncing || m_model == nullptr || column != 0) {
        return;
    }
    m_model->setLabel(indexOfTopLevelItem(item), item->text(0).toStdString());
}

void CActionListCtrl::keyPressEvent(QKeyEvent* event) {
    if (m_model && event->key() == Qt::Key_Delete) {
        m_model->deleteSelected();
        return;
    }
    if (m_model && event->key() == Qt::Key_F2) {
        if (m_model->selectedIndex() >= 0) {
            labelEditRequested(m_model->selectedIndex());
        }
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

void CActionListCtrl::resizeEvent(QResizeEvent* event) {
    QTreeWidget::resizeEvent(event);
    fitColumns();
}

// ---------------------------------------------------------------- dragging

void CActionListCtrl::mousePressEvent(QMouseEvent* event) {
    QTreeWidget::mousePressEvent(event);
    m_pressRow = -1;
    if (event->button() == Qt::LeftButton) {
        const QModelIndex index = indexAt(event->position().toPoint());
        m_pressRow = index.isValid() ? index.row() : -1;
        m_pressPosition = event->position().toPoint();
    }
}

void CActionListCtrl::mouseMoveEvent(QMouseEvent* event) {
    const QPoint position = event->position().toPoint();
    if (m_drag.isDragging()) {
        followDrag(position);
        return;
    }
    if ((event->buttons() & Qt::LeftButton) && m_pressRow >= 0 &&
        (position - m_pressPosition).manhattanLength() >= QApplication::startDragDistance()) {
        beginDrag(position);
        return;
    }
    QTreeWidget::mouseMoveEvent(event);
}

void CActionListCtrl::mouseReleaseEvent(QMouseEvent* event) {
    if (m_drag.isDragging() && event->button() == Qt::LeftButton) {
        endDrag(true);
        return;
    }
    m_pressRow = -1;
    QTreeWidget::mouseReleaseEvent(event);
}

bool CActionListCtrl::viewportEvent(QEvent* event) {
    // Another window took the mouse: the drag ends and nothing moves.
    if (event->type() == QEvent::UngrabMouse && m_drag.isDragging()) {
        endDrag(false);
    }
    return QTreeWidget::viewportEvent(event);
}

void CActionListCtrl::beginDrag(const QPoint& position) {
    discardDragImage();
    const int row = m_pressRow;
    m_pressRow = -1;
    const QRect rect = rowRect(row);
    const QPixmap image = rect.isEmpty() ? QPixmap() : viewport()->grab(rect);
    if (!m_drag.begin(row, !image.isNull()) || m_model == nullptr) {
        return;
    }
    m_hotSpot = m_pressPosition - rect.topLeft();
    m_dragImage = new QLabel(nullptr, Qt::ToolTip | Qt::FramelessWindowHint);
    m_dragImage->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_dragImage->setWindowOpacity(0.7);
    m_dragImage->setPixmap(image);
    m_dragImage->move(viewport()->mapToGlobal(position) - m_hotSpot);
    m_dragImage->show();
    viewport()->grabMouse();
}

void CActionListCtrl::followDrag(const QPoint& position) {
    if (m_dragImage) {
        m_dragImage->move(viewport()->mapToGlobal(position) - m_hotSpot);
    }
    const QModelIndex hit = indexAt(position);
    const bool inside = viewport()->rect().contains(position);
    const QModelIndex top = indexAt(QPoint(1, 1));
    const auto change =
        m_drag.move(inside && hit.isValid() ? hit.row() : -1, position.y() < 0,
                    position.y() >= viewport()->height(), top.isValid() ? top.row() : 0);
    if (change == ActionDragTracker::TimerChange::Start) {
        m_scrollTimer.start(ActionDragTracker::kTimerPeriodMs, this);
    } else if (change == ActionDragTracker::TimerChange::Stop) {
        m_scrollTimer.stop();
    }
}

void CActionListCtrl::timerEvent(QTimerEvent* event) {
    if (event->timerId() != m_scrollTimer.timerId()) {
        QTreeWidget::timerEvent(event);
        return;
    }
    // One step of the scroll bar is one row: the height of the topmost visible row.
    QScrollBar* bar = verticalScrollBar();
    if (m_drag.direction() == AutoScroll::Up) {
        bar->setValue(bar->value() - 1);
    } else if (m_drag.direction() == AutoScroll::Down) {
        bar->setValue(bar->value() + 1);
    }
}

void CActionListCtrl::endDrag(bool drop) {
    discardDragImage();
    m_scrollTimer.stop();
    if (drop) {
        m_drag.release(*m_model);
    } else {
        m_drag.captureLost();
    }
    if (QWidget::mouseGrabber() == viewport()) {
        viewport()->releaseMouse();
    }
}

void CActionListCtrl::discardDragImage() {
    delete m_dragImage.data();
}

} // namespace korvane
