#include "app/command_line.h"

#include <gtest/gtest.h>

namespace vesko {
namespace {

TEST(CommandLine, OnlyTheExactSoleSwitchRunsTheSelfTest) {
    struct Case {
        std::vector<std::wstring> arguments;
        bool selfTest;
    };
    const Case cases[] = {
        {{L"VeskoBrowser.exe", L"--self-test"}, true},
        {{L"VeskoBrowser.exe"}, false},
        {{}, false},
        {{L"VeskoBrowser.exe", L"--self-test", L"x"}, false},
        {{L"VeskoBrowser.exe", L"x", L"--self-test"}, false},
        {{L"VeskoBrowser.exe", L"--SELF-TEST"}, false},
        {{L"VeskoBrowser.exe", L"--self-test "}, false},
        {{L"VeskoBrowser.exe", L"-self-test"}, false},
        {{L"VeskoBrowser.exe", L"/self-test"}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.arguments));
        EXPECT_EQ(isSelfTestCommandLine(c.arguments), c.selfTest);
    }
}

}  // namespace
}  // namespace vesko
