#!/usr/bin/env bash
# Runs a Windows test command, and runs it again when it hangs rather than fails: under
# Wine 8, UI Automation across processes can deadlock inside Wine's own COM (a release
# unregistering an interface while the window's thread marshals the next node), which
# Windows does not do. A run that ends is judged as it ends; only ATTEMPTS hangs fail.
# Usage: retry_on_hang.sh SECONDS ATTEMPTS COMMAND [ARGS...]
set -uo pipefail
seconds=$1 attempts=$2; shift 2
for ((attempt = 1; attempt <= attempts; ++attempt)); do
  timeout --kill-after=5 "$seconds" "$@"
  rc=$?
  if [ "$rc" -ne 124 ] && [ "$rc" -ne 137 ]; then exit "$rc"; fi
  echo "attempt $attempt hung for ${seconds} s and was ended" >&2
done
exit 1
