#!/usr/bin/env bash
# The test package's tables, files and archives as msitools read them, the release
# package's identity, and the release step's refusal of a loader whose digest is not the
# pinned one. (Installing them under Wine is install_cycle.sh.)
# Usage: package_contents.sh PACKAGE NEXT_PACKAGE VERSION BUILD_SCRIPT STRIP WIXL MSIBUILD
#                            MSIINFO EXE LOADER ICON WORK_DIR
# PACKAGE and NEXT_PACKAGE are paths without the extension (…/VeskoBrowser-0.1.13-x64-test).
set -uo pipefail
package=$1 next=$2 version=$3 build_script=$4 strip=$5 wixl=$6 msibuild=$7 msiinfo=$8
exe=$9 loader=${10} icon=${11} work=${12}
objdump=${strip%strip}objdump
failures=0
check() { if eval "$2"; then echo "ok: $1"; else echo "FAIL: $1"; failures=$((failures + 1)); fi; }
rm -rf "$work"; mkdir -p "$work"

# One value of the Property table.
property() { "$msiinfo" export "$1" Property | tr -d '\r' | awk -F'\t' -v p="$2" '$1 == p { print $2 }'; }
# "parent<TAB>name" of one row of the Directory table.
directory() { "$msiinfo" export "$1" Directory | tr -d '\r' | awk -F'\t' -v d="$2" '$1 == d { print $2 "\t" $3 }'; }
# The section names of a PE file, one a line.
sections() { "$objdump" -h "$1" | awk '$1 ~ /^[0-9]+$/ { print $2 }'; }
# The address of one section of a PE file.
section_vma() { "$objdump" -h "$1" | awk -v s="$2" '$2 == s { print $4 }'; }

make_package() {  # FLAVOR LOADER PINNED OUTPUT_DIR: the release step's script, as the build runs it
  cmake -DFLAVOR="$1" -DVERSION="$version" -DEXE="$exe" -DLOADER="$2" -DPINNED_SHA256="$3" \
    -DICON="$icon" -DOUTPUT_DIR="$4" -DSTRIP="$strip" -DWIXL="$wixl" -DMSIBUILD="$msibuild" \
    -DMSIINFO="$msiinfo" -P "$build_script"
}

msi=$package.msi
check "the package's version is the program's: $(property "$msi" ProductVersion)" \
  '[ "$(property "$msi" ProductVersion)" = "$version" ]'
check "the test product's own upgrade code" \
  '[ "$(property "$msi" UpgradeCode)" = "{27F049D6-58AD-4079-BB4C-775DAC099CDA}" ]'
check "the name says it is the test package" '[ "$(property "$msi" ProductName)" = "Vesko Browser (test)" ]'
check "per-machine (ALLUSERS=1)" '[ "$(property "$msi" ALLUSERS)" = 1 ]'
check "a 64-bit package" '"$msiinfo" suminfo "$msi" | grep -qx "Template: x64;1033"'
check "installed into Program Files\\VESKO\\Vesko Browser (test)" \
  '[ "$(directory "$msi" INSTALLDIR)" = "VendorFolder	Vesko Browser (test)" ] &&
   [ "$(directory "$msi" VendorFolder)" = "ProgramFiles64Folder	VESKO" ]'
check "the desktop shortcut only with DESKTOP_SHORTCUT=1 or when installed before, both reaching an elevated install" \
  '"$msiinfo" export "$msi" Component | grep -q "^DesktopShortcut	.*	DESKTOP_SHORTCUT = \"1\" OR DESKTOP_SHORTCUT_INSTALLED	" &&
   [[ ";$(property "$msi" SecureCustomProperties);" == *";DESKTOP_SHORTCUT;"* ]]'
check "the next version has its own product code under the same upgrade code" \
  '[ "$(property "$next.msi" UpgradeCode)" = "$(property "$msi" UpgradeCode)" ] &&
   [ "$(property "$next.msi" ProductCode)" != "$(property "$msi" ProductCode)" ]'

