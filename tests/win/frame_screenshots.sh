#!/usr/bin/env bash
# Pictures of the window frame under Wine and Xvfb at one DPI, with colours and positions
# checked at chosen pixels: the real program before its engine is ready and with its
# first tab (busy), its caption buttons hovered and maximised; scene windows (the tab
# list filled directly) with several tabs, more tabs than fit, a tab with unsaved input
# and a tab that is only busy with page activity. The pictures stay in WORK_DIR.
# Usage: frame_screenshots.sh WINE_RUN BIN_DIR PREFIX DPI WORK_DIR
set -uo pipefail
wine_run=$1 bin=$2 prefix=$3 dpi=$4 work=$5
[ -n "${DISPLAY:-}" ] || { echo "needs an X display (scripts/test starts Xvfb)"; exit 1; }
source "$(dirname "$0")/lib/window_test.sh"
scale=$(awk -v d="$dpi" 'BEGIN { print d / 96 }')
rm -rf "$work"; mkdir -p "$work"

# The prefix is this test's own: its DPI, and windows that Wine places itself (there is
# no window manager), so a maximised window really covers the screen.
"$wine_run" "$prefix" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
"$wine_run" "$prefix" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1

S() { px "$1"; }
W=1280 H=850  # the window's size in physical pixels, at any DPI

# The progress line: #18775E over the white toolbar at an opacity between 48 and 108 (it
# pulses while animations are on, and stays at 75 when they are off).
expect_progress_line() {
  local label=$1 file=$2 x=$3 y=$4 got
  got=$(rgb "$file" "$x" "$y")
  if awk -v c="$got" 'BEGIN { split(c, v, " "); a = (255 - v[1]) / (255 - 24)
        g = 255 - (255 - 119) * a; b = 255 - (255 - 94) * a
        exit !(a * 255 >= 44 && a * 255 <= 112 && (v[2] - g)^2 <= 16 && (v[3] - b)^2 <= 16) }'; then
    pass "$label: ($x,$y) is the progress green at rgb($got)"
  else
    fail "$label: ($x,$y) is rgb($got), not #18775E over white at 48 to 108"
  fi
}

# Tab strip geometry for COUNT tabs with the first shown tab FIRST: tab_left I, tab_right I.
strip() {
  local count=$1 first=$2
  available=$(( W - $(S 252) )); [ $available -lt $(S 100) ] && available=$(S 100)
  fit=$(( available / $(S 90) )); [ $fit -lt 1 ] && fit=1
  shown=$(( count - first < fit ? count - first : fit ))
  tab_width=$(( available / shown )); [ $tab_width -gt $(S 238) ] && tab_width=$(S 238)
  strip_first=$first
  strip_end=$(( $(S 45) + shown * tab_width ))
}
tab_left() { echo $(( $(S 45) + ($1 - strip_first) * tab_width )); }
tab_right() { echo $(( $(S 45) + ($1 - strip_first + 1) * tab_width - $(S 3) )); }

finish() {  # closes the window with its own close button; the program must end with 0
  local label=$1 rc_file=$2 job=$3 window=$4
  click_close_button "$window"
  local rc; rc=$(wait_exit "$rc_file" "$job" 20)
  [ "$rc" = 0 ] && pass "$label: closed by its close button, exit 0" || fail "$label: exit code $rc after close"
}

