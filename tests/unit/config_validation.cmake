# Runs the configuration check on good and bad values; each bad value must stop the
# configure step with a message naming what is wrong. CDN lists use ',' here because
# ';' separates CMake list items.
set(cdn "a.example,b.example,c.example,d.example,e.example,f.example,g.example,h.example")
set(digest "0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef")
set(seven "a.example,b.example,c.example,d.example,e.example,f.example,g.example")

set(failures 0)
# An optional seventh argument is the blocked download extensions (default "exe,bat").
function(check name portal probe cdnList sha expected)
  string(REPLACE "," ";" cdnList "${cdnList}")
  set(extensions "exe;bat")
  if(ARGC GREATER 6)
    string(REPLACE "," ";" extensions "${ARGV6}")
  endif()
  execute_process(
    COMMAND "${CMAKE_COMMAND}" "-DVESKO_PORTAL_HOST=${portal}" "-DVESKO_PROBE_CDN_HOST=${probe}"
      "-DVESKO_CDN_HOSTS=${cdnList}" "-DVESKO_LOADER_SHA256=${sha}"
      "-DVESKO_BLOCKED_DOWNLOAD_EXTENSIONS=${extensions}" -P "${VALIDATION_SCRIPT}"
    RESULT_VARIABLE rc ERROR_VARIABLE err OUTPUT_QUIET)
  if(expected STREQUAL "")
    if(NOT rc EQUAL 0)
      message(SEND_ERROR "${name}: rejected but should pass: ${err}")
    endif()
  elseif(rc EQUAL 0 OR NOT err MATCHES "${expected}")
    message(SEND_ERROR "${name}: expected a failure mentioning '${expected}', got rc=${rc}: ${err}")
  endif()
endfunction()

check("accepted" portal.kordis.example probe.vesko.example "${cdn}" "${digest}" "")
check("digits inside a name" 1portal.2x.example probe.example "${cdn}" "${digest}" "")
check("stand-in loader" portal.example probe.example "${cdn}" standin "")
check("upper-case portal" Portal.example probe.example "${cdn}" "${digest}" VESKO_PORTAL_HOST)
check("numeric last label" portal.1 probe.example "${cdn}" "${digest}" "numeric label")
check("hex last label" portal.0x7f probe.example "${cdn}" "${digest}" "numeric label")
check("non-ascii probe" portal.example "pröbe.example" "${cdn}" "${digest}" VESKO_PROBE_CDN_HOST)
check("probe equals portal" same.example same.example "${cdn}" "${digest}" VESKO_PROBE_CDN_HOST)
check("seven cdn hosts" portal.example probe.example "${seven}" "${digest}" "expected 8")
check("duplicate cdn host" portal.example probe.example "${seven},a.example" "${digest}" "listed twice")
check("upper-case cdn host" portal.example probe.example "${seven},H.example" "${digest}" VESKO_CDN_HOSTS)
check("cdn is probe" portal.example a.example "${cdn}" "${digest}" "must differ")
check("cdn is portal" a.example probe.example "${cdn}" "${digest}" "must differ")
check("upper-case digest" portal.example probe.example "${cdn}"
  "0123456789ABCDEF0123456789abcdef0123456789abcdef0123456789abcdef" VESKO_LOADER_SHA256)
check("short digest" portal.example probe.example "${cdn}" "0123" VESKO_LOADER_SHA256)
check("long digest" portal.example probe.example "${cdn}" "${digest}0" VESKO_LOADER_SHA256)
check("stand-in in capitals" portal.example probe.example "${cdn}" STANDIN VESKO_LOADER_SHA256)
check("one blocked extension with digits" portal.example probe.example "${cdn}" "${digest}" "" "ps1")
check("no blocked extensions" portal.example probe.example "${cdn}" "${digest}" "the list is empty" "")
check("empty blocked extension" portal.example probe.example "${cdn}" "${digest}" "'' is not an extension" "exe,,bat")
check("blocked extension with a dot" portal.example probe.example "${cdn}" "${digest}" "'.exe' is not an extension" ".exe")
check("upper-case blocked extension" portal.example probe.example "${cdn}" "${digest}" "'EXE' is not" "exe,EXE")
check("blocked extension with a hyphen" portal.example probe.example "${cdn}" "${digest}" "not an extension" "settingcontent-ms")
check("duplicate blocked extension" portal.example probe.example "${cdn}" "${digest}" "'exe' is listed twice" "exe,bat,exe")
