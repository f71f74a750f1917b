#include "common/text/cp1252.h"

#include <gtest/gtest.h>

using kw::cp1252ToUtf8;
using kw::utf8ToCp1252;

TEST(Cp1252, EveryByteSurvivesTheRoundTrip) {
    std::string all;
    for (int b = 0; b < 256; ++b) {
        all += static_cast<char>(b);
    }
    const std::string utf8 = cp1252ToUtf8(all);
    EXPECT_EQ(all, utf8ToCp1252(utf8));
}

TEST(Cp1252, GermanTextsAndTheHighRange) {
    EXPECT_EQ("Kan\xE4le \xFC\xDF", utf8ToCp1252("Kanäle üß"));
    EXPECT_EQ("Kanäle üß", cp1252ToUtf8("Kan\xE4le \xFC\xDF"));
    EXPECT_EQ("€ „Test“ –", cp1252ToUtf8("\x80 \x84Test\x93 \x96"));
    EXPECT_EQ("\x80\x9F", utf8ToCp1252("€Ÿ"));
}

TEST(Cp1252, UnrepresentableAndMalformedBecomeQuestionMarks) {
    EXPECT_EQ("a?b", utf8ToCp1252("a\xE2\x88\x9E"
                                  "b")); // U+221E infinity
    EXPECT_EQ("?", utf8ToCp1252("\xF0\x9F\x98\x80"));   // emoji
    EXPECT_EQ("?x", utf8ToCp1252("\xC3x"));              // truncated sequence
    EXPECT_EQ("??", utf8ToCp1252("\xC0\xAF"));           // overlong "/"
    EXPECT_EQ("???", utf8ToCp1252("\xED\xA0\x80"));      // UTF-16 surrogate
    EXPECT_EQ("?", utf8ToCp1252("\x80"));                // stray continuation byte
}

// The 27 bytes 0x80 ... 0x9F that Windows-1252 assigns, with their characters, both ways.
TEST(Cp1252, EveryAssignedByteOfTheHighControlRange) {
    struct Row {
        char byte;
        const char* utf8;
    };
    const Row rows[] = {
        {'\x80', "€"}, {'\x82', "‚"}, {'\x83', "ƒ"}, {'\x84', "„"}, {'\x85', "…"}, {'\x86', "†"},
        {'\x87', "‡"}, {'\x88', "ˆ"}, {'\x89', "‰"}, {'\x8A', "Š"}, {'\x8B', "‹"}, {'\x8C', "Œ"},
        {'\x8E', "Ž"}, {'\x91', "‘"}, {'\x92', "’"}, {'\x93', "“"}, {'\x94', "”"}, {'\x95', "•"},
        {'\x96', "–"}, {'\x97', "—"}, {'\x98', "˜"}, {'\x99', "™"}, {'\x9A', "š"}, {'\x9B', "›"},
        {'\x9C', "œ"}, {'\x9E', "ž"}, {'\x9F', "Ÿ"},
    };
    static_assert(std::size(rows) == 27);
    for (const Row& row : rows) {
        const std::string byte(1, row.byte);
        EXPECT_EQ(row.utf8, cp1252ToUtf8(byte)) << std::hex << (row.byte & 0xFF);
        EXPECT_EQ(byte, utf8ToCp1252(row.utf8)) << row.utf8;
    }
}