# --- The real program whose engine cannot start: the frame before the engine is ready.
VESKO_STANDIN_KNOBS=no-runtime start_program "$work/not-ready.rc" "$bin" ./VeskoBrowser.exe
job=$started
if w=$(wait_window '^Vesko Browser$'); then
  point_at "$w" $((W / 2)) $((H / 2))
  shot "$w" "$work/not-ready.png"
  f=$work/not-ready.png
  expect_pixel "not ready: tab strip band" "$f" $((W / 2)) $(( $(S 43) - 1 )) E8EDF5
  expect_pixel "not ready: no toolbar below the strip" "$f" $((W / 2)) $(S 43) F8FAFB
  expect_pixel "not ready: no toolbar" "$f" $((W / 2)) $(S 80) F8FAFB
  expect_pixel "not ready: status band" "$f" $((W / 2)) $(( H - 2 )) EFF3F4
  expect_count "not ready: application icon drawn" "$(count_near "$f" $(S 9) $(S 9) $(S 26) $(S 26) E8EDF5 3)" -lt $(( $(S 26) * $(S 26) / 2 ))
  expect_count "not ready: no tab, no new-tab button" "$(count_ink "$f" $(S 40) 0 $(( W - $(S 200) )) $(S 43))" -eq 0
  expect_count "not ready: no address field" "$(count_ink "$f" $(S 165) $(S 47) $(S 400) $(S 35))" -eq 0
  expect_count "not ready: the failure on the status line" "$(count_ink "$f" $(S 12) $(( H - $(S 26) )) $(S 300) $(S 26) 170)" -gt 20
  expect_count "not ready: zoom text" "$(count_near "$f" $(( W - $(S 100) )) $(( H - $(S 26) )) $(S 88) $(S 26) 1A6F55 60)" -gt 5
  expect_count "not ready: caption glyphs" "$(count_ink "$f" $(( W - $(S 138) )) 0 $(S 138) $(S 40) 100)" -gt 20
  finish "not ready" "$work/not-ready.rc" "$job" "$w"
else
  fail "the program without an engine showed no window"; abandon "$work/not-ready.rc" "$job"
fi

# --- The real program with the stand-in engine: ready, its first tab with its view.
start_program "$work/first-tab.rc" "$bin" ./VeskoBrowser.exe
job=$started
if w=$(wait_window '.+ Vesko Browser$'); then
  point_at "$w" $((W / 2)) $((H / 2))
  # The view comes a moment after the tab: the page area turns from the frame's
  # background to the page's white.
  wait_pixel "$w" "$work/first-tab.png" $((W / 2)) $(( H - $(S 27) - 1 )) FFFFFF 10 ||
    fail "first tab: no view appeared between the toolbar and the status band"
  f=$work/first-tab.png
  strip 1 0
  left=$(tab_left 0) right=$(tab_right 0)
  expect_pixel "first tab: active tab is white" "$f" $(( left + $(S 60) )) $(S 12) FFFFFF
  expect_pixel "first tab: square lower corner" "$f" "$left" $(( $(S 42) - 1 )) FFFFFF
  expect_pixel "first tab: rounded upper corner" "$f" "$left" $(S 5) E8EDF5 8
  expect_count "first tab: title" "$(count_ink "$f" $(( left + $(S 30) )) $(S 14) $(S 60) $(S 20))" -gt 10
  expect_count "first tab: close glyph" "$(count_near "$f" $(( right - $(S 22) )) $(S 18) $(S 12) $(S 12) 434A53 60)" -gt 3
  expect_count "first tab: new-tab plus" "$(count_near "$f" $(( strip_end + $(S 3) )) $(S 10) $(S 28) $(S 28) 5F6368 40)" -gt 3
  expect_pixel "first tab: address box" "$f" $(( W - $(S 55) )) $(S 66) EDF2FA
  expect_pixel "first tab: address field background" "$f" $(( W - $(S 70) )) $(S 66) EDF1FA
  expect_count "first tab: address text in the field" "$(count_ink "$f" $(S 198) $(S 55) $(S 200) $(S 22) 120)" -gt 30
  expect_count "first tab: menu dots" "$(count_near "$f" $(( W - $(S 24) )) $(S 56) $(S 7) $(S 17) 5F6368 60)" -gt 2
  expect_count "first tab: status text" "$(count_ink "$f" $(S 12) $(( H - $(S 26) )) $(S 120) $(S 26) 170)" -gt 10
  # The page's view fills the band between the toolbar and the status line.
  expect_pixel "first tab: the view starts where the toolbar ends" "$f" $((W / 2)) $(S 88) FFFFFF
  expect_pixel "first tab: the status band stays below the view" "$f" $((W / 2)) $(( H - $(S 27) )) EFF3F4

  X=$(( W - $(S 138) ))
  point_at "$w" $(( X + $(S 23) )) $(S 21)
  shot "$w" "$work/hover-minimise.png"
  f=$work/hover-minimise.png
  expect_pixel "hovered minimise button" "$f" $(( X + $(S 8) )) $(S 30) D7DEE9
  expect_count "hovered minimise: dark glyph" "$(count_near "$f" $(( X + $(S 15) )) $(S 22) $(S 16) $(S 5) 3C4043 40)" -gt 3
  expect_pixel "hovered minimise: close button not red" "$f" $(( X + $(S 100) )) $(S 30) E8EDF5

  point_at "$w" $(( X + $(S 92) + $(S 23) )) $(S 21)
  shot "$w" "$work/hover-close.png"
  f=$work/hover-close.png
  expect_pixel "hovered close button is red" "$f" $(( X + $(S 100) )) $(S 30) DB3842
  expect_pixel "hovered close button: white cross" "$f" $(( X + $(S 92) + $(S 23) )) $(S 21) FFFFFF 40
  expect_pixel "hovered close: minimise no longer hovered" "$f" $(( X + $(S 8) )) $(S 30) E8EDF5

  # Maximise with the middle caption button: the window covers the screen (its frame
  # edge just outside it) and the button shows the Restore glyph.
  maximise_x=$(( X + $(S 46) + $(S 23) ))
  expect_count "normal window: Maximise glyph, nothing inside the square" "$(count_ink "$f" $(( maximise_x - 1 )) $(( $(S 21) - $(S 3) - 1 )) 3 3 120)" -eq 0
  click_at "$w" "$maximise_x" $(S 21)
  point_at "$w" 700 500
  shot "$w" "$work/maximised.png"
  f=$work/maximised.png
  sw=$(identify -format %w "$f") sh=$(identify -format %h "$f")
  [ "$sw" = 1600 ] && [ "$sh" = 1000 ] && pass "maximised: covers the screen" || fail "maximised: picture ${sw}x${sh}"
  # The window's origin lies just outside the screen, by its resize frame.
  read -r ox oy < <(xwininfo -id "$w" | awk '/Absolute upper-left X/ { x = $4 } /Absolute upper-left Y/ { y = $4 } END { print -x, -y }')
  MW=$(window_width "$w")
  MX=$(( MW - $(S 138) - ox ))
  expect_count "maximised: Restore glyph in the middle button" "$(count_ink "$f" $(( MX + $(S 46) + $(S 23) - 1 )) $(( $(S 21) - $(S 3) - 1 - oy )) 3 3 120)" -gt 0
  expect_pixel "maximised: toolbar spans the width" "$f" $(( sw - $(S 60) )) $(( $(S 45) - oy )) FFFFFF
  click_at "$w" $(( MX + $(S 46) + $(S 23) + ox )) $(( $(S 21) ))
  sleep 0.5
  [ "$(window_width "$w")" = "$W" ] && pass "restored to ${W} wide" || fail "restore: width $(window_width "$w")"
  finish "first tab" "$work/first-tab.rc" "$job" "$w"
