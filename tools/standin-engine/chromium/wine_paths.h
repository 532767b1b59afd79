#pragma once
// Paths between the two sides of Wine: Chromium runs as a Linux program, so it is started
// by its DOS path and given Linux paths on its command line.

#include <filesystem>
#include <string>
#include <string_view>

namespace vesko::standin {

// The DOS path Windows calls accept for a Linux path (Wine maps / to Z:).
std::wstring dosPathOf(std::string_view linuxPath);
// The Linux path of a Windows path; unchanged (as UTF-8) outside Wine.
std::string linuxPathOf(const std::filesystem::path& windowsPath);

}  // namespace vesko::standin
