#!/usr/bin/env bash
# Screenshots of the worksheet (first example deal calculated) and the preferences dialog, taken
# on a virtual X screen, and the printed summary as PDF and PNG.
# Usage: scripts/screenshots.sh [BUILD_DIR] [OUT_DIR] [SCREEN, e.g. 1366x768]
set -euo pipefail
build=${1:-build}
out=${2:-shots}
screen=${3:-1024x768}
mkdir -p "$out"
rm -f "$out/preferences.txt"
rm -f "$out/smith.tqdeal"
cp "$(dirname "$0")/../data/examples/programs.json" "$out/programs.json"
cp "$(dirname "$0")/../data/examples/products.json" "$out/products.json"
# A small window manager, where installed, draws the title bars.
xvfb-run -a -s "-screen 0 ${screen}x24 -dpi 96" bash -c \
  'command -v twm > /dev/null && { twm > /dev/null 2>&1 & sleep 0.5; }; exec "$0" "$1"' \
  "$build/tallyquote-screens" "$out"
for page in summary copy-letter copy-a4 menu compare; do  # compare: the two versions' page
  pdftoppm -png -r 60 -singlefile "$out/$page.pdf" "$out/$page"
  echo "$out/$page.png"
done
