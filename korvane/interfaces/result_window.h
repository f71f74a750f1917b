#pragma once

// The result windows into which the interfaces' self-tests report. The procedures belong to
// the interfaces; the windows belong to the front end: Qt windows in the dialog, a text
// printer on the command line, a recording fake in tests.
//
// Each interface owns its window objects. An object stands for a window that may or may not
// exist on screen: open() creates and shows it when it does not exist; the user may close it
// again between runs.

#include <memory>
#include <string>

namespace korvane {

// A window of bit results (the INT41 test has items 0..10, the USB860 test items 0 and 1; an
// index beyond the window's items is ignored) with one overall verdict.
class BitsResultWindow {
public:
    virtual ~BitsResultWindow() = default;

    // True while the window exists on screen.
    virtual bool isOpen() const = 0;
    // Creates and shows the window when it does not exist; an existing window stays put.
    virtual void open() = 0;
    // Every item back to an empty progress bar, the verdict to nothing.
    virtual void resetResults() = 0;
    // The verdict shows "Test läuft...".
    virtual void setRunning() = 0;
    virtual void setItemLabel(int index, const std::string& text) = 0;
    // Progress in percent of the item's values stepped through.
    virtual void setItemProgress(int index, int percent) = 0;
    // Ends the item: its label and the mask of bits 0..7 found faulty.
    virtual void setItemBits(int index, const std::string& text, unsigned errorMask) = 0;
    // An item failed: the verdict shows "Fehler aufgetreten...".
    virtual void setError() = 0;
    // The run is over: "Fehler" after setError, otherwise "OK".
    virtual void finishRun() = 0;
};

// The "Int41-Test" window: bit results plus the wait-time result and the continuous test
// ("Dauer").
class Int41ResultWindow : public BitsResultWindow {
public:
    virtual void setWaitLabel(const std::string& text) = 0;
    virtual void setWaitProgress(int percent) = 0;
    // The verdict of the last run is "OK".
    virtual bool isOk() const = 0;
    // Lets the front end handle pending input (the window's buttons react between items).
    virtual void pumpMessages() = 0;
    // Shows the "Dauer" toggle and tells whether it is checked.
    virtual bool offerContinuous() = 0;
    // Asks the tool to start the self-test again once the current run has returned.
    virtual void requestNextRun() = 0;
    // The last run has ended and no continuous repetition is pending: closing the window may
    // destroy it.
    virtual void setFinished(bool finished) = 0;
};

// The "Test-Ablauf" text window. Lines carry their own CR LF.
class TextResultWindow {
public:
    virtual ~TextResultWindow() = default;
    virtual void appendText(const std::string& text) = 0;
};

// Makes the window objects an interface owns.
class ResultWindowFactory {
public:
    virtual ~ResultWindowFactory() = default;
    virtual std::unique_ptr<Int41ResultWindow> makeInt41Window() = 0;
    virtual std::unique_ptr<BitsResultWindow> makeUsb860Window() = 0;
    virtual std::unique_ptr<TextResultWindow> makeTextWindow() = 0;
};

} // namespace korvane
