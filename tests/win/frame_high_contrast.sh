#!/usr/bin/env bash
# The frame in a dark high-contrast theme set in a prefix of its own: every band in the
# theme's button face, the selected tab in its highlight, glyphs in its button text, the
# disabled Back in its grey text; then F6 puts the keyboard on the tab strip, whose focus
# mark is drawn in the button text around the selected tab.
# Usage: frame_high_contrast.sh WINE_RUN BIN_DIR PREFIX WORK_DIR
set -uo pipefail
wine_run=$1 bin=$2 prefix=$3 work=$4
source "$(dirname "$0")/lib/window_test.sh"
rm -rf "$work"; mkdir -p "$work"
prepare_prefix 96
colours=(ButtonFace "0 0 0" ButtonText "255 255 255" Hilight "26 235 255" HilightText "0 0 0"
         Window "0 0 0" WindowText "255 255 255" GrayText "63 242 63")
for ((i = 0; i < ${#colours[@]}; i += 2)); do
  "$wine_run" "$prefix" reg add 'HKCU\Control Panel\Colors' /v "${colours[i]}" /t REG_SZ /d "${colours[i+1]}" /f >/dev/null 2>&1
done
"$wine_run" "$prefix" reg add 'HKCU\Control Panel\Accessibility\HighContrast' /v Flags /t REG_SZ /d 127 /f >/dev/null 2>&1
# The system colours are read when the prefix's session starts.
WINEPREFIX=$prefix wineserver -k 2>/dev/null; WINEPREFIX=$prefix wineserver -w 2>/dev/null

start_program "$work/rc" "$bin" ./frame_scene.exe tabs=3 active=1 back=1
if ! w=$(wait_window '^Skeda 2 .* Vesko Browser$'); then
  fail "the scene showed no window"; kill "$(cat "$work/rc.pid")"; finish
fi
point_at "$w" 640 425
shot "$w" "$work/contrast.png"
# 96 dpi, 1280 wide: three tabs of 238 from x 45, the selected one from 283 to 518.
check_picture "$work/contrast.png" <<'ROWS'
900 20 000000 0 the strip in the button face
600 60 000000 0 the toolbar in the button face
600 840 000000 0 the status band in the button face
400 12 1AEBFF 0 the selected tab in the highlight
765 13 20 20 FFFFFF 60 -gt 10 the new-tab plus in the button text
7 48 36 33 FFFFFF 12 -gt 3 Back with history in the button text
46 48 36 33 3FF23F 12 -gt 3 Forward without history in the grey text
12 826 120 22 FFFFFF 60 -gt 10 the status text in the button text
283 5 2 37 FFFFFF 0 -eq 0 no focus mark while the page has the keyboard
ROWS
xdotool windowactivate --sync "$w" key F6 2>/dev/null || xdotool key --window "$w" F6
shot "$w" "$work/contrast-focus.png"
check_picture "$work/contrast-focus.png" <<'ROWS'
283 5 2 37 FFFFFF 0 -eq 74 the focus mark's left edge around the selected tab
45 5 2 37 FFFFFF 0 -eq 0 and none around the others
ROWS
xdotool key --window "$w" alt+F4 2>/dev/null
rc=$(wait_exit "$work/rc")
check "Alt+F4 ends the scene with 0 ($rc)" '[ "$rc" = 0 ]'
echo "screenshots in $work"
finish
