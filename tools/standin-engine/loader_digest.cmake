# Writes the SHA-256 of the built stand-in loader into a header, as the compiled-in pin of
# a build that ships the stand-in. Rewrites only on change, so an unchanged loader does
# not rebuild what includes it.
# Run as: cmake -DLOADER=WebView2Loader.dll -DOUTPUT=standin_loader_sha256.h -P loader_digest.cmake
file(SHA256 "${LOADER}" digest)
set(header "#pragma once\n// Generated at build time from the stand-in engine loader; do not edit.\n\n")
string(APPEND header "#include <string_view>\n\nnamespace vesko::generated {\n\n")
string(APPEND header "inline constexpr std::string_view kStandInLoaderSha256 = \"${digest}\";\n\n")
string(APPEND header "}  // namespace vesko::generated\n")
if(EXISTS "${OUTPUT}")
  file(READ "${OUTPUT}" previous)
  if(previous STREQUAL header)
    return()
  endif()
endif()
file(WRITE "${OUTPUT}" "${header}")
