#pragma once

// One recorded bus operation of korvane: write one data word to an address, or read one word
// from it, followed by an optional pause. Its one-line text form is the line format of the
// sequence files ("Ablauf"):
//
//   send:    "0,5,3,170,10; Relais ein"   system, card, function address, data, delay; name
//   receive: "0,5,3,?,10; Relais ein"     the data position holds "?"
//
// The name is program text (UTF-8); the sequence file layer converts it to and from the
// files' Windows-1252.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace korvane {

class CInterface;

class CAction {
public:
    // The name of an action the user has just created.
    static constexpr const char* kNewActionText = "Neue Aktion";

    CAction() = default;

    void setSend(int systemAddress, int cardAddress, int functionAddress, int data, int delay,
                 std::optional<std::string> text = std::nullopt);
    void setReceive(int systemAddress, int cardAddress, int functionAddress, int delay,
                    std::optional<std::string> text = std::nullopt);

    // Any negative data marks a receive action; the tool itself stores -1.
    bool isReceive() const { return m_data < 0; }
    bool isSend() const { return !isReceive(); }

    std::string toText() const;
    // Reads one line. A rejected line leaves the action unchanged and gives false; an
    // accepted one replaces the five numbers and the name (never the result).
    bool parse(std::string_view line);

    // Runs the bus operation on the interface (nothing without one), then pauses for the
    // delay. A receive keeps the word read as its result.
    void execute(CInterface* bus);

    std::int32_t systemAddress() const { return m_systemAddress; }
    std::int32_t cardAddress() const { return m_cardAddress; }
    std::int32_t functionAddress() const { return m_functionAddress; }
    std::int32_t data() const { return m_data; }
    std::int32_t delay() const { return m_delay; }
    const std::string& text() const { return m_text; }
    std::int32_t result() const { return m_result; }

    void setText(std::string text) { m_text = std::move(text); }
    void setResult(std::int32_t result) { m_result = result; }

    bool operator==(const CAction&) const = default;

private:
    std::int32_t m_systemAddress = 0;
    std::int32_t m_cardAddress = 0;
    std::int32_t m_functionAddress = 0;
    std::int32_t m_data = 0;
    std::int32_t m_delay = 0;
    std::string m_text = kNewActionText;
    std::int32_t m_result = 0;
};

} // namespace korvane
