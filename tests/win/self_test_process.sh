#!/usr/bin/env bash
# The real VeskoBrowser-Kiosk.exe in self-test mode under Wine: it writes its report beside
# itself, shows the outcome box and exits 0; with a folder where the report should go it
# shows the fatal-error box and exits 1. (The report's content and the switch's spelling
# are the unit tests'.)
# Usage: self_test_process.sh WINE_RUN PREFIX EXE WORK_DIR
set -uo pipefail
wine_run=$1 prefix=$2 exe=$3 work=$4
source "$(dirname "$0")/lib/window_test.sh"
rm -rf "$work"; mkdir -p "$work/pass" "$work/blocked/Vesko_self_test.json"
cp "$exe" "$work/pass/"; cp "$exe" "$work/blocked/"

start_program "$work/pass.rc" "$work/pass" ./VeskoBrowser-Kiosk.exe --self-test
check "the outcome box" 'answer_box "Self test$" "$work/self-test-passed.png"'
rc=$(wait_exit "$work/pass.rc")
check "a passing self-test exits 0 ($rc)" '[ "$rc" = 0 ]'
check "the report beside the program" '[ -s "$work/pass/Vesko_self_test.json" ]'

start_program "$work/blocked.rc" "$work/blocked" ./VeskoBrowser-Kiosk.exe --self-test
check "the fatal-error box" 'answer_box "^VESKO Browser$" "$work/fatal-error.png"'
rc=$(wait_exit "$work/blocked.rc")
check "an unwritable report exits 1 ($rc)" '[ "$rc" = 1 ]'
echo "screenshots in $work"
finish
