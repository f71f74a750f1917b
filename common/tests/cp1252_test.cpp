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
