#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

namespace vesko::pack {

// The whole file; throws std::runtime_error naming the path when it cannot be read.
std::vector<std::uint8_t> readFileBytes(const std::filesystem::path& path);

// Writes beside the target and renames over it, so a reader never sees half a pack.
void writeFileAtomically(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);

}  // namespace vesko::pack
