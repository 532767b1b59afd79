# nlohmann/json is header-only. The cross build gets a private copy of just that header
# tree, so the host's /usr/include never lands on the Windows include path.
find_path(VESKO_NLOHMANN_DIR nlohmann/json.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH REQUIRED)
set(VESKO_THIRD_PARTY_INCLUDE "${CMAKE_BINARY_DIR}/third_party/include")
file(COPY "${VESKO_NLOHMANN_DIR}/nlohmann" DESTINATION "${VESKO_THIRD_PARTY_INCLUDE}")
add_library(vesko_json INTERFACE)
target_include_directories(vesko_json SYSTEM INTERFACE "${VESKO_THIRD_PARTY_INCLUDE}")

# GoogleTest: Debian's prebuilt library natively, its sources compiled for the cross build.
if(NOT VESKO_FUZZ)
  if(CMAKE_CROSSCOMPILING)
    set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL SYSTEM)
    # Google Benchmark from Debian's source package (scripts/setup fetches it), for the
    # benchmarks that drive the stand-in engine in-process.
    set(VESKO_BENCHMARK_SOURCE "/var/cache/vesko/google-benchmark" CACHE PATH
      "Google Benchmark sources for the cross build")
    if(EXISTS "${VESKO_BENCHMARK_SOURCE}/CMakeLists.txt")
      set(BENCHMARK_ENABLE_TESTING OFF CACHE BOOL "" FORCE)
      set(BENCHMARK_ENABLE_GTEST_TESTS OFF CACHE BOOL "" FORCE)
      set(BENCHMARK_ENABLE_INSTALL OFF CACHE BOOL "" FORCE)
      set(BENCHMARK_ENABLE_WERROR OFF CACHE BOOL "" FORCE)
      set(BENCHMARK_ENABLE_LTO OFF CACHE BOOL "" FORCE)
      # Known answers for the cross target, so configuring never depends on trial builds:
      # MinGW's runtime has std::regex and a steady clock.
      set(HAVE_STD_REGEX 1)
      set(HAVE_STEADY_CLOCK 1)
      add_subdirectory("${VESKO_BENCHMARK_SOURCE}" "${CMAKE_BINARY_DIR}/google-benchmark" EXCLUDE_FROM_ALL SYSTEM)
    endif()
  else()
    find_package(GTest REQUIRED)
    find_package(benchmark REQUIRED)
  endif()
endif()