else
  fail "the program did not reach a ready engine with its first tab"; abandon "$work/first-tab.rc" "$job"
fi

# --- Several tabs: the selected one in front, a dirty one with its bullet, hover.
start_program "$work/tabs.rc" "$bin" ./frame_scene.exe tabs=3 active=1 dirty=2 back=1 warn=0 "title.0=" "title.2=" \
  "title.1=Regjistri i lendeve te hapura ne zyren qendrore te arkivit"
job=$started
if w=$(wait_window '^Regjistri .* Vesko Browser$'); then
  point_at "$w" $((W / 2)) $((H / 2))
  shot "$w" "$work/tabs.png"
  f=$work/tabs.png
  strip 3 0
  expect_pixel "tabs: the selected tab is white" "$f" $(( $(tab_left 1) + $(S 60) )) $(S 12) FFFFFF
  expect_pixel "tabs: another tab in the strip colour" "$f" $(( $(tab_left 0) + $(S 60) )) $(S 12) E8EDF5
  expect_count "tabs: dirty tab shows its bullet" "$(count_ink "$f" $(( $(tab_left 2) + $(S 30) )) $(S 14) $(S 12) $(S 20))" -gt 2
  expect_count "tabs: clean tab with the same empty title shows none" "$(count_ink "$f" $(( $(tab_left 0) + $(S 30) )) $(S 14) $(S 12) $(S 20))" -eq 0
  expect_count "tabs: idle tabs show the icon" "$(count_near "$f" $(( $(tab_left 0) + $(S 8) )) $(S 16) $(S 17) $(S 17) 2562C2 50)" -gt 5
  r1=$(tab_right 1)
  expect_count "tabs: a long title runs up to its end" "$(count_ink "$f" $(( r1 - $(S 40) )) $(S 14) $(S 12) $(S 20) 200)" -gt 2
  expect_count "tabs: and stops before the close glyph" "$(count_ink "$f" $(( r1 - $(S 28) )) $(S 14) $(S 5) $(S 20) 200)" -eq 0
  expect_count "tabs: back with history is dark" "$(count_near "$f" $(S 7) $(S 48) $(S 36) $(S 33) 5F6368 12)" -gt 3
  expect_count "tabs: forward without history is grey" "$(count_near "$f" $(S 46) $(S 48) $(S 36) $(S 33) B4B9C0 12)" -gt 3
  expect_count "tabs: reload glyph, nothing at its centre" "$(count_ink "$f" $(( $(S 103) - 1 )) $(( $(S 64) - 1 )) 3 3)" -eq 0
  expect_count "tabs: no progress line" "$(count_near "$f" $(S 170) $(S 84) $(S 400) $(S 2) FFFFFF 0)" -eq $(( $(S 400) * $(S 2) ))
  expect_pixel "tabs: strip band ends at 43 units" "$f" $(( W - $(S 300) )) $(( $(S 43) - 1 )) E8EDF5
  expect_pixel "tabs: toolbar starts at 43 units" "$f" $(( W - $(S 300) )) $(S 43) FFFFFF
  expect_pixel "tabs: toolbar ends at 88 units" "$f" $(( W - $(S 300) )) $(( $(S 88) - 1 )) FFFFFF
  expect_pixel "tabs: page area from 88 units" "$f" $(( W - $(S 300) )) $(S 88) F8FAFB

  point_at "$w" $(( $(tab_left 0) + $(S 60) )) $(S 24)
  shot "$w" "$work/tab-hover.png"
  expect_pixel "hovered tab" "$work/tab-hover.png" $(( $(tab_left 0) + $(S 60) )) $(S 12) DAE1EC
  r0=$(tab_right 0)
  point_at "$w" $(( r0 - $(S 16) )) $(S 24)
  shot "$w" "$work/tab-close-hover.png"
  close_hover=$(awk 'BEGIN { a = 110 / 255; printf "%02X%02X%02X", int(187 * a + 218 * (1 - a) + 0.5),
    int(199 * a + 225 * (1 - a) + 0.5), int(216 * a + 236 * (1 - a) + 0.5) }')
  expect_pixel "hovered close glyph of a tab" "$work/tab-close-hover.png" $(( r0 - $(S 16) )) $(( $(S 24) - $(S 9) )) "$close_hover" 4
  finish "several tabs" "$work/tabs.rc" "$job" "$w"
