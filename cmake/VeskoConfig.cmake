# The compiled-in configuration: host names, the pinned engine loader digest and the
# download types refused.
# Validated here so a bad value fails the configure step, not a user's session.
set(VESKO_PORTAL_HOST "portal.kordis.example" CACHE STRING "The portal's host name")
set(VESKO_PROBE_CDN_HOST "probe.vesko.example" CACHE STRING "Host of the runtime probe's test resources")
set(VESKO_CDN_HOSTS
  "cdnjs.cloudflare.com;cdn.jsdelivr.net;unpkg.com;code.jquery.com;ajax.googleapis.com;fonts.googleapis.com;fonts.gstatic.com;stackpath.bootstrapcdn.com"
  CACHE STRING "The eight public CDN hosts (semicolon-separated)")
# All zeros matches no file, so a build that pins nothing refuses every loader.
set(VESKO_LOADER_SHA256 "0000000000000000000000000000000000000000000000000000000000000000"
  CACHE STRING "SHA-256 of the engine loader shipped beside the executable (64 lower-case hex), or 'standin' for the stand-in engine's loader built here")

# Downloads whose file would run when opened are refused. Programs, installers, scripts,
# shortcuts and the like; a portal serves documents, tables and pictures.
set(VESKO_BLOCKED_DOWNLOAD_EXTENSIONS
  "exe;com;scr;pif;bat;cmd;ps1;psm1;psd1;ps1xml;vbs;vbe;vb;js;jse;ws;wsf;wsh;wsc;hta;msi;msp;mst;lnk;url;reg;cpl;jar;appx;appxbundle;msix;msixbundle;appinstaller;application;gadget;msc;inf;scf;chm"
  CACHE STRING "File extensions a download may not have (semicolon-separated, lower-case letters and digits, no dots)")

include("${CMAKE_CURRENT_LIST_DIR}/ConfigValidation.cmake")
vesko_validate_config()

set(VESKO_CDN_HOSTS_CXX "")
foreach(h IN LISTS VESKO_CDN_HOSTS)
  string(APPEND VESKO_CDN_HOSTS_CXX "    \"${h}\",\n")
endforeach()
set(VESKO_BLOCKED_DOWNLOAD_EXTENSIONS_CXX "")
foreach(e IN LISTS VESKO_BLOCKED_DOWNLOAD_EXTENSIONS)
  string(APPEND VESKO_BLOCKED_DOWNLOAD_EXTENSIONS_CXX "    \"${e}\",\n")
endforeach()
list(LENGTH VESKO_BLOCKED_DOWNLOAD_EXTENSIONS VESKO_BLOCKED_DOWNLOAD_EXTENSION_COUNT)
set(VESKO_GENERATED_INCLUDE "${CMAKE_BINARY_DIR}/generated")
if(VESKO_LOADER_SHA256 STREQUAL "standin")
  # The stand-in's loader exists only once the build has made it; its digest reaches the
  # configuration through a header written at build time (tools/standin-engine).
  if(NOT WIN32 OR VESKO_FUZZ)
    message(FATAL_ERROR "VESKO_LOADER_SHA256: 'standin' needs the Windows build, which makes the stand-in loader")
  endif()
  set(VESKO_LOADER_SHA256_INCLUDE "\n#include \"engine/standin_loader_sha256.h\"")
  set(VESKO_LOADER_SHA256_CXX
    "inline constexpr std::string_view kPinnedLoaderSha256 = vesko::generated::kStandInLoaderSha256;")
else()
  set(VESKO_LOADER_SHA256_INCLUDE "")
  set(VESKO_LOADER_SHA256_CXX "inline constexpr std::string_view kPinnedLoaderSha256 = \"${VESKO_LOADER_SHA256}\";")
endif()
configure_file("${CMAKE_CURRENT_LIST_DIR}/compiled_config.h.in"
  "${VESKO_GENERATED_INCLUDE}/policy/compiled_config.h" @ONLY)
