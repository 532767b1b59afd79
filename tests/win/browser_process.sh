#!/usr/bin/env bash
# The real VeskoBrowser-Kiosk.exe under Wine and Xvfb at 96 dpi, with the stand-in loader beside
# it: its first tab's view fills the band between the toolbar and the status line; the
# caption buttons maximise the window (the view following) and restore it; the close
# button ends the program with 0.
# Usage: browser_process.sh WINE_RUN BIN_DIR PREFIX WORK_DIR
set -uo pipefail
wine_run=$1 bin=$2 prefix=$3 work=$4
source "$(dirname "$0")/lib/window_test.sh"
rm -rf "$work"; mkdir -p "$work"
prepare_prefix 96
# The main window's state as Windows sees it, from a helper in the same prefix.
window_state() { (cd "$bin" && "$wine_run" "$prefix" ./window_state_probe.exe 2>/dev/null) | tr -d '\r'; }

start_program "$work/rc" "$bin" ./VeskoBrowser-Kiosk.exe
if ! w=$(wait_window '.+ Vesko Browser$'); then
  fail "no ready engine: the first tab never named the window"; kill "$(cat "$work/rc.pid")"; finish
fi
point_at "$w" 640 400
# The view comes a moment after the tab, turning the frame's page background white.
for _ in $(seq 1 20); do shot "$w" "$work/ready.png"; [ "$(rgb "$work/ready.png" 640 88)" = "255 255 255" ] && break; done
check_picture "$work/ready.png" <<'EOF'
640 87 FFFFFF 0 the toolbar ends at 88
640 88 FFFFFF 0 where the view starts, white
640 822 FFFFFF 0 the view ends at 823
640 823 EFF3F4 0 where the status band starts
198 55 200 22 000000 119 -gt 30 the portal's address in the address field
EOF

click_at "$w" 1211 21
state=$(window_state)
check "the middle caption button maximises: $state" '[[ $state =~ zoomed=1 ]]'
# Maximised, the window lies beyond the screen by its resize frame (4 pixels under Wine,
# 8 on Windows at 96 dpi); the client area leaves that band out and is the work area.
check "maximised, the client area is the work area: $state" '[[ $state =~ client=0,0,1600,1000\ work=0,0,1600,1000 ]]'
shot "$w" "$work/maximised.png"
check_picture "$work/maximised.png" <<'EOF'
1532 13 6 2 3C4043 8 -gt 6 the Restore glyph: a square where the Maximise square is empty
1570 14 15 15 3C4043 40 -gt 12 the close button's cross, whole on screen
1578 64 5F6368 0 the menu dots at the right end of the toolbar
1590 500 FFFFFF 0 the view reaches the screen's right edge
1590 972 FFFFFF 0 and the status band
1590 973 EFF3F4 0 the status band at the bottom of the screen
EOF
click_at "$w" 1539 21
state=$(window_state)
check "the same button restores: $state" '[[ $state =~ zoomed=0.*width=1280\ height=850 ]]'

click_at "$w" 1257 21
rc=$(wait_exit "$work/rc")
check "the close button ends the program with 0 ($rc)" '[ "$rc" = 0 ]'
echo "screenshots in $work"
finish
