// Statement rewriting shared by the card generators.

#include "tarvik/modules/card_statements.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

std::string busAddress(std::string line, std::string_view after, int address) {
    kw::rewriteBusAddress(line, after, address);
    return line;
}

std::string renumbered(std::string line, std::string_view keyword, int number) {
    kw::renumberStatement(line, keyword, number);
    return line;
}

} // namespace

TEST(CardStatements, BusAddressLinesMatchByTheTextAfterTheKeyword) {
    EXPECT_EQ("  BUSMADDRESS 178", busAddress("  BUSMADDRESS 176", " 176", 178));
    EXPECT_EQ("  BUSSADDRESS 178", busAddress("  BUSSADDRESS 176 ; alt", " 176", 178));
    // Another card's address stays; the match is a prefix, as the templates are written.
    EXPECT_EQ("  BUSMADDRESS 17", busAddress("  BUSMADDRESS 17", " 176", 178));
    EXPECT_EQ("  BUSMADDRESS 26", busAddress("  BUSMADDRESS 240", " 24", 26));
    // " " takes any address, "" the bare keyword too.
    EXPECT_EQ("  BUSMADDRESS 58", busAddress("  BUSMADDRESS 15", " ", 58));
    EXPECT_EQ("  BUSMADDRESS", busAddress("  BUSMADDRESS", " ", 58));
    EXPECT_EQ("  BUSSADDRESS 80", busAddress("  BUSSADDRESS", "", 80));
    EXPECT_EQ(" BUSMADDRESS 176", busAddress(" BUSMADDRESS 176", "", 80));
}

TEST(CardStatements, NumberAfterTheKeyword) {
    EXPECT_EQ(3, kw::numberAfter("  HIGH H3 x", "  HIGH H"));
    EXPECT_EQ(12, kw::numberAfter("  HIGH H12", "  HIGH H"));
    EXPECT_FALSE(kw::numberAfter("  HIGH H", "  HIGH H"));
    EXPECT_FALSE(kw::numberAfter("  HIGH H 3", "  HIGH H"));
    EXPECT_FALSE(kw::numberAfter("  HIGH X3", "  HIGH H"));
    EXPECT_EQ(INT_MAX, kw::numberAfter("  HIGH H99999999999", "  HIGH H"));
}

TEST(CardStatements, RenumberKeepsTheTextAfterOneBlank) {
    EXPECT_EQ("  DWBDRIVE17 5.0", renumbered("  DWBDRIVE1 5.0", "  DWBDRIVE", 17));
    EXPECT_EQ("  DWBDRIVE2  5.0", renumbered("  DWBDRIVE16  5.0", "  DWBDRIVE", 2));
    EXPECT_EQ("  DWBDRIVE2 ", renumbered("  DWBDRIVE16", "  DWBDRIVE", 2));
}
