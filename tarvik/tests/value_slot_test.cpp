// Value tokens, default tokens and the VALUE/LOWER/UPPER statements.

#include "tarvik/modules/value_slot.h"

#include <gtest/gtest.h>

using namespace tarvik;

namespace {

// Parses `name`/`param` out of a line; returns the line afterwards and the slot.
std::pair<std::string, ValueSlot> parse(std::string line, std::string_view name,
                                        std::string_view param, ValueSlot slot = {}) {
    ParseValueToken(slot, line, name, param);
    return {line, slot};
}

ValueSlot holding(std::string value) {
    return ValueSlot{true, std::move(value)};
}

std::string replace(std::string line, std::string_view key, const ValueSlot& slot) {
    ReplaceValueToken(slot, line, key);
    return line;
}

} // namespace

TEST(ParseValueToken, TakesTheTokenOfItsParamAndDropsTheOthers) {
    auto [line, slot] = parse("{SW(945)=1}{SW(860)=2}", "SW", "860");
    EXPECT_EQ("", line);
    EXPECT_TRUE(slot.found);
    EXPECT_EQ("2", slot.value);

    // Other names stay; the scan goes on after a removed token; a later token overwrites.
    auto [mixed, last] =
        parse("a{UG(860)=4.5}b{SW(860)=5.0}{SW(860)=5.5} {OG(860)=6}", "SW", "860");
    EXPECT_EQ("a{UG(860)=4.5}b {OG(860)=6}", mixed);
    EXPECT_EQ("5.5", last.value);

    // A token for another param alone: removed, nothing stored.
    auto [other, none] = parse("x{SW(945)=1}y", "SW", "860");
    EXPECT_EQ("xy", other);
    EXPECT_FALSE(none.found);

    // Every occurrence of a taken token goes, also one standing earlier inside braces that
    // formed no token; the scan then continues with what followed.
    auto [repeated, again] = parse("{x{SW(860)=1} {SW(860)=1}{SW(860)=3}", "SW", "860");
    EXPECT_EQ("{x ", repeated);
    EXPECT_EQ("3", again.value);

    // A taken token takes its later twins with it before they are read, so the value between
    // them is the last one read; a twin hidden in braces before is not read first.
    auto [twins, between] = parse("{SW(860)=1}a{SW(860)=2}b{SW(860)=1}", "SW", "860");
    EXPECT_EQ("ab", twins);
    EXPECT_EQ("2", between.value);
    auto [nested, inner] = parse("{x{SW(860)=1}}{SW(860)=2}{SW(860)=1}", "SW", "860");
    EXPECT_EQ("{x}", nested);
    EXPECT_EQ("1", inner.value);
}

TEST(ParseValueToken, NameOnlyForm) {
    auto [line, slot] = parse("{SEL=7} {SEL(KVR)=8}", "SEL", "");
    EXPECT_EQ(" {SEL(KVR)=8}", line);
    EXPECT_EQ("7", slot.value);
    // With a param asked, the name-only form is no match.
    auto [kept, none] = parse("{SEL=7}", "SEL", "KVR");
    EXPECT_EQ("{SEL=7}", kept);
    EXPECT_FALSE(none.found);
}

TEST(ParseValueToken, LeavesWhatIsNoTokenAlone) {
    const std::vector<std::string> unchanged = {
        "{SW(860)=1",                    // "{" without "}": the scan ends
        "{ab}{SW}",                      // too short to be a token
        "{SW(860)=}",                    // empty value
        "{SW()=1}",                      // empty param
        "{SW(860=1}",                    // param without ")"
        "{S1(860)=1}",                   // name must be letters only
        "{ABCDEFGHIJKLMNOPQRST(860)=1}", // 20 letters
        "{SW(12345678901234567890)=1}",  // 20 characters of param
        "{SW(860)x=1}",
    };
    for (const auto& text : unchanged) {
        auto [line, slot] = parse(text, "SW", "860");
        EXPECT_EQ(text, line);
        EXPECT_FALSE(slot.found) << text;
    }
    auto [longest, slot] = parse("{ABCDEFGHIJKLMNOPQRS(1234567890123456789)=v}",
                                 "ABCDEFGHIJKLMNOPQRS", "1234567890123456789");
    EXPECT_EQ("", longest);
    EXPECT_EQ("v", slot.value);
    // The value is anything up to the closing brace, braces and blanks included.
    auto [odd, oddSlot] = parse("{SW(8 6)=  {x y}", "SW", "8 6");
    EXPECT_EQ("", odd);
    EXPECT_EQ("  {x y", oddSlot.value);
}

TEST(ReplaceValueToken, UsesTheValueOrTheDefault) {
    EXPECT_EQ("U=5 V", replace("U={sw,3.3} V", "{sw,", holding("5")));
    EXPECT_EQ("U=3.3 V", replace("U={sw,3.3} V", "{sw,", ValueSlot{}));
    EXPECT_EQ("", replace("{sw,-}", "{sw,", ValueSlot{}));
    // Every occurrence of the same token text, but only that text.
    EXPECT_EQ("5 5 {sw,2}", replace("{sw,1} {sw,1} {sw,2}", "{sw,", holding("5")));
    // A leading "-" goes and the rest is trimmed, for values as well as defaults.
    EXPECT_EQ("[12]", replace("[{nu,- 12 }]", "{nu,", ValueSlot{}));
    EXPECT_EQ("[15]", replace("[{nu,0}]", "{nu,", holding("-15")));
    // A key that ends with the brace itself has an empty default.
    EXPECT_EQ("U=20", replace("U={du}", "{du}", holding("20")));
    EXPECT_EQ("U=", replace("U={du}", "{du}", ValueSlot{}));
    // No closing brace, or no key: unchanged.
    EXPECT_EQ("{sw,3.3", replace("{sw,3.3", "{sw,", holding("5")));
    EXPECT_EQ("{nu,1}", replace("{nu,1}", "{sw,", holding("5")));
}

TEST(ReplaceStatement, OnlyWithAFoundValueAndTheExactPrefix) {
    std::string line = "  VALUE 1.0 ; Soll";
    EXPECT_TRUE(ReplaceStatement(line, "  VALUE ", holding("5.0")));
    EXPECT_EQ("  VALUE 5.0", line);
    std::string notFound = "  VALUE 1.0";
    EXPECT_FALSE(ReplaceStatement(notFound, "  VALUE ", ValueSlot{}));
    std::string indented = "   VALUE 1.0";
    EXPECT_FALSE(ReplaceStatement(indented, "  VALUE ", holding("5.0")));
    EXPECT_EQ("   VALUE 1.0", indented);
}
