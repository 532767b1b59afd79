#include "ui/system_appearance_win.h"

#include <windows.h>

#include "ui/text_scale.h"

namespace vesko {
namespace {

Color systemColor(int index) {
    const COLORREF c = GetSysColor(index);
    return Color{GetRValue(c), GetGValue(c), GetBValue(c)};
}

bool runningUnderWine() {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// The setting as Windows stores it for the user (HCF_HIGHCONTRASTON in the "Flags" text).
bool storedHighContrastFlag() {
    wchar_t flags[16]{};
    DWORD size = sizeof(flags);
    if (RegGetValueW(HKEY_CURRENT_USER, L"Control Panel\\Accessibility\\HighContrast", L"Flags", RRF_RT_REG_SZ,
                     nullptr, flags, &size) != ERROR_SUCCESS) {
        return false;
    }
    return (wcstoul(flags, nullptr, 10) & HCF_HIGHCONTRASTON) != 0;
}

}  // namespace

bool highContrastOn() {
    HIGHCONTRASTW contrast{};
    contrast.cbSize = sizeof(contrast);
    if (SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(contrast), &contrast, 0) &&
        (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0) {
        return true;
    }
    // Wine 8 always answers "off" here and cannot switch the setting on, so under Wine
    // the user's stored setting stands in for it. Windows keeps the two in step itself.
    return runningUnderWine() && storedHighContrastFlag();
}

FramePalette systemFramePalette() {
    if (!highContrastOn()) return normalPalette();
    return highContrastPalette(SystemColors{
        systemColor(COLOR_WINDOW), systemColor(COLOR_WINDOWTEXT), systemColor(COLOR_HIGHLIGHT),
        systemColor(COLOR_HIGHLIGHTTEXT), systemColor(COLOR_BTNFACE), systemColor(COLOR_BTNTEXT),
        systemColor(COLOR_GRAYTEXT)});
}

double systemTextScale() {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) return 1.0;
    // The metrics come at the system's DPI for a DPI-aware process.
    using GetDpiForSystemFn = UINT(WINAPI*)();
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    const auto forSystem = user32 == nullptr ? nullptr
                                             : reinterpret_cast<GetDpiForSystemFn>(
                                                   reinterpret_cast<void*>(GetProcAddress(user32, "GetDpiForSystem")));
    UINT dpi = forSystem != nullptr ? forSystem() : 0;
    if (dpi == 0) {
        HDC screen = GetDC(nullptr);
        dpi = screen != nullptr ? static_cast<UINT>(GetDeviceCaps(screen, LOGPIXELSY)) : 96;
        if (screen != nullptr) ReleaseDC(nullptr, screen);
    }
    return textScaleForMessageFont(static_cast<int>(metrics.lfMessageFont.lfHeight), dpi);
}

}  // namespace vesko
