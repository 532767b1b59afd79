#pragma once
// The texts of the download guard and of its save dialog.

#include <string_view>

#include "base/user_text.h"

namespace vesko {

inline constexpr StatusMessage kDownloadBlockedStatus{"Shkarkimi u bllokua.", 7};
// A program or script: refused whatever the user chose in the save dialog.
inline constexpr StatusMessage kDownloadTypeBlockedStatus{"Shkarkimi u bllokua: ky lloj skedari nuk lejohet.", 7};
inline constexpr std::string_view kDownloadFilterName = "Dokumente KORDIS";
inline constexpr std::string_view kDownloadFilterPattern = "*.*";

}  // namespace vesko
