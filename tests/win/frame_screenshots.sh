#!/usr/bin/env bash
# Pictures of the window frame under Wine and Xvfb at 96 or 144 dpi, checked at literal
# pixels measured once from the program: a scene window (the tab list filled directly, no
# engine views) with more tabs than fit and the last one selected and loading, a busy tab,
# an idle one and one with history; then a tab and the close button hovered.
# Usage: frame_screenshots.sh WINE_RUN BIN_DIR PREFIX DPI WORK_DIR
set -uo pipefail
wine_run=$1 bin=$2 prefix=$3 dpi=$4 work=$5
source "$(dirname "$0")/lib/window_test.sh"
rm -rf "$work"; mkdir -p "$work"
prepare_prefix "$dpi"

# The window is 1280 by 850 pixels at any DPI. 96 dpi: eleven tabs of 93 from x 45 (tabs 4
# to 14, the loading one at 975), 144 dpi: six tabs of 150 from x 68 (tabs 9 to 14, the
# loading one at 818). Colours: strip #E8EDF5, toolbar white, page area #F8FAFB, status
# band #EFF3F4, progress line #18775E at alpha 75 over white, spinner #18775E, icon #2562C2,
# glyphs #5F6368 and greyed #B4B9C0, hovered tab #DAE1EC, hovered close button #DB3842.
case $dpi in
  96) tab=(741 24) close=(1257 21) scene=$(cat <<'EOF'
600 42 E8EDF5 0 the strip band ends at 43
600 43 FFFFFF 0 the toolbar starts at 43
600 84 BBD7CF 2 the progress line at 84
600 88 F8FAFB 0 the page area starts at 88
600 823 EFF3F4 0 the status band starts at 823
1020 12 FFFFFF 0 the selected tab is white, in the last place
1070 12 E8EDF5 0 the strip colour after it
1084 24 5F6368 0 the new-tab plus right after it
36 7 9 28 000000 199 -gt 1 the scroll-left mark
983 16 17 17 18775E 40 -gt 2 the loading tab's spinner
797 16 17 17 18775E 40 -gt 2 the busy background tab's spinner
704 16 17 17 2562C2 50 -gt 5 an idle tab's icon
704 16 17 17 18775E 40 -eq 0 and no spinner
102 63 3 3 000000 149 -gt 0 the Stop glyph's centre
7 48 36 33 5F6368 12 -gt 3 Back with history
46 48 36 33 B4B9C0 12 -gt 3 Forward without history, grey
12 826 120 22 000000 169 -gt 10 the busy status text
EOF
) hovered=(740 12 1240 30 1257 21) ;;
  144) tab=(742 36) close=(1245 32) scene=$(cat <<'EOF'
600 64 E8EDF5 0 the strip band ends at 65
600 65 FFFFFF 0 the toolbar starts at 65
600 127 BBD7CF 2 the progress line at 126 to 128
600 132 F8FAFB 0 the page area starts at 132
600 809 EFF3F4 0 the status band starts at 809
890 18 FFFFFF 0 the selected tab is white, in the last place
970 18 E8EDF5 0 the strip colour after it
993 36 5F6368 0 the new-tab plus right after it
54 10 14 42 000000 199 -gt 1 the scroll-left mark
829 23 26 26 18775E 40 -gt 2 the loading tab's spinner
529 23 26 26 18775E 40 -gt 2 the busy background tab's spinner
380 24 26 26 2562C2 50 -gt 5 an idle tab's icon
380 24 26 26 18775E 40 -eq 0 and no spinner
154 95 3 3 000000 149 -gt 0 the Stop glyph's centre
10 72 54 50 5F6368 12 -gt 3 Back with history
69 72 54 50 B4B9C0 12 -gt 3 Forward without history, grey
18 812 180 36 000000 169 -gt 10 the busy status text
EOF
) hovered=(740 18 1220 45 1245 32) ;;
  *) echo "no pixels measured at $dpi dpi"; exit 1 ;;
esac

start_program "$work/rc" "$bin" ./frame_scene.exe tabs=14 loading=13 ajax=11 back=13
if ! w=$(wait_window '^Skeda 14 .* Vesko Browser$'); then
  fail "the scene showed no window"; kill "$(cat "$work/rc.pid")"; finish
fi
point_at "$w" 640 425
shot "$w" "$work/scene.png"
check_picture "$work/scene.png" <<<"$scene"
point_at "$w" "${tab[@]}"
shot "$w" "$work/hover-tab.png"
echo "${hovered[0]} ${hovered[1]} DAE1EC 0 the hovered tab" | check_picture "$work/hover-tab.png"
point_at "$w" "${close[@]}"
shot "$w" "$work/hover-close.png"
check_picture "$work/hover-close.png" <<<"${hovered[2]} ${hovered[3]} DB3842 0 the hovered close button is red
${hovered[4]} ${hovered[5]} FFFFFF 40 with a white cross"
click_at "$w" "${close[@]}"
rc=$(wait_exit "$work/rc")
check "the close button ends the scene with 0 ($rc)" '[ "$rc" = 0 ]'
echo "screenshots in $work"
finish
