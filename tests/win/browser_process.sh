#!/usr/bin/env bash
# The real VeskoBrowser.exe under Wine and Xvfb with the stand-in loader beside it: it
# reaches a ready engine with its first tab; a second start raises the first window
# (restoring it when minimised, leaving it maximised when maximised) and exits 0; the
# close button ends the program with 0.
# Usage: browser_process.sh WINE_RUN BIN_DIR PREFIX WORK_DIR
set -uo pipefail
wine_run=$1 bin=$2 prefix=$3 work=$4
[ -n "${DISPLAY:-}" ] || { echo "needs an X display (scripts/test starts Xvfb)"; exit 1; }
source "$(dirname "$0")/lib/window_test.sh"
scale=1
rm -rf "$work"; mkdir -p "$work"

# This test's own prefix: 96 dpi, and windows placed by Wine itself (no window manager).
"$wine_run" "$prefix" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 96 /f >/dev/null 2>&1
"$wine_run" "$prefix" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1

# One line about the running browser's main window, from a helper in the same prefix.
window_state() { (cd "$bin" && "$wine_run" "$prefix" ./window_state_probe.exe 2>/dev/null) | tr -d '\r'; }
expect_state() {
  local label=$1 pattern=$2 state; state=$(window_state)
  [[ "$state" =~ $pattern ]] && pass "$label" || fail "$label: $state"
}
second_start() {
  local label=$1 rc
  start_program "$work/second.rc" "$bin" ./VeskoBrowser.exe
  rc=$(wait_exit "$work/second.rc" "$started" 20)
  [ "$rc" = 0 ] && pass "$label: second start exits 0" || fail "$label: second start exit code $rc"
  local count; count=$(xdotool search --onlyvisible --name 'Vesko Browser' 2>/dev/null | wc -l)
  [ "$count" = 1 ] && pass "$label: still one browser window" || fail "$label: $count browser windows"
}

start_program "$work/first.rc" "$bin" ./VeskoBrowser.exe
first=$started
if ! w=$(wait_window '.+ Vesko Browser$'); then
  fail "no ready engine: the first tab never came"
  abandon "$work/first.rc" "$first"
  exit 1
fi
pass "engine ready: the first tab is selected and names the window"
point_at "$w" 640 400
shot "$w" "$work/ready.png"
expect_count "the address field shows the portal address" "$(count_ink "$work/ready.png" 198 55 200 22 120)" -gt 30
expect_state "one normal window" 'found=1 iconic=0 zoomed=0 visible=1 .*width=1280 height=850'

second_start "running"
expect_state "the first window is unchanged" 'found=1 iconic=0 zoomed=0 visible=1 .*width=1280 height=850'

X=$((1280 - 138))
click_at "$w" $((X + 23)) 21
expect_state "minimised by its caption button" 'found=1 iconic=1'
second_start "minimised"
expect_state "a second start restores the minimised window" 'found=1 iconic=0 zoomed=0 visible=1 foreground=1 width=1280'

click_at "$w" $((X + 46 + 23)) 21
expect_state "maximised by its caption button" 'found=1 iconic=0 zoomed=1'
second_start "maximised"
expect_state "a second start leaves the maximised window maximised" 'found=1 iconic=0 zoomed=1 visible=1 foreground=1'
shot "$w" "$work/maximised.png"
# Back to normal with the same button, which now sits further right.
read -r ox < <(xwininfo -id "$w" | awk '/Absolute upper-left X/ { print -$4 }')
click_at "$w" $(( $(window_width "$w") - 138 + 46 + 23 - ox )) 21
expect_state "restored by the middle caption button" 'found=1 iconic=0 zoomed=0 .*width=1280 height=850'

click_close_button "$w"
rc=$(wait_exit "$work/first.rc" "$first" 20)
[ "$rc" = 0 ] && pass "closing the window ends the program with 0" || fail "exit code after closing: $rc"
wait_no_window 'Vesko Browser' && pass "the window is gone" || fail "a browser window is still shown"
expect_state "no browser window is left" 'found=0'

echo "screenshots in $work"
[ $failures -eq 0 ] && echo "all browser process checks passed"
exit $((failures > 0))
