#include "engine/hresult_text.h"

#include <stdexcept>

namespace vesko {

std::string hresultHex(std::int32_t result) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::uint32_t value = static_cast<std::uint32_t>(result);
    std::string reversed;
    do {
        reversed.push_back(kDigits[value & 0xfu]);
        value >>= 4;
    } while (value != 0);
    return "0x" + std::string(reversed.rbegin(), reversed.rend());
}

void ThrowIfFailed(std::int32_t result, std::string_view code) {
    if (result >= 0) return;
    throw std::runtime_error(std::string(code) + " " + hresultHex(result));
}

}  // namespace vesko
