#pragma once

// The modeless progress window "Generierung" of a generation run: one text line, the main
// bar (percent of the whole Testmappe) and the detail bar (steps of the current module).
// The run works on a worker thread while this window, updated on the user-interface thread,
// paints and answers. The run cannot be stopped half-way: the window has no close button,
// and a close request from the window manager (Alt+F4, its window menu) is refused with a
// beep; the window goes when the run is over.

#include <QDialog>

#include <optional>

class QLabel;
class QProgressBar;

namespace tarvik {

class CProgressDlg : public QDialog {
    Q_OBJECT

public:
    explicit CProgressDlg(QWidget* parent = nullptr);

    // A new step: the text line (unchanged without a text), the main bar at percent and an
    // empty detail bar; shows the window.
    void SetStep(const std::optional<QString>& text, int percent);

    // done steps of total for the detail bar; shows the window.
    void detailReport(int done, int total);

    QString text() const;
    QProgressBar* mainBar() const { return m_mainBar; }
    QProgressBar* detailBar() const { return m_detailBar; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QLabel* m_text;
    QProgressBar* m_mainBar;
    QProgressBar* m_detailBar;
};

} // namespace tarvik
