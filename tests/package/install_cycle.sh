#!/usr/bin/env bash
# The test package in a fresh Wine prefix of its own, as an administrator would use it: a
# silent install puts the program, its loader and the Start menu shortcut in place; the
# installed program shows the portal (stand-in engine), keeps a preference and passes its
# self-test; the next version replaces it in place; the older one is then refused and
# changes nothing; a silent uninstall removes the program and its shortcuts and leaves the
# user's data folder. Prints how long each msiexec took.
# Usage: install_cycle.sh WINE_RUN PREFIX PACKAGE NEXT_PACKAGE NEXT_VERSION SITE PORTAL_HOST WORK_DIR
# PACKAGE and NEXT_PACKAGE are paths without the extension; their .stage/files folders hold
# what each one installs.
set -uo pipefail
wine_run=$1 prefix=$2 old=$3 new=$4 next_version=$5 site=$6 portal_host=$7 work=$8
source "$(dirname "$0")/../win/lib/window_test.sh"
# No menu entries, icons or desktop files for the host's desktop from the shortcuts.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
rm -rf "$work" "$prefix"; mkdir -p "$work/site"
cp -r "$site" "$work/site/$portal_host"
prepare_prefix 96
# Wine links the user's Desktop and Documents to the host's home folder; here they are the
# prefix's own folders, so that a shortcut stays inside the prefix.
for link in "$prefix"/drive_c/users/*/*; do
  if [ -L "$link" ]; then rm "$link" && mkdir "$link"; fi
done
user_dir=$(find "$prefix/drive_c/users" -mindepth 1 -maxdepth 1 -type d ! -name Public | head -n1)
folder="$prefix/drive_c/Program Files/VESKO/Vesko Browser (test)"
data="$user_dir/AppData/Local/VESKO/Browser-Kiosk"
win_path() { echo "Z:$1" | tr / '\\'; }

# msiexec ARGS...: runs it, waits for the prefix to settle, and echoes "EXIT_CODE SECONDS".
# Wine hands on the exit code modulo 256: 1603 (a fatal error) arrives as 67.
msiexec() {
  local start rc
  start=$(date +%s%N)
  "$wine_run" "$prefix" msiexec "$@" >/dev/null 2>&1
  rc=$?
  WINEPREFIX=$prefix wineserver -w
  echo "$rc $(( ($(date +%s%N) - start) / 1000000 ))"
}
# The installed folder's files, sorted, on one line; "-" when it does not exist.
installed_files() { if [ -d "$folder" ]; then (cd "$folder" && ls -A | tr '\n' ' '); else echo -; fi; }
# True when the installed files are those of the package PATH.
installed_from() {
  cmp -s "$folder/VeskoBrowser-Kiosk.exe" "$1.stage/files/VeskoBrowser-Kiosk.exe" &&
    cmp -s "$folder/WebView2Loader.dll" "$1.stage/files/WebView2Loader.dll"
}
# The shortcuts named after the product, anywhere in the prefix, relative to drive_c.
# A per-machine install puts them into the all-users Start menu and desktop on Windows;
# Wine uses the installing user's folders, so both places count.
shortcuts() { (cd "$prefix/drive_c" && find . -name 'Vesko Browser (test).lnk' | sort | tr '\n' ' '); }
# "DisplayName=VERSION" for every entry of the installed programs that is this product.
products() {
  "$wine_run" "$prefix" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s 2>/dev/null |
    tr -d '\r' | awk '/DisplayName/ { name = substr($0, index($0, "REG_SZ") + 10) }
      /DisplayVersion/ { if (name == "Vesko Browser (test)") print name "=" substr($0, index($0, "REG_SZ") + 10); name = "" }'
}

read -r rc ms < <(msiexec /i "$(win_path "$old.msi")" /qn /l*v "$(win_path "$work/install.log")")
echo "install: $ms ms"
check "a silent install succeeds ($rc)" '[ "$rc" = 0 ]'
check "it installs exactly the program and the loader: $(installed_files)" \
  '[ "$(installed_files)" = "VeskoBrowser-Kiosk.exe WebView2Loader.dll " ] && installed_from "$old"'
start_menu_shortcut=$(shortcuts)
check "one Start menu shortcut and no desktop shortcut: $start_menu_shortcut" \
  '[[ $start_menu_shortcut =~ ^\./[^\ ]*/Start\ Menu/Programs/Vesko\ Browser\ \(test\)\.lnk\ $ ]]'
check "the shortcut starts the installed program" \
  'strings -a "$prefix/drive_c/${start_menu_shortcut% }" | grep -qF "Vesko Browser (test)\\VeskoBrowser-Kiosk.exe"'
