#pragma once

// The front end of korvane without a display: the help goes to the output stream (or into the
// information box showBox makes, when a display appears after all); the main dialog cannot be
// started and ends with a clear message instead. The desktop front end hands over to it when
// there is no display.

#include "korvane/tool/headless_services.h"
#include "korvane/tool/korvane_app.h"

#include <functional>
#include <iosfwd>

namespace korvane {

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

} // namespace korvane
