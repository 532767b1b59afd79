// The process's command line, the program folder and the preferences file.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/command_line.h"
#include "base/path_rules.h"
#include "ui/preferences.h"

namespace vesko {
namespace {

TEST(CommandLine, OnlyTheExactSoleSwitchRunsTheSelfTest) {
    const struct { std::vector<std::wstring> arguments; bool selfTest; } cases[] = {
        {{L"VeskoBrowser-Kiosk.exe", L"--self-test"}, true}, {{L"VeskoBrowser-Kiosk.exe"}, false},
        {{L"VeskoBrowser-Kiosk.exe", L"--self-test", L"x"}, false}, {{L"VeskoBrowser-Kiosk.exe", L"--SELF-TEST"}, false},
    };
    for (const auto& c : cases) EXPECT_EQ(isSelfTestCommandLine(c.arguments), c.selfTest) << c.arguments.size();
}

struct PathCase { const wchar_t* input; const wchar_t* parent; };

static constexpr PathCase kPathCases[] = {
    {L"C:\\Program Files\\App\\app.exe", L"C:\\Program Files\\App"}, {L"C:/dir//app.exe", L"C:/dir"},
    // The root is never removed.
    {L"D:\\app.exe", L"D:\\"}, {L"D:\\", L"D:\\"}, {L"D:app.exe", L"D:"}, {L"\\app.exe", L"\\"},
    // Network shares and extended-length or device forms keep their whole root.
    {L"\\\\server\\share\\app.exe", L"\\\\server\\share\\"}, {L"\\\\?\\C:\\app.exe", L"\\\\?\\C:\\"},
    {L"\\\\?\\UNC\\server\\share\\app.exe", L"\\\\?\\UNC\\server\\share\\"},
    {L"\\\\.\\UNC\\server\\share\\app.exe", L"\\\\.\\UNC\\server\\share\\"},
    // Relative names.
    {L"dir\\app.exe", L"dir"}, {L"app.exe", L""},
};

TEST(PathRules, ParentDirectoryOf) {
    for (const auto& c : kPathCases) EXPECT_EQ(parentDirectoryOf(c.input), c.parent) << testing::PrintToString(c.input);
}

struct PreferencesCase { std::string_view text; bool warnOnClose; };

static constexpr PreferencesCase kPreferencesCases[] = {
    // Usable documents, as written or by hand.
    {"{\n  \"warnOnClose\": false\n}\n", false},
    {R"({"warnOnClose": true})", true},
    {R"({"theme": "dark", "warnOnClose": false, "x": [1, {"y": null}]})", false},
    {"\xEF\xBB\xBF{\"warnOnClose\": false}", false},
    {R"({"other": false})", true},
    // Not a JSON boolean, not an object, not strict JSON: the warning stays on.
    {R"({"warnOnClose": 0})", true},
    {R"({"warnOnClose": "false"})", true},
    {"[false]", true}, {"", true},
    {"// off\n{\"warnOnClose\": false}", true},
    {R"({"warnOnClose": fal)", true},
};

bool warnOnCloseRead(std::string_view text) {
    return parsePreferences(std::vector<std::uint8_t>(text.begin(), text.end())).warnOnClose;
}

TEST(Preferences, ReadAndWritten) {
    for (const auto& c : kPreferencesCases) EXPECT_EQ(warnOnCloseRead(c.text), c.warnOnClose) << c.text;
    // 8192 bytes at most.
    std::string text = R"({"warnOnClose": false})";
    text.append(8192 - text.size(), ' ');
    EXPECT_FALSE(warnOnCloseRead(text));
    EXPECT_TRUE(warnOnCloseRead(text + " "));
    EXPECT_EQ(serializePreferences({true}), "{\n  \"warnOnClose\": true\n}\n");
    EXPECT_EQ(serializePreferences({false}), "{\n  \"warnOnClose\": false\n}\n");
}

}  // namespace
}  // namespace vesko
