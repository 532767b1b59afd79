# The compiled-in configuration: host names and the pinned engine loader digest.
# Validated here so a bad value fails the configure step, not a user's session.
set(VESKO_PORTAL_HOST "portal.kordis.example" CACHE STRING "The portal's host name")
set(VESKO_PROBE_CDN_HOST "probe.vesko.example" CACHE STRING "Host of the runtime probe's test resources")
set(VESKO_CDN_HOSTS
  "cdnjs.cloudflare.com;cdn.jsdelivr.net;unpkg.com;code.jquery.com;ajax.googleapis.com;fonts.googleapis.com;fonts.gstatic.com;stackpath.bootstrapcdn.com"
  CACHE STRING "The eight public CDN hosts (semicolon-separated)")
# All zeros matches no file, so a build that pins nothing refuses every loader.
set(VESKO_LOADER_SHA256 "0000000000000000000000000000000000000000000000000000000000000000"
  CACHE STRING "SHA-256 of the engine loader shipped beside the executable (64 lower-case hex)")

include("${CMAKE_CURRENT_LIST_DIR}/ConfigValidation.cmake")
vesko_validate_config()

set(VESKO_CDN_HOSTS_CXX "")
foreach(h IN LISTS VESKO_CDN_HOSTS)
  string(APPEND VESKO_CDN_HOSTS_CXX "    \"${h}\",\n")
endforeach()
set(VESKO_GENERATED_INCLUDE "${CMAKE_BINARY_DIR}/generated")
configure_file("${CMAKE_CURRENT_LIST_DIR}/compiled_config.h.in"
  "${VESKO_GENERATED_INCLUDE}/policy/compiled_config.h" @ONLY)
