#!/usr/bin/env bash
# Builds the tests and takes screenshots of the property, settings, external repository, backup
# definition, find-INI and repository check dialogs in English and (under code page 932) in
# Japanese, into docs/screenshots. The test DialogScreenshots shows each dialog and writes its
# window rectangle to <name>.geom; this script grabs that part of the screen and deletes the file,
# which lets the test go on to the next dialog.
set -euo pipefail
. "$(dirname "$0")/lib.sh"
cd "$root"
brenna_build --target brenna_window_tests

screenshot_env_start
grab_test_windows 'DialogScreenshots.*' -en "property settings external definition findini check"
grab_test_windows 'DialogScreenshots.*' -ja "property settings external definition findini check" LC_ALL=ja_JP.UTF-8
echo "screenshots in $out"
