#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace vesko {

// The engine loader: a file beside the executable, read whole (up to this limit) and
// checked against the pinned digest before it is ever loaded.
inline constexpr std::string_view kLoaderFileName = "WebView2Loader.dll";
inline constexpr std::uint64_t kLoaderReadLimit = 4194304;

// The engine's private data, inside the program's data folder.
inline constexpr std::string_view kUserDataFolderName = "UserData";

// Options the engine environment is created with (its switches: engine/engine_switches.h).
inline constexpr std::string_view kEngineLanguage = "sq-AL";
inline constexpr std::string_view kTargetCompatibleBrowserVersion = "120.0.0.0";

// Variables the engine would honour over the options above (other arguments, another
// runtime, another data folder, debugger hooks, release channel). They are removed from
// the process, in this order, before the loader is touched.
inline constexpr std::array<std::string_view, 6> kEngineEnvironmentVariables = {
    "WEBVIEW2_ADDITIONAL_BROWSER_ARGUMENTS", "WEBVIEW2_BROWSER_EXECUTABLE_FOLDER",
    "WEBVIEW2_USER_DATA_FOLDER",             "WEBVIEW2_PIPE_FOR_SCRIPT_DEBUGGER",
    "WEBVIEW2_WAIT_FOR_SCRIPT_DEBUGGER",     "WEBVIEW2_RELEASE_CHANNEL_PREFERENCE",
};

// Status texts of the environment's completion.
inline constexpr std::string_view kEngineFailedStatus = "Motori WebView2 nuk u nis: ";
inline constexpr std::string_view kEngineTooOldStatus =
    "P\xC3\xABrdit\xC3\xABso Microsoft Edge WebView2 Runtime. K\xC3\xABrkohet mb\xC3\xABshtetja e profileve.";

}  // namespace vesko
