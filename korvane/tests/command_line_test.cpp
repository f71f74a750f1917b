#include "korvane/tool/command_line_info.h"

#include <gtest/gtest.h>

using namespace korvane;

using Info = CKorvaneCommandLineInfo;

TEST(KorvaneCommandLine, InterfaceOptionsInAnyCaseAndWithSlash) {
    for (const char* option : {"-I41", "/i41", "-i41", "/I41"}) {
        const Info info({option, "318"});
        EXPECT_EQ(Info::kInt41, info.options) << option;
        EXPECT_EQ("318", info.interfaceParameter);
        EXPECT_EQ(Info::kBaseAddress, info.expecting);
    }
    const Info usb({"-UsB", "1234567"});
    EXPECT_EQ(Info::kUsb860, usb.options);
    EXPECT_EQ(Info::kSerialNumber, usb.expecting);
    const Info decoder({"/d860"});
    EXPECT_EQ(Info::kUlm860, decoder.options);
    EXPECT_EQ("", decoder.interfaceParameter);
}

TEST(KorvaneCommandLine, LastInterfaceOptionWinsWithAnEmptyParameter) {
    const Info info({"-usb", "1234567", "-i41"});
    EXPECT_EQ(Info::kInt41, info.options);
    EXPECT_EQ("", info.interfaceParameter);
    const Info back({"-i41", "310", "-d860", "-usb", "77"});
    EXPECT_EQ(Info::kUsb860, back.options);
    EXPECT_EQ("77", back.interfaceParameter);
}

TEST(KorvaneCommandLine, LastPlainArgumentCounts) {
    const Info exec({"-exec", "a.txt", "b.txt"});
    EXPECT_EQ(Info::kExec, exec.options);
    EXPECT_EQ("b.txt", exec.fileName);
    const Info both({"-load", "a.txt", "-exec", "b.txt"});
    EXPECT_EQ(Info::kExec | Info::kLoad, both.options);
    EXPECT_EQ("b.txt", both.fileName);
    const Info serials({"-usb", "1", "2"});
    EXPECT_EQ("2", serials.interfaceParameter);
}

TEST(KorvaneCommandLine, FileOptionsKeepTheInterfaceParameter) {
    const Info info({"-i41", "318", "-exec", "x.txt", "y.txt"});
    EXPECT_EQ("318", info.interfaceParameter);
    EXPECT_EQ("y.txt", info.fileName);
}

TEST(KorvaneCommandLine, HelpKeepsWhatIsExpected) {
    const Info info({"-usb", "-help", "99"});
    EXPECT_EQ(Info::kUsb860 | Info::kHelp, info.options);
    EXPECT_EQ("99", info.interfaceParameter);
    EXPECT_TRUE(Info({"/?"}).has(Info::kHelp));
    EXPECT_TRUE(Info({"-HeLp"}).has(Info::kHelp));
}

TEST(KorvaneCommandLine, UnknownOptionsCancelAPendingArgumentAndStrayArgumentsAreIgnored) {
    const Info info({"stray", "-exec", "-x", "a.txt", "-", "b.txt"});
    EXPECT_EQ(Info::kExec, info.options);
    EXPECT_EQ("", info.fileName);
    EXPECT_EQ(Info::kNothing, info.expecting);
    // Framework switches such as -dde are not recognised either.
    EXPECT_EQ(0u, Info({"-dde", "-p", "x"}).options);
}

TEST(KorvaneCommandLine, SlashBeforeAnythingButAKeywordIsAnAbsolutePath) {
    const Info exec({"/EXEC", "/home/pruefung/ablauf.txt"});
    EXPECT_EQ(Info::kExec, exec.options);
    EXPECT_EQ("/home/pruefung/ablauf.txt", exec.fileName);
    const Info load({"-load", "/tmp/help"});
    EXPECT_EQ(Info::kLoad, load.options);
    EXPECT_EQ("/tmp/help", load.fileName);
    EXPECT_EQ(0u, Info({"/dde", "/p", "x"}).options);
}

TEST(KorvaneCommandLine, DoubleDashAdditionsAreUnknownToTheGrammar) {
    const Info info({"-i41", "--list", "318", "--selftest", "--yes"});
    EXPECT_TRUE(info.listInterfaces);
    EXPECT_TRUE(info.selfTest);
    EXPECT_TRUE(info.confirmSelfTest);
    EXPECT_EQ(Info::kInt41, info.options);
    EXPECT_EQ("", info.interfaceParameter);
}

TEST(KorvaneCommandLine, HelpText) {
    EXPECT_STREQ("mögliche Aufrufparameter:\n\nAuswahl einer Testsystem-Schnittstelle:\n"
                 "  -i41 [<Basis>]\t(z.B.: -i41 310)\n  -usb [<SNR>]\t(z.B.: -usb 1234567)\n\n"
                 "Auswahl einer Ablaufdatei:\n  -load <Datei>\t-> laden und Dialog anzeigen\n"
                 "  -exec <Datei>\t-> ausführen und beenden\n\n",
                 kKorvaneHelpText);
}
