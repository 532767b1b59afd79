#include "chromium/wine_paths.h"

#include <windows.h>

#include <algorithm>

#include "base/wide_text_win.h"

namespace vesko::standin {
namespace {

// Wine's own conversions, exported by its kernel32; absent on Windows. Both return a
// buffer from the process heap.
using DosFileNameFunction = LPWSTR(CDECL*)(LPCSTR);
using UnixFileNameFunction = LPSTR(CDECL*)(LPCWSTR);

template <typename Function>
Function wineFunction(const char* name) {
    const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    if (kernel == nullptr) return nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(kernel, name)));
}

}  // namespace

std::wstring dosPathOf(std::string_view linuxPath) {
    const std::string terminated(linuxPath);
    if (const auto convert = wineFunction<DosFileNameFunction>("wine_get_dos_file_name")) {
        if (LPWSTR converted = convert(terminated.c_str())) {
            std::wstring path = converted;
            HeapFree(GetProcessHeap(), 0, converted);
            return path;
        }
    }
    std::wstring path = L"Z:" + toWide(linuxPath);
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
}

std::string linuxPathOf(const std::filesystem::path& windowsPath) {
    const std::wstring absolute = std::filesystem::absolute(windowsPath).wstring();
    if (const auto convert = wineFunction<UnixFileNameFunction>("wine_get_unix_file_name")) {
        if (LPSTR converted = convert(absolute.c_str())) {
            std::string path = converted;
            HeapFree(GetProcessHeap(), 0, converted);
            return path;
        }
    }
    return toUtf8(absolute);
}

}  // namespace vesko::standin
