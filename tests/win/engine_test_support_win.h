#pragma once
// Helpers of the engine tests: message pumping, a loader copy, an asset module, and
// environment variables that are put back afterwards.

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/files.h"

namespace vesko {

// Runs the thread's message loop until `done` answers true or the time is up.
inline bool pumpUntil(const std::function<bool()>& done, int timeoutMs = 5000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (!done()) MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
    return true;
}

// Delivers whatever is queued now, without waiting for more.
inline void pumpPending() {
    for (int round = 0; round < 50; ++round) {
        MSG message;
        bool any = false;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            any = true;
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (!any) return;
    }
}

inline std::filesystem::path standInLoader() {
    return exeDirectory() / L"WebView2Loader.dll";
}

inline void writeBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline std::vector<std::uint8_t> readBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// The smallest pack the parser accepts: no files, no rules.
inline std::vector<std::uint8_t> minimalAssetPack() {
    const std::string index = R"({"schema":"vesko-assets-v1","files":[],"rules":[]})";
    std::vector<std::uint8_t> pack{'V', 'E', 'S', 'K', 'O', 'P', '0', '1'};
    const auto length = static_cast<std::uint32_t>(index.size());
    for (int shift = 0; shift < 32; shift += 8) pack.push_back(static_cast<std::uint8_t>(length >> shift));
    pack.insert(pack.end(), index.begin(), index.end());
    return pack;
}

// A module holding `pack` as RCDATA 101 (none when `pack` is empty), loaded as data.
// Made from a copy of the stand-in loader with the resource added.
class AssetModule {
public:
    AssetModule(const std::filesystem::path& folder, const std::vector<std::uint8_t>& pack) {
        const auto path = folder / L"assets.dll";
        std::filesystem::copy_file(standInLoader(), path, std::filesystem::copy_options::overwrite_existing);
        if (!pack.empty()) {
            HANDLE update = BeginUpdateResourceW(path.c_str(), FALSE);
            if (update == nullptr) return;
            UpdateResourceW(update, RT_RCDATA, MAKEINTRESOURCEW(101), MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL),
                            const_cast<std::uint8_t*>(pack.data()), static_cast<DWORD>(pack.size()));
            if (!EndUpdateResourceW(update, FALSE)) return;
        }
        module_ = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    }
    ~AssetModule() {
        if (module_ != nullptr) FreeLibrary(module_);
    }
    AssetModule(const AssetModule&) = delete;
    AssetModule& operator=(const AssetModule&) = delete;
    HINSTANCE get() const { return module_; }

private:
    HMODULE module_ = nullptr;
};

// Sets an environment variable for the life of the object, then restores the old state.
class ScopedVariable {
public:
    ScopedVariable(const wchar_t* name, const wchar_t* value) : name_(name) {
        wchar_t buffer[32768];
        const DWORD length = GetEnvironmentVariableW(name, buffer, 32768);
        if (length > 0) previous_ = std::wstring(buffer, length);
        SetEnvironmentVariableW(name, value);
    }
    ~ScopedVariable() { SetEnvironmentVariableW(name_.c_str(), previous_ ? previous_->c_str() : nullptr); }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    std::wstring name_;
    std::optional<std::wstring> previous_;
};

inline bool variableExists(const wchar_t* name) {
    wchar_t buffer[8];
    SetLastError(ERROR_SUCCESS);
    return GetEnvironmentVariableW(name, buffer, 8) > 0 || GetLastError() != ERROR_ENVVAR_NOT_FOUND;
}

// A hidden top-level window that engine views can live in.
class HostWindow {
public:
    HostWindow() {
        window_ = CreateWindowExW(0, L"STATIC", L"engine test host", WS_OVERLAPPEDWINDOW, 0, 0, 640, 480, nullptr,
                                  nullptr, GetModuleHandleW(nullptr), nullptr);
    }
    ~HostWindow() {
        if (window_ != nullptr) DestroyWindow(window_);
    }
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;
    HWND get() const { return window_; }

private:
    HWND window_ = nullptr;
};

}  // namespace vesko
