#pragma once

#include <windows.h>

#include <filesystem>
#include <string>

namespace vesko {

// A fresh folder under the temporary directory, removed with everything in it.
class TestFolder {
public:
    TestFolder() {
        wchar_t base[MAX_PATH];
        GetTempPathW(MAX_PATH, base);
        // The time as well: Wine reuses process ids from run to run, and what a killed run
        // left behind (a browser profile's links to sockets that are gone) is never touched.
        path_ = std::filesystem::path(base) / (L"vesko-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                                               std::to_wstring(GetTickCount64()) + L"-" + std::to_wstring(counter()++));
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TestFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    static int& counter() {
        static int value = 0;
        return value;
    }
    std::filesystem::path path_;
};

}  // namespace vesko
