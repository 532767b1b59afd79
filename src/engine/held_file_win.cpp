#include "engine/held_file_win.h"

#include <windows.h>

#include <algorithm>
#include <stdexcept>

namespace vesko {

HeldFile::HeldFile(const std::filesystem::path& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_NAME) {
            throw std::runtime_error("FILE_NOT_FOUND");
        }
        throw std::runtime_error("FILE_READ_FAILED");
    }
    handle_.reset(file);
}

std::vector<std::uint8_t> HeldFile::readAll(std::uint64_t maxBytes) const {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(handle_.get(), &size) || size.QuadPart < 0) throw std::runtime_error("FILE_READ_FAILED");
    if (static_cast<std::uint64_t>(size.QuadPart) > maxBytes) throw std::runtime_error("FILE_TOO_LARGE");

    LARGE_INTEGER start{};
    if (!SetFilePointerEx(handle_.get(), start, nullptr, FILE_BEGIN)) throw std::runtime_error("FILE_READ_FAILED");
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size.QuadPart));
    std::size_t done = 0;
    while (done < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
        DWORD got = 0;
        if (!ReadFile(handle_.get(), bytes.data() + done, chunk, &got, nullptr) || got == 0) {
            throw std::runtime_error("FILE_READ_FAILED");
        }
        done += got;
    }
    return bytes;
}

}  // namespace vesko
