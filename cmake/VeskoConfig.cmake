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

set(label "[a-z0-9]([a-z0-9-]*[a-z0-9])?")
set(host_regex "^${label}(\\.${label})*$")

function(vesko_check_host name value)
  string(LENGTH "${value}" len)
  if(len EQUAL 0 OR len GREATER 253 OR NOT value MATCHES "${host_regex}")
    message(FATAL_ERROR "${name}: '${value}' is not a lower-case ASCII host name")
  endif()
endfunction()

vesko_check_host(VESKO_PORTAL_HOST "${VESKO_PORTAL_HOST}")
vesko_check_host(VESKO_PROBE_CDN_HOST "${VESKO_PROBE_CDN_HOST}")

list(LENGTH VESKO_CDN_HOSTS cdn_count)
if(NOT cdn_count EQUAL 8)
  message(FATAL_ERROR "VESKO_CDN_HOSTS: expected 8 hosts, got ${cdn_count}")
endif()
set(seen "")
foreach(h IN LISTS VESKO_CDN_HOSTS)
  vesko_check_host(VESKO_CDN_HOSTS "${h}")
  if(h IN_LIST seen)
    message(FATAL_ERROR "VESKO_CDN_HOSTS: '${h}' is listed twice")
  endif()
  if(h STREQUAL VESKO_PROBE_CDN_HOST OR h STREQUAL VESKO_PORTAL_HOST)
    message(FATAL_ERROR "VESKO_CDN_HOSTS: '${h}' must differ from the portal and probe hosts")
  endif()
  list(APPEND seen "${h}")
endforeach()
if(VESKO_PROBE_CDN_HOST STREQUAL VESKO_PORTAL_HOST)
  message(FATAL_ERROR "VESKO_PROBE_CDN_HOST must differ from VESKO_PORTAL_HOST")
endif()
if(NOT VESKO_LOADER_SHA256 MATCHES "^[0-9a-f]+$")
  message(FATAL_ERROR "VESKO_LOADER_SHA256: '${VESKO_LOADER_SHA256}' is not lower-case hexadecimal")
endif()
string(LENGTH "${VESKO_LOADER_SHA256}" digest_len)
if(NOT digest_len EQUAL 64)
  message(FATAL_ERROR "VESKO_LOADER_SHA256: expected 64 characters, got ${digest_len}")
endif()

set(VESKO_CDN_HOSTS_CXX "")
foreach(h IN LISTS VESKO_CDN_HOSTS)
  string(APPEND VESKO_CDN_HOSTS_CXX "    \"${h}\",\n")
endforeach()
set(VESKO_GENERATED_INCLUDE "${CMAKE_BINARY_DIR}/generated")
configure_file("${CMAKE_CURRENT_LIST_DIR}/compiled_config.h.in"
  "${VESKO_GENERATED_INCLUDE}/policy/compiled_config.h" @ONLY)
