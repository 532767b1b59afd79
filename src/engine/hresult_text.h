#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vesko {

// "0x" and the 32-bit value in lower-case hexadecimal without leading zeros: 0x80070005,
// 0x0 for S_OK. The same text appears in error codes and status lines.
std::string hresultHex(std::int32_t result);

// A failing (negative) result throws std::runtime_error "CODE 0x...", anything else
// returns. Success codes such as S_FALSE are not failures.
void ThrowIfFailed(std::int32_t result, std::string_view code);

}  // namespace vesko
