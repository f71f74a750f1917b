#include "common/devices/usb_adapter_ids.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <fstream>
#include <unistd.h>

namespace {

using Ids = std::vector<kw::UsbId>;
using Words = std::vector<std::string>;

// Sets or unsets a variable for one scope.
class Variable {
public:
    Variable(const char* name, const char* value) : m_name(name) {
        if (const char* old = std::getenv(name)) {
            m_old = old;
        }
        value ? setenv(name, value, 1) : unsetenv(name);
    }
    ~Variable() { m_old ? setenv(m_name, m_old->c_str(), 1) : unsetenv(m_name); }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

} // namespace

TEST(UsbAdapterIds, LinesCommentsAndListsAreRead) {
    struct Row {
        const char* text;
        Ids ids;
        Words rejected;
    };
    const Row rows[] = {
        {"# USB860\n0b1e:0860\r\n\n  0B1E:0861   # second\n",
         {{0x0b1e, 0x0860}, {0x0b1e, 0x0861}},
         {}},
        {"0b1e:0860, 1234:abcd;0b1e:0860", {{0x0b1e, 0x0860}, {0x1234, 0xabcd}}, {}},
        {"0b1e 0860\n0b1e:08601\n:0860\n0x0b:0860\nzz:0860",
         {},
         {"0b1e", "0860", "0b1e:08601", ":0860", "0x0b:0860", "zz:0860"}},
        {"#0b1e:0860\n", {}, {}},
    };
    for (const Row& row : rows) {
        Words rejected;
        EXPECT_EQ(kw::parseUsbIds(row.text, &rejected), row.ids) << row.text;
        EXPECT_EQ(rejected, row.rejected) << row.text;
    }
}

TEST(UsbAdapterIds, TheVariableReplacesTheFilesWhichAreJoined) {
    const auto home =
        std::filesystem::temp_directory_path() / ("kw-ids-" + std::to_string(getpid()));
    std::filesystem::create_directories(home / "kontrollwerk");
    std::ofstream(home / "kontrollwerk" / kw::kUsbIdsFileName) << "abcd:0001\n";
    const Variable config("XDG_CONFIG_HOME", home.c_str());
    EXPECT_EQ(kw::userUsbIdsFile(), home / "kontrollwerk" / kw::kUsbIdsFileName);
    {
        const Variable unset(kw::kUsbIdsVariable, nullptr);
        const Ids ids = kw::configuredUsbIds(); // the system file may add its own
        EXPECT_NE(std::find(ids.begin(), ids.end(), kw::UsbId{0xabcd, 0x0001}), ids.end());
    }
    {
        const Variable empty(kw::kUsbIdsVariable, "");
        EXPECT_EQ(kw::configuredUsbIds(), Ids{});
    }
    const Variable set(kw::kUsbIdsVariable, "0b1e:0860");
    EXPECT_EQ(kw::configuredUsbIds(), (Ids{{0x0b1e, 0x0860}}));
    EXPECT_EQ(kw::usbIdText({0x0b1e, 0x0860}), "0b1e:0860");
    std::filesystem::remove_all(home);
}
