#pragma once

// The user as the bus interfaces see it, and the guard through which they tell it about
// errors and time-outs. While a message box of one family (INT41 or USB) stands open, further
// messages of that family are dropped, so that a sequence running into a dead adapter shows one
// box instead of thousands.

#include <array>
#include <cstddef>
#include <string>

namespace korvane {

enum class MessageFamily { Int41 = 0, Usb = 1 };

// Implemented by the front end: Qt message boxes in the dialog, the error stream in a headless
// run, a recording fake in tests.
class InterfaceUserInterface {
public:
    virtual ~InterfaceUserInterface() = default;

    // Shows an error or time-out message. Returns true when the box was closed again before
    // returning (a modal box), false when the message stays standing (a headless run prints it
    // and nobody closes it: later messages of its family stay dropped).
    virtual bool showMessage(MessageFamily family, const std::string& text) = 0;

    // Asks an OK/Cancel question with a warning sign, Cancel preselected. True for OK.
    virtual bool askOkCancel(const std::string& text) = 0;
};

class MessageGuard {
public:
    explicit MessageGuard(InterfaceUserInterface& user) : m_user(user) {}

    // Shows the message unless a box of the same family is open.
    void show(MessageFamily family, const std::string& text);

    bool isOpen(MessageFamily family) const { return m_open[index(family)]; }
    // Messages of the family dropped so far.
    std::size_t droppedCount(MessageFamily family) const { return m_dropped[index(family)]; }

    InterfaceUserInterface& user() { return m_user; }

private:
    static std::size_t index(MessageFamily family) { return static_cast<std::size_t>(family); }

    InterfaceUserInterface& m_user;
    std::array<bool, 2> m_open{};
    std::array<std::size_t, 2> m_dropped{};
};

} // namespace korvane
