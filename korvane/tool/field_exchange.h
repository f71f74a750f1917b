#pragma once

// What the main dialog of korvane exchanges between its values and its controls: the values
// ("fields") the bus operations use, the texts and check states the controls show, and the
// rules for reading a control text back (refused entries with their messages) and for the
// ranges of the current interface.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace korvane {

class CInterface;

// The edit fields of the dialog, in the order the exchange reads them.
enum class DialogField {
    SystemAddress,
    CardAddress,
    FunctionAddress,
    DataA,
    DataB,
    ReceivedValue, // "Rückgabe:", read-only
    Delay,
};
constexpr int kDialogFieldCount = 7;

struct DialogFields {
    std::int32_t systemAddress = 0;
    std::int32_t cardAddress = 0;
    std::int32_t functionAddress = 0;
    std::int32_t dataA = 0;
    std::int32_t dataB = 0;
    std::int32_t receivedValue = 0;
    std::uint32_t delay = 10; // milliseconds: repetition period and pause of new actions
    bool repeat = false;      // "dauernd"
    bool alternate = false;   // "wechselnd"
    bool receiveOn = false;   // "&Empfangen" pressed
    bool sendAOn = false;     // "&Senden A" pressed
    bool sendBOn = false;     // "Se&nden B" pressed
};

// What the controls show. The view copies the user's edits in here before it tells the model.
struct DialogControls {
    std::array<std::string, kDialogFieldCount> texts{"0", "0", "0", "0", "0", "0", "10"};
    bool repeat = false;
    bool alternate = false;
    bool receiveOn = false;
    bool sendAOn = false;
    bool sendBOn = false;

    std::string& text(DialogField field) { return texts[static_cast<int>(field)]; }
    const std::string& text(DialogField field) const { return texts[static_cast<int>(field)]; }
};

struct ValueRange {
    int min = 0;
    int max = 0;

    bool contains(std::int64_t value) const { return value >= min && value <= max; }
    std::int32_t clamp(std::int32_t value) const;
    bool operator==(const ValueRange&) const = default;
};

// The ranges of the five checked values; Data A and Data B share one.
struct InterfaceRanges {
    ValueRange systemAddress;
    ValueRange cardAddress;
    ValueRange functionAddress;
    ValueRange data;

    static InterfaceRanges of(const CInterface& bus);
    bool operator==(const InterfaceRanges&) const = default;
};

// The up-down controls of the data words are shown only for ranges they can step through.
constexpr int kLargestUpDownValue = 32767;

extern const char* const kEnterWholeNumberText;    // a signed field holds no whole number
extern const char* const kEnterPositiveNumberText; // the delay holds no positive whole number

// "Geben Sie eine ganze Zahl zwischen <min> und <max> ein."
std::string rangeMessage(const ValueRange& range);

// A signed field's text: blanks around one optional sign and decimal digits, and nothing else;
// nothing for anything else or a value beyond 32 bits.
std::optional<std::int32_t> parseWholeNumber(std::string_view text);
// The delay's text: blanks around decimal digits (no sign); nothing beyond 32 bits unsigned.
std::optional<std::uint32_t> parsePositiveNumber(std::string_view text);

} // namespace korvane
