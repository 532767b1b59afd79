// The program against the (Wine) system itself: file services, the executable's folder,
// its resources as Windows reads them, and the self-test mode.
#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>

#include "base/files.h"
#include "assets/asset_resource_win.h"
#include "selftest/self_test_win.h"
#include "win_test_support.h"

namespace vesko {
namespace {

TEST(Files, ReadingIsExactAndLimited) {
    TestFolder folder;
    const auto path = folder.path / L"limit.bin";
    writeText(path, std::string(8192, 'x'));
    EXPECT_EQ(readFileBytes(path, 8192).size(), 8192u);
    writeText(path, std::string(8193, 'x'));
    EXPECT_EQ(errorOf([&] { readFileBytes(path, 8192); }), "FILE_TOO_LARGE");
    EXPECT_EQ(errorOf([&] { readFileBytes(folder.path / L"absent.bin", 10); }), "FILE_NOT_FOUND");
    EXPECT_NE(errorOf([&] { readFileBytes(folder.path, 10); }), "no error");
    // No text translation: CR LF and NUL come back as stored.
    writeText(path, std::string("a\r\nb\0c\x1a", 7));
    EXPECT_EQ(readFileBytes(path, 7), (std::vector<std::uint8_t>{'a', '\r', '\n', 'b', 0, 'c', 0x1a}));
}

TEST(Files, WritingReplacesTheWholeFileOrLeavesItAlone) {
    TestFolder folder;
    const auto path = folder.path / L"new/deeper/report.json";
    writeFileAtomic(path, std::string_view("first version, longer"));
    writeText(path.wstring() + L".tmp", std::string(1000, 'z'));  // left over from a crash
    writeFileAtomic(path, std::vector<std::uint8_t>{'s', 'h', 'o', 'r', 't'});
    EXPECT_EQ(readText(path), "short");
    EXPECT_FALSE(std::filesystem::exists(path.wstring() + L".tmp"));

    // Held open without delete sharing: nothing may replace it; the new bytes stay beside it.
    HANDLE holder = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_EQ(errorOf([&] { writeFileAtomic(path, std::string_view("new")); }), "FILE_RENAME_FAILED");
    CloseHandle(holder);
    EXPECT_EQ(readText(path), "short");
    EXPECT_EQ(readText(path.wstring() + L".tmp"), "new");

    // A folder where the temporary file would go cannot be opened as a file.
    const auto blocked = folder.path / L"blocked.json";
    std::filesystem::create_directory(blocked.wstring() + L".tmp");
    EXPECT_EQ(errorOf([&] { writeFileAtomic(blocked, std::string_view("x")); }), "FILE_WRITE_FAILED");
    EXPECT_FALSE(std::filesystem::exists(blocked));
}

TEST(Files, DataFolderAndClock) {
    const auto folder = dataDirectory();
    EXPECT_TRUE(std::filesystem::is_directory(folder));
    wchar_t local[MAX_PATH];
    ASSERT_GT(GetEnvironmentVariableW(L"LOCALAPPDATA", local, MAX_PATH), 0u);
    EXPECT_TRUE(std::filesystem::equivalent(folder, std::filesystem::path(local) / L"VESKO/Browser-Kiosk"));
    const std::int64_t before = static_cast<std::int64_t>(std::time(nullptr)) * 1000;
    EXPECT_GE(unixTimeMs(), before);
    EXPECT_LT(unixTimeMs() - before, 5000);
}

std::wstring runProbeFrom(const std::filesystem::path& exe, const std::filesystem::path& output) {
    std::wstring commandLine = L"\"" + exe.wstring() + L"\" \"" + output.wstring() + L"\"";
    STARTUPINFOW startup{sizeof(startup)};
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        return L"<not started>";
    }
    WaitForSingleObject(process.hProcess, 30000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return toWide(readText(output));
}

TEST(ExeDirectory, FolderOfTheProgramWhereverItIs) {
    const auto probe = exeDirectory() / L"exe_directory_probe.exe";
    TestFolder folder;
    const auto nested = folder.path / L"Program Files" / L"Shqip\u00EB";
    std::filesystem::create_directories(nested);
    std::filesystem::copy_file(probe, nested / L"probe.exe");
    EXPECT_EQ(runProbeFrom(nested / L"probe.exe", folder.path / L"nested.txt"), nested.wstring());
    const std::filesystem::path atRoot = L"C:\\vesko_exe_directory_probe.exe";
    std::filesystem::copy_file(probe, atRoot, std::filesystem::copy_options::overwrite_existing);
    EXPECT_EQ(runProbeFrom(atRoot, folder.path / L"root.txt"), L"C:\\");
    std::filesystem::remove(atRoot);
}

std::string resourceText(HMODULE module, LPCWSTR type, int id) {
    HRSRC info = FindResourceW(module, MAKEINTRESOURCEW(id), type);
    if (info == nullptr) return {};
    const auto* bytes = static_cast<const char*>(LockResource(LoadResource(module, info)));
    return std::string(bytes, SizeofResource(module, info));
}

#pragma pack(push, 2)
struct GroupIconEntry {
    BYTE width, height, colorCount, reserved;
    WORD planes, bitCount;
    DWORD bytesInRes;
    WORD id;
};
#pragma pack(pop)

TEST(Resources, IconManifestAndAssetPackAsWindowsReadsThem) {
    const auto exe = exeDirectory() / VESKO_EXE_NAME;
    const std::unique_ptr<std::remove_pointer_t<HMODULE>, decltype(&FreeLibrary)> module(
        LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE), &FreeLibrary);
    ASSERT_TRUE(module);
    // Icon group 1: a 6-byte header, then four images of the sizes a shell asks for.
    const std::string group = resourceText(module.get(), RT_GROUP_ICON, 1);
    ASSERT_EQ(group.size(), 6 + 4 * sizeof(GroupIconEntry));
    std::vector<int> sizes;
    for (int i = 0; i < 4; ++i) {
        const auto* entry = reinterpret_cast<const GroupIconEntry*>(group.data() + 6) + i;
        sizes.push_back(entry->width == 0 ? 256 : entry->width);
        EXPECT_FALSE(resourceText(module.get(), RT_ICON, entry->id).empty());
    }
    std::sort(sizes.begin(), sizes.end());
    EXPECT_EQ(sizes, (std::vector<int>{16, 32, 48, 256}));
    EXPECT_NE(LoadIconW(module.get(), MAKEINTRESOURCEW(1)), nullptr);

