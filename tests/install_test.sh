#!/usr/bin/env bash
# Installs into a scratch prefix and checks that every file lands where named, that the desktop
# entry is clean, and that the installed CLI runs.
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" > /dev/null
for f in bin/tallyquote bin/tallyquote-cli share/applications/tallyquote.desktop \
         share/icons/hicolor/scalable/apps/tallyquote.svg; do
  [ -f "$prefix/$f" ] || { echo "missing: $f"; exit 1; }
done
[ -x "$prefix/bin/tallyquote" ] && [ -x "$prefix/bin/tallyquote-cli" ]
desktop-file-validate "$prefix/share/applications/tallyquote.desktop"
# The whole answer first: a reader that stops early would (rightly) fail the CLI's write.
answer=$(echo '{"fields": {"msrp": "30000", "sellingprice": "28000", "downpayment": "2000",
  "rate": "6", "residual": "0.55", "rebates": "500"}, "commands": ["calculate"]}' \
  | "$prefix/bin/tallyquote-cli")
grep -q '"monthlypayment": "401.59"' <<< "$answer"
# The installed window keeps its preferences in the user's configuration directory, quietly made
# on first start, and never beside the program in bin/, even where bin/ is writable.
QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME="$prefix/config" timeout 3 "$prefix/bin/tallyquote" \
  > /dev/null 2>&1 || true
[ -f "$prefix/config/tallyquote/preferences.txt" ] || { echo "no preferences in config"; exit 1; }
[ ! -e "$prefix/bin/preferences.txt" ] || { echo "preferences written into bin/"; exit 1; }
echo "installed and checked under $prefix"
