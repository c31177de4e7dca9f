#!/usr/bin/env bash
# Builds the tests and takes screenshots of the main window with the progress window of a long
# evacuation, in English and (under code page 932) in Japanese, into docs/screenshots. The test
# ProgressWindow.ShowForCapture writes the windows' rectangle to progress-<lang>.geom and cancels
# the evacuation once this script has grabbed that part of the screen and deleted the file.
set -euo pipefail
. "$(dirname "$0")/lib.sh"
cd "$root"
brenna_build --target brenna_window_tests

screenshot_env_start
grab_test_windows 'ProgressWindow.ShowForCapture' -en "progress"
grab_test_windows 'ProgressWindow.ShowForCapture' -ja "progress" LC_ALL=ja_JP.UTF-8
echo "screenshots in $out"
