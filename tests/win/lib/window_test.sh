# Helpers of the window tests under Wine and Xvfb: starting programs, finding their
# windows, real input relative to a window, and reading pixels of screenshots.
# Sourced; the caller sets wine_run, prefix and scale (the DPI scale, 1 or 1.5).

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }

# A length in units at 96 dpi as device pixels: the integer part of v × scale + 0.5.
px() { awk -v v="$1" -v s="$scale" 'BEGIN { printf "%d", v * s + 0.5 }'; }

# Starts a Windows program in the background: its exit code goes to RC_FILE when it
# ends, the pid of its process (wine runs the program in the process it starts as) to
# RC_FILE.pid, and the pid of the waiting shell job to $started.
start_program() {
  local rc_file=$1 dir=$2 exe=$3; shift 3
  rm -f "$rc_file" "$rc_file.pid"
  ( cd "$dir" || exit
    "$wine_run" "$prefix" "$exe" "$@" >/dev/null 2>&1 &
    echo $! >"$rc_file.pid"
    wait $!
    echo $? >"$rc_file" ) &
  started=$!
}

# Waits until a program started with start_program has ended; prints its exit code, or
# "timeout" after SECONDS, having ended that program.
wait_exit() {
  local rc_file=$1 job=$2 seconds=${3:-30} waited=0
  while [ ! -f "$rc_file" ] && [ $waited -lt $((seconds * 10)) ]; do sleep 0.1; waited=$((waited + 1)); done
  if [ ! -f "$rc_file" ]; then
    kill "$(cat "$rc_file.pid" 2>/dev/null)" 2>/dev/null
    wait "$job" 2>/dev/null
    echo timeout
    return
  fi
  wait "$job" 2>/dev/null
  cat "$rc_file"
}

# Ends a program started with start_program that is no longer needed.
abandon() { kill "$(cat "$1.pid" 2>/dev/null)" 2>/dev/null; wait "$2" 2>/dev/null; }

# The id of the first visible window whose title matches REGEX, waiting up to SECONDS.
wait_window() {
  local regex=$1 seconds=${2:-30} id=""
  for _ in $(seq 1 $((seconds * 5))); do
    id=$(xdotool search --onlyvisible --name "$regex" 2>/dev/null | head -n1)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.2
  done
  return 1
}

# Waits until no visible window's title matches REGEX.
wait_no_window() {
  local regex=$1 seconds=${2:-10}
  for _ in $(seq 1 $((seconds * 5))); do
    xdotool search --onlyvisible --name "$regex" >/dev/null 2>&1 || return 0
    sleep 0.2
  done
  return 1
}

window_width() { xdotool getwindowgeometry "$1" | awk '/Geometry/ { split($2, g, "x"); print g[1] }'; }
window_height() { xdotool getwindowgeometry "$1" | awk '/Geometry/ { split($2, g, "x"); print g[2] }'; }

# Real pointer input relative to the window's top left corner.
point_at() { xdotool mousemove --window "$1" "$2" "$3"; sleep 0.4; }
click_at() { xdotool mousemove --window "$1" "$2" "$3" click 1; sleep 0.4; }
middle_click_at() { xdotool mousemove --window "$1" "$2" "$3" click 2; sleep 0.4; }

# Lets the window paint, then takes its picture.
shot() { sleep 0.4; import -window "$1" "$2"; }

# Takes pictures of the window into FILE until the pixel (X, Y) is #RRGGBB, for at most
# SECONDS; true when it got there.
wait_pixel() {
  local window=$1 file=$2 x=$3 y=$4 hex=$5 seconds=${6:-10} want
  want="$((16#${hex:0:2})) $((16#${hex:2:2})) $((16#${hex:4:2}))"
  for _ in $(seq 1 $((seconds * 4))); do
    import -window "$window" "$file" 2>/dev/null && [ "$(rgb "$file" "$x" "$y")" = "$want" ] && return 0
    sleep 0.25
  done
  return 1
}

# "R G B" of one pixel.
rgb() { convert "$1" -format "%[fx:round(255*p{$2,$3}.r)] %[fx:round(255*p{$2,$3}.g)] %[fx:round(255*p{$2,$3}.b)]" info:; }

# The pixel at (X, Y) is the colour #RRGGBB within TOL per channel (default 0).
expect_pixel() {
  local label=$1 file=$2 x=$3 y=$4 hex=$5 tol=${6:-0}
  local want_r=$((16#${hex:0:2})) want_g=$((16#${hex:2:2})) want_b=$((16#${hex:4:2}))
  local got; got=$(rgb "$file" "$x" "$y")
  read -r r g b <<<"$got"
  if [ $((r > want_r ? r - want_r : want_r - r)) -le "$tol" ] && [ $((g > want_g ? g - want_g : want_g - g)) -le "$tol" ] &&
     [ $((b > want_b ? b - want_b : want_b - b)) -le "$tol" ]; then
    pass "$label: ($x,$y) is #$hex"
  else
    fail "$label: ($x,$y) is rgb($got), expected #$hex ±$tol in $(basename "$file")"
  fi
}

# How many pixels of the region (X, Y, W, H) are within TOL per channel of #RRGGBB.
count_near() {
  local file=$1 x=$2 y=$3 w=$4 h=$5 hex=$6 tol=$7
  convert "$file" -crop "${w}x${h}+${x}+${y}" +repage -alpha off -depth 8 txt:- | awk -v r=$((16#${hex:0:2})) \
    -v g=$((16#${hex:2:2})) -v b=$((16#${hex:4:2})) -v t="$tol" '
    NR > 1 { split($2, c, /[(),]/)
             if ((c[2]-r)^2 <= t*t && (c[3]-g)^2 <= t*t && (c[4]-b)^2 <= t*t) n++ }
    END { print n + 0 }'
}

# How many pixels of the region are dark ink: every channel below LIMIT (default 150).
count_ink() {
  local file=$1 x=$2 y=$3 w=$4 h=$5 limit=${6:-150}
  convert "$file" -crop "${w}x${h}+${x}+${y}" +repage -alpha off -depth 8 txt:- | awk -v l="$limit" '
    NR > 1 { split($2, c, /[(),]/); if (c[2] < l && c[3] < l && c[4] < l) n++ }
    END { print n + 0 }'
}

expect_count() {
  local label=$1 count=$2 op=$3 bound=$4
  if [ "$count" "$op" "$bound" ]; then pass "$label ($count)"; else fail "$label: $count, expected $op $bound"; fi
}

# The window's own close button, in the caption strip at the right end.
close_button_x() { echo $(( $(window_width "$1") - $(px 138) + $(px 92) + $(px 23) )); }
click_close_button() { click_at "$1" "$(close_button_x "$1")" "$(px 21)"; }
