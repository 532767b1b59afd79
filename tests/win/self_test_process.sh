#!/usr/bin/env bash
# The real VeskoBrowser.exe in self-test mode under Wine: the report beside the program,
# the outcome box, exit codes, and the fatal-error box when the report cannot be written.
# Usage: self_test_process.sh WINE_RUN PREFIX EXE WORK_DIR
set -uo pipefail
wine_run=$1 prefix=$2 exe=$3 work=$4
[ -n "${DISPLAY:-}" ] || { echo "needs an X display (scripts/test starts Xvfb)"; exit 1; }
rm -rf "$work"; mkdir -p "$work"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Starts the program in DIR with ARGS; answers the box titled TITLE (if any) with Return
# after a screenshot; prints the exit code.
run_and_answer() {
  local dir=$1 title=$2 shot=$3; shift 3
  (cd "$dir" && "$wine_run" "$prefix" "$dir/VeskoBrowser.exe" "$@") &
  local pid=$! window=""
  if [ -n "$title" ]; then
    for _ in $(seq 1 150); do
      window=$(xdotool search --name "$title" 2>/dev/null | head -n1)
      [ -n "$window" ] && break
      sleep 0.2
    done
    if [ -z "$window" ]; then
      echo "no window named '$title'" >&2
    else
      sleep 0.5
      import -window "$window" "$work/$shot" 2>/dev/null || true
      xdotool windowactivate --sync "$window" key Return 2>/dev/null || xdotool key --window "$window" Return
    fi
  fi
  local waited=0
  while kill -0 "$pid" 2>/dev/null && [ $waited -lt 300 ]; do sleep 0.2; waited=$((waited + 1)); done
  if kill -0 "$pid" 2>/dev/null; then kill "$pid"; echo 124; return; fi
  wait "$pid"; echo $?
}

# A passing self-test: report beside the program, information box, exit 0.
mkdir -p "$work/pass"; cp "$exe" "$work/pass/VeskoBrowser.exe"
echo '{"stale": true}' > "$work/pass/Vesko_self_test.json"
rc=$(run_and_answer "$work/pass" "Self test" self-test-passed.png --self-test)
[ "$rc" = 0 ] || fail "passing self-test exit code $rc"
expected='{
  "product": "vesko-browser",
  "version": "0.1.12",
  "tests": [
    {
      "test": "portal_navigation_policy",
      "pass": true
    }
  ],
  "pass": true
}'
[ "$(cat "$work/pass/Vesko_self_test.json")" = "$expected" ] || fail "report: $(cat "$work/pass/Vesko_self_test.json")"
[ ! -e "$work/pass/Vesko_self_test.json.tmp" ] || fail "temporary report left behind"

# Starts the browser in DIR with ARGS, ends it with its own close button once its window
# shows; prints the exit code.
run_browser_and_close() {
  local dir=$1 window=""; shift
  (cd "$dir" && "$wine_run" "$prefix" "$dir/VeskoBrowser.exe" "$@") &
  local pid=$!
  for _ in $(seq 1 150); do
    window=$(xdotool search --onlyvisible --name "Vesko Browser" 2>/dev/null | head -n1)
    [ -n "$window" ] && break
    sleep 0.2
  done
  if [ -n "$window" ]; then
    sleep 0.5
    xdotool mousemove --window "$window" 1257 21 click 1
  else
    echo "no browser window" >&2
  fi
  local waited=0
  while kill -0 "$pid" 2>/dev/null && [ $waited -lt 150 ]; do sleep 0.2; waited=$((waited + 1)); done
  if kill -0 "$pid" 2>/dev/null; then kill "$pid"; echo 124; return; fi
  wait "$pid"; echo $?
}

# The switch with another argument, or in other letter case, is not the self-test: the
# browser starts instead.
for args in "--self-test extra" "--SELF-TEST"; do
  mkdir -p "$work/other"; cp "$exe" "$work/other/VeskoBrowser.exe"; rm -f "$work/other/Vesko_self_test.json"
  # shellcheck disable=SC2086
  rc=$(run_browser_and_close "$work/other" $args)
  [ "$rc" = 0 ] || fail "'$args' exit code $rc"
  [ ! -e "$work/other/Vesko_self_test.json" ] || fail "'$args' ran the self-test"
done

# A report that cannot be written: a folder stands where the report should go.
mkdir -p "$work/blocked/Vesko_self_test.json"; cp "$exe" "$work/blocked/VeskoBrowser.exe"
rc=$(run_and_answer "$work/blocked" "VESKO Browser" fatal-error.png --self-test)
[ "$rc" = 1 ] || fail "unwritable report exit code $rc"
[ -s "$work/fatal-error.png" ] || fail "no fatal-error box was seen"
[ -s "$work/self-test-passed.png" ] || fail "no self-test box was seen"

echo "screenshots in $work"
[ $failures -eq 0 ] && echo "all self-test process checks passed"
exit $((failures > 0))
