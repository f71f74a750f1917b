#include "korvane/tool/console_front_end.h"

#include "common/platform/display.h"

#include <ostream>

namespace korvane {

ConsoleFrontEnd::ConsoleFrontEnd(std::ostream& out, std::ostream& err,
                                 std::function<void(const std::string&)> showBox)
    : m_out(out), m_err(err), m_showBox(std::move(showBox)), m_services(out, err, false) {}

void ConsoleFrontEnd::showHelp(const std::string& text) {
    if (m_showBox && kw::hasDisplay()) {
        m_showBox(text);
    } else {
        m_out << text << std::flush;
    }
}

int ConsoleFrontEnd::runDialog(InterfaceList, const std::string&) {
    m_err << "korvane: Keine Anzeige vorhanden, der Hauptdialog kann nicht geöffnet werden. Ohne "
             "Anzeige arbeiten: -exec <Datei>, --list, --selftest (Hilfe: -help).\n";
    return kNoDialog;
}

} // namespace korvane
