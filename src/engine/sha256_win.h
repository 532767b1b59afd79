#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace vesko {

// The SHA-256 digest of the bytes, computed by Windows CNG. Throws HASH_PROVIDER_FAILED,
// HASH_PROPERTY_FAILED, HASH_CREATE_FAILED, HASH_DATA_FAILED or HASH_FINISH_FAILED.
std::array<std::uint8_t, 32> sha256(std::span<const std::uint8_t> bytes);

}  // namespace vesko
