#pragma once
// Strings the engine hands out are task memory owned by the caller.

#include <windows.h>

#include <string>

namespace vesko {

// Takes the engine's string, frees it, and gives its text; null counts as empty.
inline std::wstring takeEngineString(LPWSTR raw) {
    std::wstring text = raw != nullptr ? std::wstring(raw) : std::wstring();
    CoTaskMemFree(raw);
    return text;
}

// Calls a getter such as `args->get_Uri(&out)`; the result and the text. A failing
// getter gives the empty text, and anything it still handed out is freed.
template <typename Getter>
HRESULT readEngineString(Getter&& getter, std::wstring& text) {
    LPWSTR raw = nullptr;
    const HRESULT result = getter(&raw);
    text = takeEngineString(raw);
    if (FAILED(result)) text.clear();
    return result;
}

}  // namespace vesko
