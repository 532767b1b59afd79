// File services against the real (Wine) file system.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>

#include "app/files.h"
#include "test_folder_win.h"

namespace vesko {
namespace {

std::string codeOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const std::runtime_error& error) {
        return error.what();
    }
    return "no error";
}

void writePlain(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string readPlain(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(ReadFileBytes, LimitIsInclusive) {
    TestFolder folder;
    const auto path = folder.path() / L"limit.bin";
    writePlain(path, std::string(8192, 'x'));
    EXPECT_EQ(readFileBytes(path, 8192).size(), 8192u);
    writePlain(path, std::string(8193, 'x'));
    EXPECT_EQ(codeOf([&] { readFileBytes(path, 8192); }), "FILE_TOO_LARGE");
}

TEST(ReadFileBytes, MissingEmptyAndExactBytes) {
    TestFolder folder;
    EXPECT_EQ(codeOf([&] { readFileBytes(folder.path() / L"absent.bin", 10); }), "FILE_NOT_FOUND");
    writePlain(folder.path() / L"empty.bin", "");
    EXPECT_TRUE(readFileBytes(folder.path() / L"empty.bin", 10).empty());
    // No text translation: CR LF and NUL come back as stored.
    writePlain(folder.path() / L"raw.bin", std::string("a\r\nb\0c\x1a", 7));
    const auto bytes = readFileBytes(folder.path() / L"raw.bin", 7);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), std::string("a\r\nb\0c\x1a", 7));
}

TEST(ReadFileBytes, FolderIsNotAFile) {
    TestFolder folder;
    EXPECT_NE(codeOf([&] { readFileBytes(folder.path(), 10); }), "no error");
}

TEST(WriteFileAtomic, CreatesMissingFoldersAndReplacesWhole) {
    TestFolder folder;
    const auto path = folder.path() / L"new" / L"deeper" / L"report.json";
    writeFileAtomic(path, std::string_view("first version, longer"));
    EXPECT_EQ(readPlain(path), "first version, longer");
    writeFileAtomic(path, std::vector<std::uint8_t>{'s', 'h', 'o', 'r', 't'});
    EXPECT_EQ(readPlain(path), "short");
    EXPECT_FALSE(std::filesystem::exists(path.wstring() + L".tmp"));
}

TEST(WriteFileAtomic, LeftOverTemporaryIsTruncated) {
    TestFolder folder;
    const auto path = folder.path() / L"prefs.json";
    writePlain(path.wstring() + L".tmp", std::string(1000, 'z'));
    writeFileAtomic(path, std::string_view("{}"));
    EXPECT_EQ(readPlain(path), "{}");
}

TEST(WriteFileAtomic, TargetHeldOpenStaysUnchangedAndTemporaryKeepsNewBytes) {
    TestFolder folder;
    const auto path = folder.path() / L"held.json";
    writePlain(path, "old");
    // Held without delete sharing: nothing may replace it.
    std::unique_ptr<void, decltype(&CloseHandle)> holder(
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                    FILE_ATTRIBUTE_NORMAL, nullptr),
        &CloseHandle);
    ASSERT_NE(holder.get(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(codeOf([&] { writeFileAtomic(path, std::string_view("new")); }), "FILE_RENAME_FAILED");
    holder.reset();
    EXPECT_EQ(readPlain(path), "old");
    EXPECT_EQ(readPlain(path.wstring() + L".tmp"), "new");
}

TEST(WriteFileAtomic, UnwritableTemporaryIsAWriteFailure) {
    TestFolder folder;
    const auto path = folder.path() / L"blocked.json";
    // A folder where the temporary file would go cannot be opened as a file.
    std::filesystem::create_directory(path.wstring() + L".tmp");
    EXPECT_EQ(codeOf([&] { writeFileAtomic(path, std::string_view("x")); }), "FILE_WRITE_FAILED");
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(DataDirectory, IsCreatedUnderLocalAppData) {
    const auto folder = dataDirectory();
    EXPECT_TRUE(std::filesystem::is_directory(folder));
    EXPECT_EQ(folder.filename(), L"Browser-Kiosk");
    EXPECT_EQ(folder.parent_path().filename(), L"VESKO");
    wchar_t expected[MAX_PATH];
    ASSERT_GT(GetEnvironmentVariableW(L"LOCALAPPDATA", expected, MAX_PATH), 0u);
    EXPECT_TRUE(std::filesystem::equivalent(folder.parent_path().parent_path(), expected));
}

TEST(UnixTimeMs, AgreesWithTheCrtClock) {
    const std::int64_t before = static_cast<std::int64_t>(std::time(nullptr)) * 1000;
    const std::int64_t now = unixTimeMs();
    EXPECT_GE(now, before);
    EXPECT_LT(now - before, 5000);
}

}  // namespace
}  // namespace vesko
