# What the scripts that run Windows programs under Wine and Xvfb share: starting and
# ending programs, finding their windows, real input, and checks on screenshots.
# Sourced; the caller sets wine_run and prefix.

[ -n "${DISPLAY:-}" ] || { echo "needs an X display (scripts/test starts Xvfb)"; exit 1; }
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }
check() { if eval "$2"; then pass "$1"; else fail "$1"; fi; }  # LABEL CONDITION
finish() { [ $failures -eq 0 ] && echo "all checks passed"; exit $((failures > 0)); }

# A prefix of the script's own at DPI, where Wine places windows itself as Windows does
# (no window manager runs): a maximised window then really covers the screen.
prepare_prefix() {
  "$wine_run" "$prefix" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
  "$wine_run" "$prefix" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
}

# Starts EXE (relative to DIR, the working folder) with ARGS in the background; its exit
# code goes to RC_FILE when it ends, the pid of its process to RC_FILE.pid.
start_program() {
  local rc_file=$1 dir=$2 exe=$3; shift 3
  rm -f "$rc_file" "$rc_file.pid"
  ( cd "$dir" || exit
    "$wine_run" "$prefix" "$exe" "$@" >/dev/null 2>&1 &
    echo $! >"$rc_file.pid"
    wait $!
    echo $? >"$rc_file" ) &
}

# The exit code of a program started with start_program once it has ended, or "timeout"
# after SECONDS, having ended it.
wait_exit() {
  local rc_file=$1 seconds=${2:-20}
  for _ in $(seq 1 $((seconds * 10))); do [ -f "$rc_file" ] && break; sleep 0.1; done
  if [ -f "$rc_file" ]; then cat "$rc_file"; else kill "$(cat "$rc_file.pid")" 2>/dev/null; echo timeout; fi
}

# The id of the first visible window whose title matches REGEX, waiting up to SECONDS.
wait_window() {
  local id
  for _ in $(seq 1 $((${2:-30} * 5))); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.2
  done
  return 1
}

# Answers the box titled REGEX with Return after taking its picture into FILE.
answer_box() {
  local box
  box=$(wait_window "$1") || return 1
  sleep 0.5
  import -window "$box" "$2" 2>/dev/null
  xdotool windowactivate --sync "$box" key Return 2>/dev/null || xdotool key --window "$box" Return
}

# Real pointer input relative to the window's top left corner: WINDOW X Y [BUTTON].
point_at() { xdotool mousemove --window "$1" "$2" "$3"; sleep 0.4; }
click_at() { xdotool mousemove --window "$1" "$2" "$3" click "${4:-1}"; sleep 0.4; }
# Lets the window paint, then takes its picture.
shot() { sleep 0.4; import -window "$1" "$2"; }

# "R G B" of one pixel.
rgb() { convert "$1" -format "%[fx:round(255*p{$2,$3}.r)] %[fx:round(255*p{$2,$3}.g)] %[fx:round(255*p{$2,$3}.b)]" info:; }

# How many pixels of the region X Y W H are within TOL per channel of #RRGGBB.
count_near() {
  convert "$1" -crop "${4}x${5}+${2}+${3}" +repage -alpha off -depth 8 txt:- | awk -v r=$((16#${6:0:2})) \
    -v g=$((16#${6:2:2})) -v b=$((16#${6:4:2})) -v t="$7" '
    NR > 1 { split($2, c, /[(),]/)
             if ((c[2]-r)^2 <= t*t && (c[3]-g)^2 <= t*t && (c[4]-b)^2 <= t*t) n++ }
    END { print n + 0 }'
}

# Checks the picture FILE against rows read from standard input, one check a row:
#   X Y RRGGBB TOL LABEL             the pixel (X, Y) is that colour, within TOL per channel
#   X Y W H RRGGBB TOL OP N LABEL    the count of such pixels in the region compares by OP
#                                    (-eq, -gt, -lt) with N; 000000 149 counts dark ink
check_picture() {
  local file=$1 row got
  while read -r -a row; do
    [ ${#row[@]} -gt 0 ] || continue
    if [[ ${row[2]} =~ ^[0-9A-F]{6}$ ]]; then
      got=$(count_near "$file" "${row[0]}" "${row[1]}" 1 1 "${row[2]}" "${row[3]}")
      [ "$got" = 1 ] && pass "${row[*]:4}" ||
        fail "${row[*]:4}: (${row[0]},${row[1]}) is rgb($(rgb "$file" "${row[0]}" "${row[1]}")) in $(basename "$file")"
    else
      got=$(count_near "$file" "${row[@]:0:6}")
      [ "$got" "${row[6]}" "${row[7]}" ] && pass "${row[*]:8} ($got)" ||
        fail "${row[*]:8}: $got, expected ${row[6]} ${row[7]} in $(basename "$file")"
    fi
  done
}
