#include "base/files.h"

#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>

#include "base/path_rules.h"
#include "base/scoped_handles_win.h"

namespace vesko {
namespace {

void writeAll(HANDLE file, const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
        DWORD written = 0;
        if (!WriteFile(file, data, chunk, &written, nullptr) || written != chunk) {
            throw std::runtime_error("FILE_WRITE_FAILED");
        }
        data += written;
        size -= written;
    }
}

void writeBytesAtomic(const std::filesystem::path& path, const std::uint8_t* data, std::size_t size) {
    if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path());
    const std::wstring temp = path.wstring() + L".tmp";
    {
        HandleOwner file(CreateFileW(temp.c_str(), GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file.get() == INVALID_HANDLE_VALUE) throw std::runtime_error("FILE_WRITE_FAILED");
        writeAll(file.get(), data, size);
        // Without this a power loss after the rename can leave an empty or partial target.
        if (!FlushFileBuffers(file.get())) throw std::runtime_error("FILE_WRITE_FAILED");
    }
    if (!MoveFileExW(temp.c_str(), path.wstring().c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        throw std::runtime_error("FILE_RENAME_FAILED");
    }
}

}  // namespace

std::filesystem::path dataDirectory() {
    wchar_t* raw = nullptr;
    const HRESULT hr = SHGetKnownFolderPath(FOLDERID_LocalAppData, KF_FLAG_CREATE, nullptr, &raw);
    TaskMemText owned(raw);
    if (FAILED(hr)) throw std::runtime_error("DATA_DIRECTORY_FAILED");
    std::filesystem::path folder(owned ? std::wstring(owned.get()) : std::wstring());
    folder /= L"VESKO";
    folder /= L"Browser-Kiosk";
    std::filesystem::create_directories(folder);
    return folder;
}

std::filesystem::path exeDirectory() {
    constexpr DWORD kCapacity = 32768;
    std::wstring buffer(kCapacity, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), kCapacity);
    if (length == 0 || length >= kCapacity) throw std::runtime_error("EXE_PATH_FAILED");
    buffer.resize(length);
    return std::filesystem::path(parentDirectoryOf(buffer));
}

std::vector<std::uint8_t> readFileBytes(const std::filesystem::path& path, std::uint64_t maxBytes) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in.is_open()) throw std::runtime_error("FILE_NOT_FOUND");
    const std::streamoff end = in.tellg();
    if (end < 0 || static_cast<std::uint64_t>(end) > maxBytes) throw std::runtime_error("FILE_TOO_LARGE");
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(end));
    if (bytes.empty()) return bytes;
    in.seekg(0, std::ios::beg);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!in || in.gcount() != static_cast<std::streamsize>(bytes.size())) {
        throw std::runtime_error("FILE_READ_FAILED");
    }
    return bytes;
}

void writeFileAtomic(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    writeBytesAtomic(path, bytes.data(), bytes.size());
}

void writeFileAtomic(const std::filesystem::path& path, std::string_view bytes) {
    writeBytesAtomic(path, reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

std::int64_t unixTimeMs() {
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    const std::uint64_t ticks = (static_cast<std::uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    return unixMsFromFileTime(ticks);
}

}  // namespace vesko
