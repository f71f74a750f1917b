#include "korvane/tool/headless_services.h"

#include <ostream>

namespace korvane {

namespace {

// Lines of the windows end with CR LF; a terminal wants LF.
std::string withLineFeeds(const std::string& text) {
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            continue;
        }
        result += text[i];
    }
    return result;
}

} // namespace

bool StreamUserInterface::showMessage(MessageFamily, const std::string& text) {
    m_err << "korvane: " << text << '\n' << std::flush;
    return false;
}

bool StreamUserInterface::askOkCancel(const std::string& text) {
    m_err << text << (m_okAnswer ? "-> OK (--yes)\n" : "-> Abbrechen (mit --yes bestätigen)\n")
          << std::flush;
    return m_okAnswer;
}

std::string faultyBitsText(unsigned errorMask) {
    std::string text;
    for (int bit = 31; bit >= 0; --bit) {
        if (errorMask & (1u << bit)) {
            text += (text.empty() ? "" : ", ") + std::to_string(bit);
        }
    }
    return text;
}

void TextResultPrinter::open() {
    if (!m_open) {
        m_out << m_title << '\n';
    }
    m_open = true;
    m_finished = false;
    m_outcome.opened = true;
}

void TextResultPrinter::setItemBits(int, const std::string& text, unsigned errorMask) {
    m_out << "  " << text << ": ";
    if (errorMask == 0) {
        m_out << "OK\n";
    } else {
        m_out << "Fehler in Bit " << faultyBitsText(errorMask) << '\n';
    }
}

void TextResultPrinter::setError() {
    m_error = true;
    m_outcome.failed = true;
}

void TextResultPrinter::finishRun() {
    m_finished = true;
    m_out << (m_error ? "Fehler\n" : "OK\n") << std::flush;
}

void TextResultPrinter::setWaitLabel(const std::string& text) {
    m_out << "  " << text << '\n';
}

void TextResultPrinter::appendText(const std::string& text) {
    if (!m_open) {
        open();
    }
    m_out << withLineFeeds(text) << std::flush;
}

std::unique_ptr<Int41ResultWindow> TextResultPrinterFactory::makeInt41Window() {
    return std::make_unique<TextResultPrinter>(m_out, "Int41-Test", m_outcome);
}

std::unique_ptr<BitsResultWindow> TextResultPrinterFactory::makeUsb860Window() {
    return std::make_unique<TextResultPrinter>(m_out, "USB860-Test", m_outcome);
}

std::unique_ptr<TextResultWindow> TextResultPrinterFactory::makeTextWindow() {
    return std::make_unique<TextResultPrinter>(m_out, "Test-Ablauf", m_outcome);
}

} // namespace korvane
