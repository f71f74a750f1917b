#pragma once

// The sequence ("Ablauf") behind the main dialog's action list: the rows in order, each owning
// exactly one action, the "Ergebnis" cell of each row, the selected row, and the operations the
// list offers (insert, append, new send and receive actions, move, execute, save, load, clear).
// It holds no widget: the view observes it and forwards the user's edits.

#include "korvane/tool/action.h"

#include "common/text/line_file.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace korvane {

class CInterface;

// Sequence files are lines of some 30 bytes: 4 MiB hold over 100 000 actions. A larger file
// (or a device such as /dev/zero) is not read.
inline constexpr std::size_t kMaxSequenceFileBytes = 4 * 1024 * 1024;

// The "Ergebnis" cell of an action that was not sent.
inline constexpr const char* kNotSentText = "nicht gesendet";

// Why an action cannot go out on the interface as it stands: the first of its numbers that
// lies outside the interface's range ("Kartenadresse 70000 liegt nicht in 0-63"); empty when
// all fit. The data of a receive action is not looked at.
std::string rangeViolation(const CAction& action, const CInterface& bus);

// Told about every change, so that a view can follow. Every call has an empty default.
class ActionListObserver {
public:
    virtual ~ActionListObserver() = default;
    virtual void rowInserted(int index) { (void)index; }
    virtual void rowRemoved(int index) { (void)index; }
    virtual void rowsCleared() {}
    // The row's label or kind changed.
    virtual void rowChanged(int index) { (void)index; }
    // The row's "Ergebnis" cell changed.
    virtual void resultShown(int index) { (void)index; }
    virtual void selectionChanged(int index) { (void)index; }
    // The view should give itself the focus and start editing the row's label.
    virtual void labelEditRequested(int index) { (void)index; }
};

// Told when the selected row changes to another one, before and after the change: the main
// dialog takes its field values into the still selected action first and shows the newly
// selected one after. When the selected row itself goes (Delete, moving, clearing before a
// load) nothing is selected any more and only selectionRemoved is told: the fields stay as
// they are and belong to no row.
class ActionSelectionListener {
public:
    virtual ~ActionSelectionListener() = default;
    virtual void selectionChanging() = 0;
    // index: the newly selected row, or -1.
    virtual void selectionChanged(int index) = 0;
    virtual void selectionRemoved() = 0;
};

class ActionListModel {
public:
    void setObserver(ActionListObserver* observer) { m_observer = observer; }
    void setSelectionListener(ActionSelectionListener* listener) { m_selectionListener = listener; }

    int count() const { return static_cast<int>(m_rows.size()); }
    const CAction& action(int index) const { return m_rows.at(index).action; }
    CAction& action(int index) { return m_rows.at(index).action; }
    // The "Ergebnis" cell: empty until the sequence runs, then the result in decimal, or
    // kNotSentText for an action the interface's ranges refused.
    std::string resultText(int index) const;
    // Why the row's action was not sent in the last run; empty when it was.
    const std::string& refusal(int index) const { return m_rows.at(index).refusal; }
    // The line of the sequence file the row was loaded from; 0 for a row made otherwise.
    int fileLine(int index) const { return m_rows.at(index).fileLine; }

    // Inserts a copy of the action (all seven fields) at the index (clamped to the list);
    // returns the new row's index.
    int insertAction(int index, const CAction& action);
    void appendAction(const CAction& action, bool startEditing);
    void newSendAction(int systemAddress, int cardAddress, int functionAddress, int data,
                       int delay);
    void newReceiveAction(int systemAddress, int cardAddress, int functionAddress, int delay);
    // Moves the source row so that it lands directly before the row that stood at the target
    // index. Out-of-range indexes change nothing.
    void moveAction(int source, int target);
    void deleteRow(int index);
    void deleteAll();

    // -1 when no row is selected.
    int selectedIndex() const { return m_selected; }
    void select(int index);
    CAction* selectedAction();
    // The selected row's label, empty when none is selected.
    std::string selectedText() const;
    // The Delete key: removes the selected row, if any.
    void deleteSelected();
    // A confirmed label edit: the row's action takes the new text.
    void setLabel(int index, std::string text);

    // Executes every row once, in order, and shows each row's result. An action whose numbers
    // lie outside the interface's ranges is not sent (the interface would cut them down to
    // another bus word, which may switch the wrong relay): its pause is skipped too and its
    // cell says so. Without an interface nothing reaches the bus and no time passes, but the
    // cells are still written. Returns the number of actions not sent.
    int executeAll(CInterface* bus);

    // Writes the sequence file (Windows-1252, CR LF). The file is replaced only when it has
    // been written completely. False when it cannot be written.
    bool saveToFile(const std::filesystem::path& path) const;
    // Appends the actions of a sequence file; malformed lines are skipped silently. False (and
    // the list unchanged) when the file cannot be read.
    bool loadFromFile(const std::filesystem::path& path);

    // The same, telling what went wrong: why the file could not be read, and the numbers
    // (1-based) of the lines that are no action (empty lines aside).
    struct FileLoad {
        bool loaded = false;
        kw::ReadProblem problem;
        std::vector<int> rejectedLines;
    };
    FileLoad loadSequenceFile(const std::filesystem::path& path);

private:
    struct Row {
        CAction action;
        std::optional<std::int32_t> shownResult;
        std::string refusal;
        int fileLine = 0;
    };

    bool isRow(int index) const { return index >= 0 && index < count(); }
    void selectionRemoved();

    std::vector<Row> m_rows;
    int m_selected = -1;
    ActionListObserver* m_observer = nullptr;
    ActionSelectionListener* m_selectionListener = nullptr;
    ActionListObserver m_silent;

    ActionListObserver& observer() { return m_observer ? *m_observer : m_silent; }
};

} // namespace korvane
