#pragma once

#include <cstdint>
#include <filesystem>
#include <string_view>
#include <vector>

namespace vesko {

// File services of the program. Every failure throws std::runtime_error whose message is
// an upper-case code (FILE_NOT_FOUND, FILE_TOO_LARGE, FILE_READ_FAILED, FILE_WRITE_FAILED,
// FILE_RENAME_FAILED, DATA_DIRECTORY_FAILED, EXE_PATH_FAILED), or the filesystem error of
// creating a folder.

// %LOCALAPPDATA%\VESKO\Browser-Kiosk, created with its parents on every call.
std::filesystem::path dataDirectory();

// The folder that holds the running executable.
std::filesystem::path exeDirectory();

// The whole file; a file of exactly maxBytes is accepted, one byte more is not.
std::vector<std::uint8_t> readFileBytes(const std::filesystem::path& path, std::uint64_t maxBytes);

// Replaces the file's contents so that a reader sees either the old or the new bytes:
// the bytes go to path + ".tmp", reach the disk, and only then replace the target.
void writeFileAtomic(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);
void writeFileAtomic(const std::filesystem::path& path, std::string_view bytes);

// Milliseconds since 1970-01-01 00:00 UTC.
std::int64_t unixTimeMs();

// A FILETIME value (100 ns ticks since 1601) as Unix milliseconds.
constexpr std::int64_t unixMsFromFileTime(std::uint64_t ticks) {
    return (static_cast<std::int64_t>(ticks) - 116444736000000000LL) / 10000;
}

}  // namespace vesko
