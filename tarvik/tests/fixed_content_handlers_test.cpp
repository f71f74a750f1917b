// Single rules of the fixed-content, reset and net-test generators that the golden folders
// do not show directly: the job list the net test builds, its independence of the program's
// locale, and the ZUPA token order.

#include "module_test_support.h"

#include "tarvik/modules/nettest_handler.h"
#include "tarvik/modules/reset_handler.h"
#include "tarvik/modules/zupa_fct_handler.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <fstream>

using namespace tarvik;

using testing_support::crlf;
using testing_support::lf;
using testing_support::rewriteModule;
using testing_support::ScratchDir;

namespace {

std::string stepWithBody(std::initializer_list<std::string_view> body, std::string_view data = "") {
    std::string text = lf({"BEGINSTEP", "X_S_D", "NO", "10", "X_E_D", "X_S_D", "DATA"});
    text += std::string(data) + "\nX_E_D\nX_END\n";
    for (auto line : body) {
        text += std::string(line) + "\n";
    }
    return text + "ENDSTEP\n";
}

// Runs a net-test handler and returns it with its job list (the module is discarded).
std::vector<NettestJob> nettestJobs(int systemType, const std::string& input) {
    ScratchDir dir;
    const auto module = dir.path() / "verbindungstest.icn";
    std::ofstream(module, std::ios::binary) << input;
    CNettestHandler handler(systemType);
    EXPECT_TRUE(handler.Prepare() && handler.Open(module) && handler.Process());
    return handler.jobs().jobs();
}

} // namespace

TEST(NettestHandler, MakesOneJobPerPinNetOfItsSystemType) {
    const std::string input = stepWithBody({"  PINNETDESC7 {R(860)=12.5}Netz 7"}) +
                              stepWithBody({"  PINNETDESC7 {R(860)=99}Netz 7 nochmals",
                                            "  PINNETDESC8 {R(945)=3}{R(860)=4}Netz 8"});
    const auto jobs = nettestJobs(860, input);
    ASSERT_EQ(2u, jobs.size());
    EXPECT_EQ(7, jobs[0].pinNet);
    EXPECT_DOUBLE_EQ(12.5, jobs[0].ohms);
    EXPECT_TRUE(jobs[0].done);
    // The resistance of the system type is found also behind one of another type.
    EXPECT_EQ(8, jobs[1].pinNet);
    EXPECT_DOUBLE_EQ(4.0, jobs[1].ohms);
    EXPECT_TRUE(nettestJobs(945, stepWithBody({"  PINNETDESC7 {R(860)=12.5}Netz 7"})).empty());
}

namespace {

// Switches the C library to a German locale, building one in a scratch folder when none is
// installed (the locale sources ship with the C library). False when neither works.
bool useGermanLocale(const ScratchDir& dir) {
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr) {
        return true;
    }
    // The 8-bit character map builds in a fraction of the time of UTF-8.
    const std::string build = "localedef -i de_DE -f ISO-8859-1 '" +
                              (dir.path() / "de_DE.ISO-8859-1").string() + "' >/dev/null 2>&1";
    if (std::system(build.c_str()) != 0) {
        return false;
    }
    ::setenv("LOCPATH", dir.path().c_str(), 1);
    const bool set = std::setlocale(LC_ALL, "de_DE.ISO-8859-1") != nullptr;
    ::unsetenv("LOCPATH");
    return set;
}

} // namespace

TEST(NettestHandler, ReadsAndWritesResistancesWhateverTheLocale) {
    // The desktop program runs with the user's locale, where "12,5" is the decimal form.
    const char* previous = std::setlocale(LC_ALL, nullptr);
    const std::string saved = previous != nullptr ? previous : "C";
    ScratchDir localeDir;
    if (!useGermanLocale(localeDir)) {
        GTEST_SKIP() << "no German locale available";
    }
    char decimal[16];
    std::snprintf(decimal, sizeof decimal, "%g", 12.5);
    EXPECT_STREQ("12,5", decimal); // the locale is in effect
    const auto result = rewriteModule(std::make_unique<CNettestHandler>(860),
                                      stepWithBody({"  PINNETDESC7 {R(860)=12.5}Netz"}));
    std::setlocale(LC_ALL, saved.c_str());
    EXPECT_NE(std::string::npos, result.output.find("  PINNETOHMS7 12.5 Ohm\r\n"));
}

TEST(ZupaFctHandler, TakesTheUpperLimitOfItsSupplyWhateverTheTokenOrder) {
    const std::string input = stepWithBody({"  UPPER 9.9"}, "{OG(5VNG)=0.5}{OG(ZUPA)=0.2}") +
                              stepWithBody({"  UPPER 9.9"});
    const auto withSupply = rewriteModule(std::make_unique<CZupaFctHandler>(2), input);
    EXPECT_NE(std::string::npos, withSupply.output.find("  UPPER 0.5\r\n"));
    const auto plain = rewriteModule(std::make_unique<CZupaFctHandler>(1), input);
    EXPECT_NE(std::string::npos, plain.output.find("  UPPER 0.2\r\n"));
    // The value belongs to its step only.
    EXPECT_NE(std::string::npos, plain.output.find("  UPPER 9.9\r\n"));
    EXPECT_EQ(std::string::npos, plain.output.find("OG("));
}

TEST(ResetHandler, NamedStepInTheBodyOnlyIsNotRepeated) {
    // "{name}" counts only in the data block; a body mention changes nothing.
    std::vector<CResetInfo> list(2);
    list[0].name = "SEL860_A";
    list[1].name = "SEL860_B";
    const auto result = rewriteModule(std::make_unique<CResetHandler>(list),
                                      stepWithBody({"  REMARK {name}", "  BUSSADDRESS 0"}));
    EXPECT_EQ(crlf({"BEGINSTEP", "X_S_D", "NO", "10", "X_E_D", "X_S_D", "DATA", "", "X_E_D",
                    "X_END", "  REMARK {name}", "  BUSSADDRESS 0", "ENDSTEP"}),
              result.output);
}
