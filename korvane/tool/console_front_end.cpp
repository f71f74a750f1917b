#include "korvane/tool/console_front_end.h"

#include <cstdlib>
#include <ostream>
#include <string_view>

namespace {

bool isSet(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

} // namespace

bool hasDisplay() {
    if (const char* platform = std::getenv("QT_QPA_PLATFORM")) {
        const std::string_view name(platform);
        if (name == "offscreen" || name == "minimal") {
            return false;
        }
    }
    return isSet("DISPLAY") || isSet("WAYLAND_DISPLAY");
}

ConsoleFrontEnd::ConsoleFrontEnd(std::ostream& out, std::ostream& err,
                                 std::function<void(const std::string&)> showBox)
    : m_out(out), m_err(err), m_showBox(std::move(showBox)), m_services(out, err, false) {}

void ConsoleFrontEnd::showHelp(const std::string& text) {
    if (m_showBox && hasDisplay()) {
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