else
  fail "the scene with several tabs showed no window"; abandon "$work/tabs.rc" "$job"
fi

# --- More tabs than fit: the first ones shown, then the last one selected.
start_program "$work/overflow.rc" "$bin" ./frame_scene.exe tabs=14 active=0
job=$started
if w=$(wait_window '^Skeda 1 .* Vesko Browser$'); then
  point_at "$w" $((W / 2)) $((H / 2))
  shot "$w" "$work/overflow-start.png"
  f=$work/overflow-start.png
  strip 14 0
  expect_count "overflow: scroll-right mark after the last shown tab" "$(count_ink "$f" $(( strip_end + $(S 2) )) $(S 10) $(S 18) $(S 28) 200)" -gt 1
  expect_count "overflow: no scroll-left mark at the start" "$(count_ink "$f" $(S 36) $(S 7) $(S 9) $(S 28) 200)" -eq 0
  expect_count "overflow: new-tab plus beyond the mark" "$(count_near "$f" $(( strip_end + $(S 26) )) $(S 10) $(S 28) $(S 28) 5F6368 40)" -gt 3
  finish "overflow start" "$work/overflow.rc" "$job" "$w"
else
  fail "the overflow scene showed no window"; abandon "$work/overflow.rc" "$job"
fi
start_program "$work/overflow-end.rc" "$bin" ./frame_scene.exe tabs=14 active=13
job=$started
if w=$(wait_window '^Skeda 14 .* Vesko Browser$'); then
  point_at "$w" $((W / 2)) $((H / 2))
  shot "$w" "$work/overflow-end.png"
  f=$work/overflow-end.png
  strip 14 0; strip 14 $(( 14 - fit ))
  expect_count "overflow end: scroll-left mark" "$(count_ink "$f" $(S 36) $(S 7) $(S 9) $(S 28) 200)" -gt 1
  expect_pixel "overflow end: the last tab selected in the last place" "$f" $(( $(tab_left 13) + $(S 40) )) $(S 12) FFFFFF
  expect_count "overflow end: new-tab plus right after the tabs" "$(count_near "$f" $(( strip_end + $(S 3) )) $(S 10) $(S 28) $(S 28) 5F6368 40)" -gt 3
  finish "overflow end" "$work/overflow-end.rc" "$job" "$w"
