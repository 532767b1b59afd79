#include "app/path_rules.h"

#include <gtest/gtest.h>

namespace vesko {
namespace {

struct Case {
    const wchar_t* input;
    const wchar_t* parent;
};

static constexpr Case kParentCases[] = {
    // Ordinary program folders.
    {L"C:\\Program Files\\App\\app.exe", L"C:\\Program Files\\App"},
    {L"C:/Program Files/App/app.exe", L"C:/Program Files/App"},
    {L"C:\\dir\\\\app.exe", L"C:\\dir"},
    // The root is never removed.
    {L"D:\\app.exe", L"D:\\"},
    {L"D:/app.exe", L"D:/"},
    {L"D:\\", L"D:\\"},
    {L"D:app.exe", L"D:"},
    {L"\\app.exe", L"\\"},
    // Network shares and extended-length forms keep their whole root.
    {L"\\\\server\\share\\app.exe", L"\\\\server\\share\\"},
    {L"\\\\server\\share\\dir\\app.exe", L"\\\\server\\share\\dir"},
    {L"\\\\?\\C:\\dir\\app.exe", L"\\\\?\\C:\\dir"},
    {L"\\\\?\\C:\\app.exe", L"\\\\?\\C:\\"},
    {L"\\\\?\\UNC\\server\\share\\app.exe", L"\\\\?\\UNC\\server\\share\\"},
    // Relative names have no folder left.
    {L"app.exe", L""},
    {L"dir\\app.exe", L"dir"},
    {L"", L""},
};

TEST(PathRules, ParentDirectoryOf) {
    for (const auto& c : kParentCases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.input)));
        EXPECT_EQ(parentDirectoryOf(c.input), c.parent);
    }
}

TEST(PathRules, ParentOfParentStopsAtRoot) {
    std::wstring path = L"C:\\a\\b\\c.exe";
    for (int i = 0; i < 5; ++i) path = parentDirectoryOf(path);
    EXPECT_EQ(path, L"C:\\");
}

}  // namespace
}  // namespace vesko