    const std::string manifest = resourceText(module.get(), RT_MANIFEST, 1);
    for (const char* needle : {"level=\"asInvoker\"", "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
                               ">PerMonitorV2<", "processorArchitecture=\"amd64\""}) {
        EXPECT_NE(manifest.find(needle), std::string::npos) << needle;
    }
    EXPECT_EQ(loadAssetResource(module.get()), readBytes(VESKO_ASSET_PACK_PATH));
}

TEST(Resources, VersionBlockNamesTheProduct) {
    const std::wstring path = (exeDirectory() / VESKO_EXE_NAME).wstring();
    DWORD ignored = 0;
    std::vector<BYTE> block(GetFileVersionInfoSizeW(path.c_str(), &ignored));
    ASSERT_FALSE(block.empty());
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(block.size()), block.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(1, 0));
    EXPECT_EQ(fixed->dwFileVersionLS, MAKELONG(0, 13));
    static constexpr std::pair<const wchar_t*, const wchar_t*> kStrings[] = {
        {L"ProductName", L"Vesko Browser"},
        {L"FileVersion", L"0.1.13-test"},
        {L"OriginalFilename", L"VeskoBrowser-Kiosk.exe"},
    };
    for (const auto& [name, expected] : kStrings) {
        wchar_t* value = nullptr;
        const std::wstring key = std::wstring(L"\\StringFileInfo\\040904b0\\") + name;
        EXPECT_TRUE(VerQueryValueW(block.data(), key.c_str(), reinterpret_cast<void**>(&value), &length));
        EXPECT_EQ(std::wstring(value != nullptr ? value : L""), expected);
    }
    DWORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation),
                               &length));
    EXPECT_EQ(*translation, MAKELONG(0x0409, 1200));
}

TEST(SelfTestMode, ReplacesTheReportBesideTheExecutableAndSaysSo) {
    const auto reportPath = exeDirectory() / L"Vesko_self_test.json";
    writeText(reportPath, "stale report that must be replaced entirely, not patched, and is much longer than it");
    std::vector<SelfTestMessage> shown;
    EXPECT_EQ(runSelfTest([&](const SelfTestMessage& m) { shown.push_back(m); }), 0);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_TRUE(shown[0].passed);
    EXPECT_EQ(shown[0].caption, L"Vesko Browser \u00B7 Self test");
    EXPECT_EQ(shown[0].text, L"Kontrollet kriptografike kaluan. Rezultati: Vesko_self_test.json.");
    const std::string written = readText(reportPath);
    EXPECT_TRUE(written.starts_with("{\n  \"product\": \"vesko-browser\",")) << written;
    EXPECT_TRUE(written.ends_with("\n  \"pass\": true\n}\n")) << written;
    std::filesystem::remove(reportPath);
}

}  // namespace
}  // namespace vesko
