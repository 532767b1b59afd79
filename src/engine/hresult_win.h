#pragma once

#include <windows.h>

#include <string>

#include "base/wide_text_win.h"
#include "engine/hresult_text.h"

namespace vesko {

// The "0x..." text of a result for status lines, as ThrowIfFailed writes it in codes.
inline std::wstring formatHresult(HRESULT result) {
    return toWide(hresultHex(result));
}

}  // namespace vesko
