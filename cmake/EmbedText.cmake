# Turns text files (the page scripts) into C++ headers that hold each text as a
# constexpr std::array<char, N> of its exact bytes, with "@VESKO_PORTAL_HOST@"
# replaced by the configured portal host.
#
# Included from a CMakeLists.txt it defines vesko_embed_text(); run with -P it does the
# conversion of one file (the build runs it that way, so editing a source re-embeds it).
#
# Bytes are written as character escapes rather than a string literal: no compiler
# limit on literal length, no dependence on the source character set, and the text
# keeps every byte (including the non-ASCII ones) exactly.

if(CMAKE_SCRIPT_MODE_FILE)
  foreach(var INPUT OUTPUT NAME PORTAL_HOST)
    if(NOT DEFINED ${var})
      message(FATAL_ERROR "EmbedText: ${var} is not set")
    endif()
  endforeach()
  file(READ "${INPUT}" text)
  # A checkout with CR LF line ends must embed the same text as any other.
  string(REPLACE "\r\n" "\n" text "${text}")
  string(REPLACE "@VESKO_PORTAL_HOST@" "${PORTAL_HOST}" text "${text}")
  string(HEX "${text}" hex)
  string(LENGTH "${hex}" hex_length)
  math(EXPR size "${hex_length} / 2")
  string(REPEAT "[0-9a-f]" 32 sixteen_bytes)
  string(REGEX REPLACE "(${sixteen_bytes})" "\\1\n" hex "${hex}")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," hex "${hex}")
  string(REGEX REPLACE "\n" "\n    " hex "${hex}")
  string(STRIP "${hex}" hex)
  get_filename_component(source_name "${INPUT}" NAME)
  set(header "#pragma once\n// Generated from ${source_name} at build time; do not edit.\n\n")
  string(APPEND header "#include <array>\n\nnamespace vesko::embedded {\n\n")
  string(APPEND header "inline constexpr std::array<char, ${size}> ${NAME} = {\n    ${hex}\n};\n\n")
  string(APPEND header "}  // namespace vesko::embedded\n")
  # Rewrite only on change, so an unchanged text does not rebuild its users.
  if(EXISTS "${OUTPUT}")
    file(READ "${OUTPUT}" previous)
    if(previous STREQUAL header)
      return()
    endif()
  endif()
  file(WRITE "${OUTPUT}" "${header}")
  return()
endif()

set(VESKO_EMBED_TEXT_SCRIPT "${CMAKE_CURRENT_LIST_FILE}")

# vesko_embed_text(TARGET target OUTPUT_DIR dir PORTAL_HOST host SOURCES file...)
# Each SOURCES file some_name.ext becomes OUTPUT_DIR/some_name_ext.h with the constant
# vesko::embedded::kSomeNameExt, and the headers become sources of the target so that
# they exist before anything of it compiles.
function(vesko_embed_text)
  cmake_parse_arguments(arg "" "TARGET;OUTPUT_DIR;PORTAL_HOST" "SOURCES" ${ARGN})
  foreach(source IN LISTS arg_SOURCES)
    get_filename_component(file_name "${source}" NAME)
    string(REGEX REPLACE "[^A-Za-z0-9]+" "_" stem "${file_name}")
    string(REGEX MATCHALL "[A-Za-z0-9]+" words "${stem}")
    set(constant "k")
    foreach(word IN LISTS words)
      string(SUBSTRING "${word}" 0 1 first)
      string(SUBSTRING "${word}" 1 -1 rest)
      string(TOUPPER "${first}" first)
      string(APPEND constant "${first}${rest}")
    endforeach()
    set(header "${arg_OUTPUT_DIR}/${stem}.h")
    add_custom_command(
      OUTPUT "${header}"
      COMMAND "${CMAKE_COMMAND}" "-DINPUT=${source}" "-DOUTPUT=${header}" "-DNAME=${constant}"
              "-DPORTAL_HOST=${arg_PORTAL_HOST}" -P "${VESKO_EMBED_TEXT_SCRIPT}"
      DEPENDS "${source}" "${VESKO_EMBED_TEXT_SCRIPT}"
      COMMENT "Embedding ${file_name}"
      VERBATIM)
    target_sources(${arg_TARGET} PRIVATE "${header}")
  endforeach()
endfunction()
