// The executable's resources as Windows itself reads them.
#include <gtest/gtest.h>
#include <windows.h>

#include "assets/asset_pack.h"
#include "assets/asset_resource_win.h"

#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace {

std::wstring exePath() {
    wchar_t self[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path(self, n);
    return path.substr(0, path.find_last_of(L"\\/") + 1) + VESKO_EXE_NAME;
}

struct ModuleDeleter {
    void operator()(HMODULE m) const { FreeLibrary(m); }
};
using ModuleHandle = std::unique_ptr<std::remove_pointer_t<HMODULE>, ModuleDeleter>;

ModuleHandle loadAsData() {
    return ModuleHandle(LoadLibraryExW(exePath().c_str(), nullptr,
                                       LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
}

std::string resourceText(HMODULE module, LPCWSTR type, int id) {
    HRSRC info = FindResourceW(module, MAKEINTRESOURCEW(id), type);
    if (info == nullptr) return {};
    HGLOBAL data = LoadResource(module, info);
    const auto* bytes = static_cast<const char*>(LockResource(data));
    return std::string(bytes, SizeofResource(module, info));
}

#pragma pack(push, 2)
struct GroupIconHeader {
    WORD reserved;
    WORD type;
    WORD count;
};
struct GroupIconEntry {
    BYTE width, height, colorCount, reserved;
    WORD planes, bitCount;
    DWORD bytesInRes;
    WORD id;
};
#pragma pack(pop)

TEST(Resources, IconGroupOneHoldsFourSizes) {
    auto module = loadAsData();
    ASSERT_TRUE(module);
    const std::string group = resourceText(module.get(), RT_GROUP_ICON, 1);
    ASSERT_GE(group.size(), sizeof(GroupIconHeader));
    const auto* header = reinterpret_cast<const GroupIconHeader*>(group.data());
    ASSERT_EQ(header->count, 4);
    ASSERT_EQ(group.size(), sizeof(GroupIconHeader) + 4 * sizeof(GroupIconEntry));
    const auto* entries = reinterpret_cast<const GroupIconEntry*>(group.data() + sizeof(GroupIconHeader));
    std::vector<int> sizes;
    for (int i = 0; i < 4; ++i) {
        sizes.push_back(entries[i].width == 0 ? 256 : entries[i].width);
        EXPECT_EQ(entries[i].width, entries[i].height);
        // Every image of the group must really be there.
        EXPECT_FALSE(resourceText(module.get(), RT_ICON, entries[i].id).empty());
    }
    std::sort(sizes.begin(), sizes.end());
    EXPECT_EQ(sizes, (std::vector<int>{16, 32, 48, 256}));
    // The window class will load it by id; Windows must accept it as an icon.
    EXPECT_NE(LoadIconW(module.get(), MAKEINTRESOURCEW(1)), nullptr);
}

TEST(Resources, ManifestAsksForInvokerCommonControlsAndPerMonitorV2) {
    auto module = loadAsData();
    ASSERT_TRUE(module);
    const std::string manifest = resourceText(module.get(), RT_MANIFEST, 1);
    ASSERT_FALSE(manifest.empty());
    for (const char* needle : {"level=\"asInvoker\"", "uiAccess=\"false\"",
                               "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
                               ">PerMonitorV2<", "version=\"0.1.13.0\" processorArchitecture=\"amd64\""}) {
        SCOPED_TRACE(needle);
        EXPECT_NE(manifest.find(needle), std::string::npos);
    }
}

TEST(Resources, AssetPackIsEmbeddedAsBuiltAndParses) {
    auto module = loadAsData();
    ASSERT_TRUE(module);
    const std::vector<std::uint8_t> embedded = vesko::loadAssetResource(module.get());
    std::ifstream built(VESKO_ASSET_PACK_PATH, std::ios::binary);
    ASSERT_TRUE(built.is_open()) << VESKO_ASSET_PACK_PATH;
    const std::vector<std::uint8_t> expected{std::istreambuf_iterator<char>(built), {}};
    EXPECT_EQ(embedded, expected);
    const vesko::AssetPack pack = vesko::parseAssetPack(embedded);
    EXPECT_GT(pack.fileCount, 0u);
    EXPECT_FALSE(vesko::zoneDiagnosticScript(pack).empty());
}

std::wstring versionString(const std::vector<BYTE>& block, const wchar_t* name) {
    const std::wstring key = std::wstring(L"\\StringFileInfo\\040904b0\\") + name;
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block.data(), key.c_str(), &value, &length) || length == 0) return {};
    return std::wstring(static_cast<const wchar_t*>(value), length - 1);
}

TEST(Resources, VersionBlockNamesTheProduct) {
    const std::wstring path = exePath();
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> block(size);
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, block.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedLength = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &fixedLength));
    EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(1, 0));
    EXPECT_EQ(fixed->dwFileVersionLS, MAKELONG(0, 13));
    EXPECT_EQ(fixed->dwProductVersionMS, MAKELONG(1, 0));
    EXPECT_EQ(fixed->dwProductVersionLS, MAKELONG(0, 13));

    struct Expected {
        const wchar_t* name;
        const wchar_t* value;
    };
    static constexpr Expected kStrings[] = {
        {L"CompanyName", L"VESKO"},
        {L"ProductName", L"Vesko Browser"},
        {L"FileDescription", L"Vesko Browser Prototype"},
        {L"FileVersion", L"0.1.13-test"},
        {L"OriginalFilename", L"VeskoBrowser-Kiosk.exe"},
    };
    for (const auto& s : kStrings) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(s.name)));
        EXPECT_EQ(versionString(block, s.name), s.value);
    }

    DWORD* translation = nullptr;
    UINT translationLength = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation",
                               reinterpret_cast<void**>(&translation), &translationLength));
    ASSERT_EQ(translationLength, 4u);
    EXPECT_EQ(LOWORD(*translation), 0x0409);
    EXPECT_EQ(HIWORD(*translation), 1200);
}

}  // namespace
