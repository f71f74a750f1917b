#pragma once

// The front end of korvane as long as the program has no main dialog: the help goes into an
// information box when there is a display (else to the output stream); starting the dialog
// ends with a clear message instead.

#include "korvane/tool/headless_services.h"
#include "korvane/tool/korvane_app.h"

#include <functional>
#include <iosfwd>

class ConsoleFrontEnd : public KorvaneFrontEnd {
public:
    // showBox: shows the help in an information box; called only when there is a display.
    ConsoleFrontEnd(std::ostream& out, std::ostream& err,
                    std::function<void(const std::string&)> showBox);

    void showHelp(const std::string& text) override;
    bool ctrlHeldAtStart() override { return false; }
    InterfaceContext dialogContext() override { return m_services.context(); }
    int runDialog(InterfaceList interfaces, const std::string& loadFile) override;

    // Exit code when the dialog was asked for.
    static constexpr int kNoDialog = 2;

private:
    std::ostream& m_out;
    std::ostream& m_err;
    std::function<void(const std::string&)> m_showBox;
    HeadlessServices m_services;
};

// Whether a window could be shown: a display is named and Qt is not told to draw off screen.
bool hasDisplay();
