#pragma once
// UTF-8 to UTF-16 and back at the Windows calls of the Chromium backend.

#include <string>
#include <string_view>

namespace vesko::standin {

std::wstring utf8ToWide(std::string_view utf8);
std::string wideToUtf8(std::wstring_view wide);

}  // namespace vesko::standin