check "one installed product: $(products | tr '\n' ' ')" '[ "$(products | wc -l)" = 1 ]'

# The installed program, started from its folder as the shortcut does.
export VESKO_STANDIN_SITE; VESKO_STANDIN_SITE=$(win_path "$work/site")
start_program "$work/run.rc" "$folder" ./VeskoBrowser-Kiosk.exe
if w=$(wait_window '^KORDIS .* Vesko Browser$'); then
  pass "the installed program shows the portal"
  point_at "$w" 640 400
  for _ in $(seq 1 20); do shot "$w" "$work/portal.png"; [ "$(rgb "$work/portal.png" 640 300)" = "255 255 255" ] && break; done
  check_picture "$work/portal.png" <<'EOF2'
640 88 FFFFFF 0 the page's view below the toolbar
198 55 200 22 000000 119 -gt 30 the portal's address in the address field
EOF2
  # The three-dots menu, Settings, its last item: "warn about unsaved work" off, saved.
  click_at "$w" 1259 64
  xdotool key Down Right Up Return; sleep 1
  check "the program wrote its preferences: $(tr -d '\n' <"$data/preferences.json" 2>/dev/null)" \
    'grep -q "\"warnOnClose\": false" "$data/preferences.json"'
  click_at "$w" 1257 21
  rc=$(wait_exit "$work/run.rc")
  check "and ends with 0 ($rc)" '[ "$rc" = 0 ]'
else
  fail "the installed program never showed the portal"; kill "$(cat "$work/run.rc.pid")"
fi
preferences=$(cat "$data/preferences.json" 2>/dev/null)

start_program "$work/self-test.rc" "$folder" ./VeskoBrowser-Kiosk.exe --self-test
# The program ends only once its box is answered; the key may reach the box while Wine
# still reports an error for the window, so the exit, not the helper's result, decides.
answer_box "Self test$" "$work/self-test.png"
rc=$(wait_exit "$work/self-test.rc")
check "the installed program passes its self-test ($rc): the box shown, the report beside it" \
  '[ "$rc" = 0 ] && [ -s "$work/self-test.png" ] && [ -s "$folder/Vesko_self_test.json" ]'

read -r rc ms < <(msiexec /i "$(win_path "$new.msi")" /qn DESKTOP_SHORTCUT=1 /l*v "$(win_path "$work/upgrade.log")")
echo "upgrade: $ms ms"
check "the next version installs over it ($rc)" '[ "$rc" = 0 ]'
check "one installed product, the newer: $(products | tr '\n' ' ')" \
  '[ "$(products)" = "Vesko Browser (test)=$next_version" ]'
check "the newer files, and the old self-test report gone with the old version: $(installed_files)" \
  '[ "$(installed_files)" = "VeskoBrowser-Kiosk.exe WebView2Loader.dll " ] && installed_from "$new"'
shortcuts_after_upgrade=$(shortcuts)
check "DESKTOP_SHORTCUT=1 adds the desktop shortcut: $shortcuts_after_upgrade" \
  '[[ $shortcuts_after_upgrade == *"/Desktop/Vesko Browser (test).lnk "* ]] &&
   [[ $shortcuts_after_upgrade == *"/Start Menu/Programs/Vesko Browser (test).lnk "* ]] &&
   [ "$(echo "$shortcuts_after_upgrade" | grep -o "\.lnk" | wc -l)" = 2 ]'

read -r rc ms < <(msiexec /i "$(win_path "$old.msi")" /qn /l*v "$(win_path "$work/downgrade.log")")
echo "downgrade attempt: $ms ms"
check "the older version is refused (1603, seen as 67: $rc)" '[ "$rc" = 67 ]'
check "and changes nothing" \
  '[ "$(products)" = "Vesko Browser (test)=$next_version" ] && installed_from "$new" &&
   [ "$(shortcuts)" = "$shortcuts_after_upgrade" ]'

read -r rc ms < <(msiexec /x "$(win_path "$new.msi")" /qn /l*v "$(win_path "$work/uninstall.log")")
echo "uninstall: $ms ms"
check "a silent uninstall succeeds ($rc)" '[ "$rc" = 0 ]'
# Windows also removes the emptied VESKO folder above it; Wine leaves that one.
check "the program's folder is gone: $(installed_files)" '[ "$(installed_files)" = - ]'
check "the shortcuts are gone: $(shortcuts)" '[ -z "$(shortcuts)" ]'
check "no installed product is left" '[ -z "$(products)" ]'
check "the user's preferences stay" '[ -n "$preferences" ] && [ "$(cat "$data/preferences.json")" = "$preferences" ]'
finish
