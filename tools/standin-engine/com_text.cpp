// Text at the COM boundary: task memory for the host, result codes as text.
#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "com_support.h"

namespace vesko::standin {

HRESULT copyToTaskMemory(std::wstring_view text, LPWSTR* out) {
    if (out == nullptr) return E_POINTER;
    auto* copy = static_cast<wchar_t*>(CoTaskMemAlloc((text.size() + 1) * sizeof(wchar_t)));
    if (copy == nullptr) {
        *out = nullptr;
        return E_OUTOFMEMORY;
    }
    std::copy(text.begin(), text.end(), copy);
    copy[text.size()] = L'\0';
    *out = copy;
    return S_OK;
}

std::string hexResult(HRESULT result) {
    char text[16];
    std::snprintf(text, sizeof(text), "0x%08lx", static_cast<unsigned long>(static_cast<std::uint32_t>(result)));
    return text;
}

}  // namespace vesko::standin
