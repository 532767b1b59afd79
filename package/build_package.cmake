# Builds the Windows Installer package, a zip with the same files and a debug archive from
# one built program and one engine loader. Run as a script (cmake -P) by the packaging
# targets (cmake/Packaging.cmake) and by the package tests.
#
#   -DFLAVOR=release|test  -DVERSION=X.Y.Z  -DEXE=built program  -DLOADER=engine loader
#   -DPINNED_SHA256=digest the program was built with (or -DPINNED_SHA256_HEADER=the
#   stand-in's generated digest header)  -DICON=vesko.ico  -DOUTPUT_DIR=folder
#   -DSTRIP=strip tool  -DWIXL=wixl  -DMSIBUILD=msibuild  -DMSIINFO=msiinfo
#
# The loader is packaged as it is (the program compares its bytes with the pinned digest),
# so a loader whose SHA-256 is not the pinned one stops the step before anything is built.
cmake_minimum_required(VERSION 3.25)

# A build that pins the stand-in loader hands over the header its digest was written to.
if(DEFINED PINNED_SHA256_HEADER)
  file(STRINGS "${PINNED_SHA256_HEADER}" pin_line REGEX "\"[0-9a-f]+\"")
  string(REGEX MATCH "\"([0-9a-f]+)\"" quoted "${pin_line}")
  set(PINNED_SHA256 "${CMAKE_MATCH_1}")
endif()
foreach(var FLAVOR VERSION EXE PINNED_SHA256 ICON OUTPUT_DIR STRIP WIXL MSIBUILD MSIINFO)
  if(NOT DEFINED ${var} OR "${${var}}" STREQUAL "")
    message(FATAL_ERROR "PACKAGE_ARGUMENT: ${var} is not set")
  endif()
endforeach()
foreach(tool STRIP WIXL MSIBUILD MSIINFO)
  if(${tool} MATCHES "NOTFOUND$")
    message(FATAL_ERROR "PACKAGE_TOOL_MISSING: ${tool} was not found (bash scripts/setup installs wixl and msitools)")
  endif()
endforeach()
if(NOT VERSION MATCHES "^[0-9]+\\.[0-9]+\\.[0-9]+$")
  message(FATAL_ERROR "PACKAGE_ARGUMENT: VERSION '${VERSION}' is not MAJOR.MINOR.PATCH")
endif()

# One fixed upgrade code per product. The test package is a product of its own, named and
# installed apart, so it can never upgrade a release or be taken for one.
if(FLAVOR STREQUAL "release")
  set(upgrade_code "DEFA1DCE-0B24-4909-B213-6DC1DB73D509")
  set(product_name "Vesko Browser")
  set(suffix "")
elseif(FLAVOR STREQUAL "test")
  set(upgrade_code "27F049D6-58AD-4079-BB4C-775DAC099CDA")
  set(product_name "Vesko Browser (test)")
  set(suffix "-test")
else()
  message(FATAL_ERROR "PACKAGE_ARGUMENT: FLAVOR must be release or test, not '${FLAVOR}'")
endif()

if(NOT EXISTS "${LOADER}" OR IS_DIRECTORY "${LOADER}")
  message(FATAL_ERROR "PACKAGE_LOADER_MISSING: no engine loader at '${LOADER}'; a release package "
    "needs -DVESKO_LOADER_DLL=PATH to WebView2Loader.dll (x64) from the engine SDK")
endif()
if(PINNED_SHA256 MATCHES "^0+$")
  message(FATAL_ERROR "PACKAGE_LOADER_NOT_PINNED: this build pins no loader digest (VESKO_LOADER_SHA256 "
    "is all zeros), so its program would refuse every loader; configure the windows-release preset")
endif()
file(SHA256 "${LOADER}" loader_sha256)
if(NOT loader_sha256 STREQUAL PINNED_SHA256)
  message(FATAL_ERROR "PACKAGE_LOADER_DIGEST: the loader '${LOADER}' has SHA-256 ${loader_sha256}, "
    "but the program was built to accept only ${PINNED_SHA256}; the program would refuse it. "
    "Take WebView2Loader.dll (x64) from the engine SDK version the build pins.")
endif()

# Product and component codes follow from the upgrade code: each version has its own
# product code, and rebuilding one version gives the same codes again.
string(UUID product_code NAMESPACE "${upgrade_code}" NAME "product ${VERSION}" TYPE SHA1 UPPER)
foreach(component Program Loader DesktopShortcut)
  string(UUID ${component}_guid NAMESPACE "${upgrade_code}" NAME "component ${component}" TYPE SHA1 UPPER)
endforeach()

