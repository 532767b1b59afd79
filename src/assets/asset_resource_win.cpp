#include "assets/asset_resource_win.h"

#include <stdexcept>

namespace vesko {

std::vector<std::uint8_t> loadAssetResource(HMODULE module) {
    // Resources are mapped with the module and need no freeing; LoadResource and
    // LockResource only hand out a pointer into that mapping.
    const HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(kAssetPackResourceId), RT_RCDATA);
    if (resource == nullptr) throw std::runtime_error("ASSET_RESOURCE_MISSING");
    const HGLOBAL loaded = LoadResource(module, resource);
    if (loaded == nullptr) throw std::runtime_error("ASSET_RESOURCE_MISSING");
    const void* data = LockResource(loaded);
    const DWORD size = SizeofResource(module, resource);
    if (data == nullptr || size == 0) throw std::runtime_error("ASSET_RESOURCE_MISSING");
    const auto* first = static_cast<const std::uint8_t*>(data);
    return std::vector<std::uint8_t>(first, first + size);
}

}  // namespace vesko
