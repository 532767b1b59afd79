# The Windows Installer package (scripts/package): `cmake --build --preset windows --target
# vesko_package` writes VeskoBrowser-<version>-x64-test.msi, a zip with the same files and a
# debug archive into build/windows/package; the windows-release preset, configured with
# -DVESKO_LOADER_DLL=PATH, writes VeskoBrowser-<version>-x64.msi into build/windows-release/package.
# Included before the program's folders: the release flags below must reach them.
if(NOT WIN32 OR VESKO_FUZZ)
  return()
endif()

# The release program is built with debug information too, so that its package step can
# strip it off into the debug archive and a crash address can still be read.
if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  string(APPEND CMAKE_C_FLAGS_RELEASE " -g")
  string(APPEND CMAKE_CXX_FLAGS_RELEASE " -g")
endif()

set(VESKO_LOADER_DLL "" CACHE FILEPATH
  "The engine loader (WebView2Loader.dll, x64, from the engine SDK) the release package carries; its SHA-256 must be VESKO_LOADER_SHA256")
find_program(VESKO_WIXL wixl)
find_program(VESKO_MSIBUILD msibuild)
find_program(VESKO_MSIINFO msiinfo)

# The build that pins the stand-in loader packages it, as a test package of its own; any
# other build packages the loader it is given.
if(VESKO_LOADER_SHA256 STREQUAL "standin")
  set(VESKO_PACKAGE_FLAVOR test)
  set(package_loader "$<TARGET_FILE:WebView2Loader>")
  # The digest the program was built with, read when the package is made.
  set(package_pin "-DPINNED_SHA256_HEADER=${VESKO_GENERATED_INCLUDE}/engine/standin_loader_sha256.h")
else()
  set(VESKO_PACKAGE_FLAVOR release)
  set(package_loader "${VESKO_LOADER_DLL}")
  set(package_pin "-DPINNED_SHA256=${VESKO_LOADER_SHA256}")
endif()

# vesko_add_package(TARGET VERSION X.Y.Z PROGRAM program-target OUTPUT_DIR folder): a target
# that packages PROGRAM's file as version VERSION of this build's product.
function(vesko_add_package target)
  cmake_parse_arguments(arg "" "VERSION;PROGRAM;OUTPUT_DIR" "" ${ARGN})
  add_custom_target(${target}
    COMMAND "${CMAKE_COMMAND}" -DFLAVOR=${VESKO_PACKAGE_FLAVOR} -DVERSION=${arg_VERSION}
      "-DEXE=$<TARGET_FILE:${arg_PROGRAM}>" "-DLOADER=${package_loader}" "${package_pin}"
      "-DICON=${CMAKE_BINARY_DIR}/res/vesko.ico" "-DOUTPUT_DIR=${arg_OUTPUT_DIR}"
      "-DSTRIP=${CMAKE_STRIP}" "-DWIXL=${VESKO_WIXL}" "-DMSIBUILD=${VESKO_MSIBUILD}" "-DMSIINFO=${VESKO_MSIINFO}"
      -P "${PROJECT_SOURCE_DIR}/package/build_package.cmake"
    COMMENT "Packaging ${arg_PROGRAM} ${arg_VERSION} (${VESKO_PACKAGE_FLAVOR})"
    VERBATIM)
  add_dependencies(${target} ${arg_PROGRAM} WebView2Loader vesko_resources)
endfunction()

vesko_add_package(vesko_package VERSION "${PROJECT_VERSION}" PROGRAM VeskoBrowser
  OUTPUT_DIR "${CMAKE_BINARY_DIR}/package")