set(base "VeskoBrowser-${VERSION}-x64${suffix}")
set(stage "${OUTPUT_DIR}/${base}.stage")
set(msi "${OUTPUT_DIR}/${base}.msi")
file(REMOVE_RECURSE "${stage}")
file(REMOVE "${msi}" "${OUTPUT_DIR}/${base}.zip" "${OUTPUT_DIR}/${base}-debug.zip")
file(MAKE_DIRECTORY "${stage}/files" "${stage}/debug")

function(run)
  execute_process(COMMAND ${ARGN} WORKING_DIRECTORY "${stage}/files" RESULT_VARIABLE rc
    OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0)
    list(GET ARGN 0 tool)
    message(FATAL_ERROR "PACKAGE_TOOL_FAILED: ${tool} exited with ${rc}:\n${out}")
  endif()
endfunction()

# What is installed carries no debug information; the unstripped program goes into the
# debug archive, where its symbols and line tables still read a clerk's crash address
# (the sections' addresses are the same in both files).
file(COPY_FILE "${EXE}" "${stage}/debug/VeskoBrowser-Kiosk.exe")
run("${STRIP}" --strip-all -o "${stage}/files/VeskoBrowser-Kiosk.exe" "${EXE}")
file(COPY_FILE "${LOADER}" "${stage}/files/WebView2Loader.dll")
file(COPY_FILE "${ICON}" "${stage}/files/vesko.ico")

run("${WIXL}" --arch x64 -o "${msi}"
  -D "ProductName=${product_name}" -D "ShortcutName=${product_name}" -D "FolderName=${product_name}"
  -D "Version=${VERSION}" -D "UpgradeCode=${upgrade_code}" -D "ProductCode=${product_code}"
  -D "ProgramComponent=${Program_guid}" -D "LoaderComponent=${Loader_guid}"
  -D "DesktopComponent=${DesktopShortcut_guid}"
  "${CMAKE_CURRENT_LIST_DIR}/vesko.wxs")
# What wixl cannot express: the desktop shortcut's condition and its property among the
# secure ones (passed on to an installation that runs with elevated rights), and the
# self-test report the program may have written beside itself, removed with the program so
# that the folder goes too.
run("${MSIBUILD}" "${msi}" -q
  "UPDATE `Component` SET `Condition` = 'DESKTOP_SHORTCUT = \"1\" OR DESKTOP_SHORTCUT_INSTALLED' WHERE `Component` = 'DesktopShortcut'")
# (msibuild splits its queries at semicolons, so the list goes in through the table's text form.)
execute_process(COMMAND "${MSIINFO}" export "${msi}" Property OUTPUT_VARIABLE property_table RESULT_VARIABLE rc)
string(REGEX REPLACE "\nSecureCustomProperties\t" "\nSecureCustomProperties\tDESKTOP_SHORTCUT;DESKTOP_SHORTCUT_INSTALLED;"
  property_table "${property_table}")
if(NOT rc EQUAL 0 OR NOT property_table MATCHES "\tDESKTOP_SHORTCUT;")
  message(FATAL_ERROR "PACKAGE_TOOL_FAILED: the Property table has no SecureCustomProperties row to extend")
endif()
file(WRITE "${stage}/Property.idt" "${property_table}")
run("${MSIBUILD}" "${msi}" -i "${stage}/Property.idt")
run("${MSIBUILD}" "${msi}" -q
  "INSERT INTO `RemoveFile` (`FileKey`, `Component_`, `FileName`, `DirProperty`, `InstallMode`) VALUES ('SelfTestReport', 'Program', 'Vesko_self_test.json', 'INSTALLDIR', 2)")

run("${CMAKE_COMMAND}" -E tar cf "${OUTPUT_DIR}/${base}.zip" --format=zip VeskoBrowser-Kiosk.exe WebView2Loader.dll)
execute_process(COMMAND "${CMAKE_COMMAND}" -E tar cf "${OUTPUT_DIR}/${base}-debug.zip" --format=zip
  VeskoBrowser-Kiosk.exe WORKING_DIRECTORY "${stage}/debug" RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "PACKAGE_TOOL_FAILED: the debug archive was not written")
endif()
file(REMOVE_RECURSE "${stage}/debug")

foreach(file "${base}.msi" "${base}.zip" "${base}-debug.zip")
  file(SIZE "${OUTPUT_DIR}/${file}" size)
  math(EXPR kib "${size} / 1024")
  message(STATUS "${OUTPUT_DIR}/${file}: ${kib} KiB")
endforeach()
message(STATUS "${product_name} ${VERSION}, product code {${product_code}}, upgrade code {${upgrade_code}}")
