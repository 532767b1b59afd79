#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

namespace vesko {

// The resource that carries the asset pack in the executable: RCDATA 101.
inline constexpr WORD kAssetPackResourceId = 101;

// Copies the bytes of the asset pack resource of `module` (null: the executable itself).
// Throws ASSET_RESOURCE_MISSING when the resource is absent, cannot be locked or is empty.
// The resource holds the plain pack, so the result goes straight to parseAssetPack.
std::vector<std::uint8_t> loadAssetResource(HMODULE module);

}  // namespace vesko
