#pragma once

// The self-test windows of the interfaces, as Qt windows: "Int41-Test", "USB860-Test" and the
// text window "Test-Ablauf". Each object here is owned by its interface and stands for a window
// that may or may not exist on screen: open() creates the window when it does not exist, the
// user may close it again (which destroys it), and the next run creates it anew. All three are
// modeless and owned by the main window.

#include "korvane/interfaces/result_window.h"
#include "korvane/tool/gui/result_elements.h"
#include "korvane/tool/result_geometry.h"

#include <QDialog>
#include <QPointer>
#include <QPushButton>

#include <functional>
#include <vector>

class QPlainTextEdit;

namespace korvane {

// What the windows need of the main dialog.
class ResultWindowHost {
public:
    virtual ~ResultWindowHost() = default;
    // The window the result windows are placed by and owned by; may be none.
    virtual QWidget* mainWindow() = 0;
    // Posts the "Test" command to the main dialog, which runs the self-test again once the
    // current run has returned.
    virtual void requestTestRun() = 0;
};

// A fixed-size result dialog on screen; Escape and the close button go to its owner, which
// decides whether it closes.
class ResultDialogWidget : public QDialog {
    Q_OBJECT
public:
    ResultDialogWidget(QWidget* parent, const QString& title, std::function<void()> closeRequest);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    std::function<void()> m_closeRequest;
};

// What both bit-result windows share: the items, the verdict and the window's lifetime.
template <typename Window> class BitsResultDialogBase : public Window {
public:
    ~BitsResultDialogBase() override;

    bool isOpen() const override { return m_window != nullptr; }
    void open() override;
    void resetResults() override;
    void setRunning() override;
    void setItemLabel(int index, const std::string& text) override;
    void setItemProgress(int index, int percent) override;
    void setItemBits(int index, const std::string& text, unsigned errorMask) override;
    void setError() override;
    void finishRun() override;

    // The window on screen, or none (for tests and screenshots).
    QDialog* window() const { return m_window; }
    CBitsResult* item(int index) const;
    CTestResult* verdict() const { return m_verdictElement; }
    int verdictState() const { return m_verdict.state(); }

protected:
    BitsResultDialogBase(ResultWindowHost& host, int itemCount)
        : m_host(host), m_items(itemCount) {}

    // Makes the window with its elements: the items into m_items, the verdict element.
    virtual ResultDialogWidget* createWindow() = 0;
    virtual void closeRequested() { destroyWindow(); }
    // setItemLabel lets pending input in first (the INT41 test stays responsive that way).
    virtual bool pumpsOnLabel() const { return false; }

    void destroyWindow();
    ResultDialogWidget* newWindow(const QString& title, int widthUnits, int heightUnits);

    ResultWindowHost& m_host;
    QPointer<ResultDialogWidget> m_window;
    std::vector<CBitsResult*> m_items;
    QPointer<CTestResult> m_verdictElement;
    VerdictState m_verdict;
};

class CResultInt41TestDlg : public BitsResultDialogBase<Int41ResultWindow> {
public:
    explicit CResultInt41TestDlg(ResultWindowHost& host) : BitsResultDialogBase(host, 11) {}

    void resetResults() override;
    void setRunning() override;
    void setError() override;
    void setWaitLabel(const std::string& text) override;
    void setWaitProgress(int percent) override;
    bool isOk() const override { return m_verdict.isOk(); }
    void pumpMessages() override;
    bool offerContinuous() override;
    void requestNextRun() override { m_host.requestTestRun(); }
    void setFinished(bool finished) override { m_finished = finished; }

    bool finished() const { return m_finished; }
    CWaitTimeResult* waitResult() const { return m_wait; }
    QPushButton* continuousButton() const { return m_continuous; }

protected:
    ResultDialogWidget* createWindow() override;
    void closeRequested() override;
    bool pumpsOnLabel() const override { return true; }

private:
    void continuousClicked(bool checked);

    QPointer<CWaitTimeResult> m_wait;
    QPointer<QPushButton> m_continuous;
    bool m_finished = true;
};

class CResultUsb860TestDlg : public BitsResultDialogBase<BitsResultWindow> {
public:
    explicit CResultUsb860TestDlg(ResultWindowHost& host) : BitsResultDialogBase(host, 2) {}

protected:
    ResultDialogWidget* createWindow() override;
};

// "Test-Ablauf": a resizable text window to which an interface appends lines. Closing hides
// it and empties it; the next text shows it again.
class CTestResultWnd : public TextResultWindow {
public:
    explicit CTestResultWnd(ResultWindowHost& host) : m_host(host) {}
    ~CTestResultWnd() override;

    void appendText(const std::string& text) override;

    QWidget* window() const { return m_window; }
    QString text() const;

private:
    void create();

    ResultWindowHost& m_host;
    QPointer<QWidget> m_window;
    QPlainTextEdit* m_edit = nullptr;
};

} // namespace korvane
