// exeDirectory as seen by a program started from different folders.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "app/files.h"
#include "app/wide_text_win.h"
#include "test_folder_win.h"

namespace vesko {
namespace {

std::wstring runProbeFrom(const std::filesystem::path& exe, const std::filesystem::path& output) {
    std::wstring commandLine = L"\"" + exe.wstring() + L"\" \"" + output.wstring() + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        return L"<not started>";
    }
    WaitForSingleObject(process.hProcess, 30000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    std::ifstream in(output, std::ios::binary);
    return toWide(std::string(std::istreambuf_iterator<char>(in), {}));
}

TEST(ExeDirectory, IsTheFolderOfThisTest) {
    wchar_t self[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
    EXPECT_EQ(exeDirectory(), std::filesystem::path(std::wstring(self, n)).parent_path());
}

TEST(ExeDirectory, ProgramAtADriveRootGetsTheRoot) {
    const auto probe = exeDirectory() / L"exe_directory_probe.exe";
    ASSERT_TRUE(std::filesystem::exists(probe));
    TestFolder folder;
    const std::filesystem::path atRoot = L"C:\\vesko_exe_directory_probe.exe";
    std::filesystem::copy_file(probe, atRoot, std::filesystem::copy_options::overwrite_existing);
    const std::wstring seen = runProbeFrom(atRoot, folder.path() / L"out.txt");
    std::filesystem::remove(atRoot);
    EXPECT_EQ(seen, L"C:\\");
}

TEST(ExeDirectory, ProgramInANestedFolderWithSpacesAndNonAscii) {
    TestFolder folder;
    const auto nested = folder.path() / L"Program Files" / L"Shqip\u00EB";
    std::filesystem::create_directories(nested);
    std::filesystem::copy_file(exeDirectory() / L"exe_directory_probe.exe", nested / L"probe.exe");
    EXPECT_EQ(runProbeFrom(nested / L"probe.exe", folder.path() / L"out.txt"), nested.wstring());
}

}  // namespace
}  // namespace vesko