else
  fail "the scrolled overflow scene showed no window"; abandon "$work/overflow-end.rc" "$job"
fi

# --- A loading tab: spinner, progress line and the Stop glyph; no history yet.
start_program "$work/loading.rc" "$bin" ./frame_scene.exe tabs=2 active=0 loading=0
job=$started
if w=$(wait_window '^Skeda 1 .* Vesko Browser$'); then
  point_at "$w" $((W / 2)) $((H / 2))
  shot "$w" "$work/loading.png"
  f=$work/loading.png
  strip 2 0
  expect_count "loading: spinner arc" "$(count_near "$f" $(( $(tab_left 0) + $(S 8) )) $(S 16) $(S 17) $(S 17) 18775E 40)" -gt 2
  expect_count "loading: no icon while busy" "$(count_near "$f" $(( $(tab_left 0) + $(S 8) )) $(S 16) $(S 17) $(S 17) 2562C2 50)" -eq 0
  expect_count "loading: stop glyph" "$(count_ink "$f" $(( $(S 103) - 1 )) $(( $(S 64) - 1 )) 3 3)" -gt 0
  expect_count "loading: back without history is grey" "$(count_near "$f" $(S 7) $(S 48) $(S 36) $(S 33) B4B9C0 12)" -gt 3
  expect_count "loading: back has no dark ink" "$(count_near "$f" $(S 7) $(S 48) $(S 36) $(S 33) 5F6368 12)" -eq 0
  expect_progress_line "loading: progress line" "$f" $((W / 2)) $(S 84)
  expect_count "loading: busy status text" "$(count_ink "$f" $(S 12) $(( H - $(S 26) )) $(S 120) $(S 26) 170)" -gt 10
  expect_pixel "loading: no view, the frame's own background" "$f" $((W / 2)) $(S 88) F8FAFB
  finish "loading" "$work/loading.rc" "$job" "$w"
else
  fail "the loading scene showed no window"; abandon "$work/loading.rc" "$job"
fi

# --- A tab busy only with page activity: spinner and progress line, but Reload, not Stop.
start_program "$work/busy.rc" "$bin" ./frame_scene.exe tabs=2 active=0 ajax=0 zoom=1.25
job=$started
if w=$(wait_window '^Skeda 1 .* Vesko Browser$'); then
  point_at "$w" $((W / 2)) $((H / 2))
  shot "$w" "$work/busy.png"
  f=$work/busy.png
  strip 2 0
  expect_count "busy: spinner on the active tab" "$(count_near "$f" $(( $(tab_left 0) + $(S 8) )) $(S 16) $(S 17) $(S 17) 18775E 40)" -gt 2
  expect_count "busy: idle tab has no spinner" "$(count_near "$f" $(( $(tab_left 1) + $(S 8) )) $(S 16) $(S 17) $(S 17) 18775E 40)" -eq 0
  expect_count "busy: idle tab keeps its icon" "$(count_near "$f" $(( $(tab_left 1) + $(S 8) )) $(S 16) $(S 17) $(S 17) 2562C2 50)" -gt 5
  expect_progress_line "busy: progress line" "$f" $((W / 2)) $(S 84)
  expect_count "busy: reload glyph, not stop" "$(count_ink "$f" $(( $(S 103) - 1 )) $(( $(S 64) - 1 )) 3 3)" -eq 0
  expect_count "busy: busy status text" "$(count_ink "$f" $(S 12) $(( H - $(S 26) )) $(S 120) $(S 26) 170)" -gt 10
  finish "busy" "$work/busy.rc" "$job" "$w"
else
  fail "the busy scene showed no window"; abandon "$work/busy.rc" "$job"
fi

echo "screenshots in $work"
[ $failures -eq 0 ] && echo "all frame checks passed at $dpi dpi"
exit $((failures > 0))
