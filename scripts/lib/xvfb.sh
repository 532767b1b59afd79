# Starts a private Xvfb on a free display and exports DISPLAY; stop_xvfb ends it.
# Sourced by the run and test scripts.
xvfb_pid=""
start_xvfb() {
  if [ -n "${VESKO_KEEP_DISPLAY:-}" ] && [ -n "${DISPLAY:-}" ]; then return 0; fi
  local fdfile
  fdfile=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp 3>"$fdfile" >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 1 100); do
    if [ -s "$fdfile" ]; then
      export DISPLAY=":$(head -n1 "$fdfile")"
      rm -f "$fdfile"
      return 0
    fi
    sleep 0.1
  done
  rm -f "$fdfile"
  return 1
}
stop_xvfb() {
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null; fi
  xvfb_pid=""
}
