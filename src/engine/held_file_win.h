#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

#include "base/scoped_handles_win.h"

namespace vesko {

// A file opened for reading that nobody can change while it is held: other handles may
// read it, but writing, deleting and renaming fail until this object is gone. What is
// read through it is what stays on disk, so bytes checked now are the bytes a later
// LoadLibraryExW of the same path maps.
class HeldFile {
public:
    // Throws FILE_NOT_FOUND when the file or its folder does not exist, FILE_READ_FAILED
    // when it cannot be opened this way (a folder, no access, already open for writing).
    explicit HeldFile(const std::filesystem::path& path);

    // The whole file, read from its start; a file of exactly maxBytes is accepted, one
    // byte more throws FILE_TOO_LARGE. A short or failed read throws FILE_READ_FAILED.
    std::vector<std::uint8_t> readAll(std::uint64_t maxBytes) const;

private:
    HandleOwner handle_;
};

}  // namespace vesko