# The files: exactly the program and the loader, the same in the package and in the zip.
mkdir -p "$work/msi" "$work/zip"
msiextract=${msiinfo%msiinfo}msiextract
"$msiextract" -C "$work/msi" "$msi" >/dev/null
python3 -m zipfile -e "$package.zip" "$work/zip"
# (msiextract names the folders below Program Files, which the Directory table fixes above.)
installed="$work/msi/VESKO/Vesko Browser (test)"
check "the package holds exactly the program and the loader" \
  '[ "$(cd "$work/msi" && find . -type f | sort | tr "\n" " ")" = "./VESKO/Vesko Browser (test)/VeskoBrowser-Kiosk.exe ./VESKO/Vesko Browser (test)/WebView2Loader.dll " ]'
check "the zip holds the same two files" \
  '[ "$(ls "$work/zip" | tr "\n" " ")" = "VeskoBrowser-Kiosk.exe WebView2Loader.dll " ] &&
   cmp -s "$work/zip/VeskoBrowser-Kiosk.exe" "$installed/VeskoBrowser-Kiosk.exe" &&
   cmp -s "$work/zip/WebView2Loader.dll" "$installed/WebView2Loader.dll"'
check "the loader goes in unchanged (the program compares its digest)" 'cmp -s "$loader" "$installed/WebView2Loader.dll"'
check "the installed program carries no debug information" \
  '! sections "$installed/VeskoBrowser-Kiosk.exe" | grep -q "^\.debug_" && sections "$installed/VeskoBrowser-Kiosk.exe" | grep -qx .text'
mkdir -p "$work/debug"
python3 -m zipfile -e "$package-debug.zip" "$work/debug"
check "the debug archive has the program with its line tables, at the installed program's addresses" \
  'sections "$work/debug/VeskoBrowser-Kiosk.exe" | grep -qx .debug_line &&
   [ "$(section_vma "$work/debug/VeskoBrowser-Kiosk.exe" .text)" = "$(section_vma "$installed/VeskoBrowser-Kiosk.exe" .text)" ]'
echo "sizes: msi $(stat -c %s "$msi"), zip $(stat -c %s "$package.zip"), debug zip $(stat -c %s "$package-debug.zip") bytes"

# The release package, made with a loader the build pins: its own product and folder.
loader_sha256=$(sha256sum "$loader" | cut -c1-64)
make_package release "$loader" "$loader_sha256" "$work/release" >"$work/release.log" 2>&1
release_msi="$work/release/VeskoBrowser-$version-x64.msi"
check "a release package with the pinned loader" '[ -f "$release_msi" ]'
check "the release product's upgrade code, name and folder" \
  '[ "$(property "$release_msi" UpgradeCode)" = "{DEFA1DCE-0B24-4909-B213-6DC1DB73D509}" ] &&
   [ "$(property "$release_msi" ProductName)" = "Vesko Browser" ] &&
   [ "$(directory "$release_msi" INSTALLDIR)" = "VendorFolder	Vesko Browser" ]'

# A loader with another digest than the pinned one is refused, naming both, and nothing is made.
pinned=2d64a312551930dc56612cf358fcfd23133c0596a88c3ec1c467c392ff00b493
make_package release "$loader" "$pinned" "$work/refused" >"$work/refused.log" 2>&1
rc=$?
refusal=$(tr -d '\n ' <"$work/refused.log")
check "a loader with the wrong digest stops the step ($rc)" '[ "$rc" != 0 ]'
check "the refusal names the loader's digest and the pinned one" \
  '[[ $refusal == *PACKAGE_LOADER_DIGEST*"$loader_sha256"*"$pinned"* ]]'
check "and nothing is made" '[ -z "$(find "$work/refused" -name "*.msi" -o -name "*.zip" 2>/dev/null)" ]'

[ $failures -eq 0 ] && echo "all checks passed"
exit $((failures > 0))
